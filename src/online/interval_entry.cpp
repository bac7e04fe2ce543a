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
    constexpr int kLimit[] = {23, 59, 59};
    std::size_t marked = std::string::npos;
    for (std::size_t field = 0; field < 3 && marked == std::string::npos; ++field) {
        const std::size_t pos = field * 2;
        // A field marked already is the first one out of range: the fields
        // typed after it keep what was typed.
        if (digits.size() >= pos + 2 && digits.compare(pos, 2, "--") == 0) return digits;
        if (fieldValue(digits, pos) > kLimit[field]) marked = pos;
    }
    if (marked == std::string::npos) return digits;
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
