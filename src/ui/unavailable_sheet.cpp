#include "ui/unavailable_sheet.h"

#include "platform/failure.h"

namespace tz {

namespace {
constexpr const char* kNotAvailable = "Spreadsheet output is not available in this build.";
}

void UnavailableSheetLink::setLinkMode(int mode) {
    if (mode == Manual) throw Failure(FailureCode::Other, kNotAvailable);
}

void UnavailableSheetLink::poke(const std::string&) {
    throw Failure(FailureCode::Other, kNotAvailable);
}

} // namespace tz
