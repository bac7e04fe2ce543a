#include "sheet/unavailable_sheet.h"

#include "platform/failure.h"

namespace tz {

namespace {
constexpr const char* kNotAvailable = "Spreadsheet output is not available in this build.";
}

void UnavailableSheetLink::open(const std::string&) {
    throw Failure(FailureCode::Other, kNotAvailable);
}

void UnavailableSheetLink::writeCell(int, int, const std::string&) {
    throw Failure(FailureCode::Other, kNotAvailable);
}

} // namespace tz
