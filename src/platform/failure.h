#pragma once
// A run-time failure as the transfer handlers see it: a numeric kind, named
// after the codes of the classic serial control and file runtime, and a
// description text shown when no fixed message exists for the kind.
#include <stdexcept>
#include <string>

namespace tz {

enum class FailureCode : int {
    Other = 0,                  // reported with its own description
    FileNotFound = 53,          // "File cannot open"
    InputPastEnd = 62,          // read past the end of a file
    NoDdeAnswer = 282,          // the spreadsheet program did not answer the link
    InvalidPropertyValue = 380, // "232Port bad setting"
    GridRowOutOfRange = 381,    // the monitor grid has no such row
    InvalidPortNumber = 8002,   // "232Port No. is bad"
    DeviceNotOpen = 8012,       // "232Port cannot open"
};

class Failure : public std::runtime_error {
  public:
    Failure(FailureCode code, const std::string& description)
        : std::runtime_error(description), code_(code) {}
    // `detail`: the second line under a fixed message, naming the device
    // or file and the reason.
    Failure(FailureCode code, const std::string& description, std::string detail)
        : std::runtime_error(description), code_(code), detail_(std::move(detail)) {}
    FailureCode code() const noexcept { return code_; }
    std::string description() const { return what(); }
    const std::string& detail() const noexcept { return detail_; }

  private:
    FailureCode code_;
    std::string detail_;
};

} // namespace tz
