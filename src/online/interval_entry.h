#pragma once
// The interval entry ("h:m:s"): its own check on what the operator typed, and
// the verdict "Start Transfer!" gives on it. Both work on the digit text,
// the six characters hhmmss without the colons; unfilled positions are left
// out of it, so an incomplete entry gives a shorter text.
#include <string>

namespace tz {

inline constexpr const char* kIntervalNotAppointed = "Interval is not appointed.";
inline constexpr const char* kIntervalOutOfRange =
    "Input the interval range of 00:00:02 - 09:00:00.";

inline constexpr int kShortestInterval = 2;    // 00:00:02
inline constexpr int kLongestInterval = 32400; // 09:00:00

// The first field out of range (hours above 23, else minutes above 59, else
// seconds above 59) gets "--" in its two places; the other fields keep what
// was typed. Returns the digit text unchanged when every field fits, or
// when a field before the first one out of range is marked already.
std::string markFirstOutOfRange(const std::string& digits);

// Value of the field of two characters starting at `pos`: the number its
// leading digits form, 0 when it has none.
int fieldValue(const std::string& digits, std::size_t pos);

struct IntervalVerdict {
    enum class Kind { Accepted, NotAppointed, OutOfRange };
    Kind kind = Kind::NotAppointed;
    int seconds = 0;             // set when accepted
    const char* message() const; // the refusal text, nullptr when accepted
};

IntervalVerdict judgeInterval(const std::string& digits);

} // namespace tz
