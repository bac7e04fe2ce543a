#include "online/interval_entry.h"

#include "app/text.h"

namespace tz {

int fieldValue(const std::string& digits, std::size_t pos) {
    int value = 0;
    for (std::size_t i = pos; i < pos + 2 && i < digits.size(); ++i) {
        const char c = digits[i];
        if (c < '0' || c > '9') break;
        value = value * 10 + (c - '0');
    }
    return value;
}

std::string markFirstOutOfRange(const std::string& digits) {
    std::size_t marked;
    if (fieldValue(digits, 0) > 23)
        marked = 0;
    else if (fieldValue(digits, 2) > 59)
        marked = 2;
    else if (fieldValue(digits, 4) > 59)
        marked = 4;
    else
        return digits;
    // A value above the range needs both places filled, so both exist.
    std::string out = digits;
    out.replace(marked, 2, "--");
    return out;
}

const char* IntervalVerdict::message() const {
    switch (kind) {
    case Kind::NotAppointed:
        return kIntervalNotAppointed;
    case Kind::OutOfRange:
        return kIntervalOutOfRange;
    case Kind::Accepted:
        break;
    }
    return nullptr;
}

IntervalVerdict judgeInterval(const std::string& digits) {
    using Kind = IntervalVerdict::Kind;
    if (text::charCount(digits) < 6) return {Kind::NotAppointed, 0};
    // The plain character comparison keeps hours, minutes and seconds in
    // one test; it also refuses a sign in the leading places.
    if (digits.find("--") != std::string::npos || digits < "000002" || digits > "090000")
        return {Kind::OutOfRange, 0};
    const int seconds =
        fieldValue(digits, 0) * 3600 + fieldValue(digits, 2) * 60 + fieldValue(digits, 4);
    // A sign typed behind the last digit ("00:00:1-") passes the comparison
    // but leaves less than the shortest interval.
    if (seconds < kShortestInterval || seconds > kLongestInterval) return {Kind::OutOfRange, 0};
    return {Kind::Accepted, seconds};
}

} // namespace tz
