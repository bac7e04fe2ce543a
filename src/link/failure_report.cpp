#include "link/failure_report.h"

#include "app/title.h"
#include "platform/host.h"

namespace tz {

namespace {

// The fixed first line stays; the device or file and the reason follow.
Report fixed(const char* text, const Failure& failure) {
    if (failure.detail().empty()) return {text, kAppTitle};
    return {std::string(text) + "\n" + failure.detail(), kAppTitle};
}

} // namespace

Report reportFor(const Failure& failure) {
    switch (failure.code()) {
    case FailureCode::InvalidPortNumber:
        return fixed("232Port No. is bad", failure);
    case FailureCode::DeviceNotOpen:
        return fixed("232Port cannot open", failure);
    case FailureCode::InvalidPropertyValue:
        return {"232Port bad setting", kAppTitle};
    case FailureCode::FileNotFound:
        return fixed("File cannot open", failure);
    default:
        return {failure.description(), kAppTitle};
    }
}

Report reportFor(const std::exception& e) {
    if (auto* f = dynamic_cast<const Failure*>(&e)) return reportFor(*f);
    return {e.what(), kAppTitle};
}

} // namespace tz
