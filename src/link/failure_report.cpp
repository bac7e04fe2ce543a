#include "link/failure_report.h"

#include "app/title.h"
#include "platform/host.h"

namespace tz {

Report reportFor(const Failure& failure) {
    switch (failure.code()) {
    case FailureCode::InvalidPortNumber:
        return {"232Port No. is bad", kAppTitle};
    case FailureCode::DeviceNotOpen:
        return {"232Port cannot open", kAppTitle};
    case FailureCode::InvalidPropertyValue:
        return {"232Port bad setting", kAppTitle};
    case FailureCode::FileNotFound:
        return {"File cannot open", kAppTitle};
    default:
        return {failure.description(), kAppTitle};
    }
}

Report reportFor(const std::exception& e) {
    if (auto* f = dynamic_cast<const Failure*>(&e)) return reportFor(*f);
    return {e.what(), kAppTitle};
}

} // namespace tz
