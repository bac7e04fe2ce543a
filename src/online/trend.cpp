#include "online/trend.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace tz {

namespace {

constexpr std::size_t kLongestUnit = 24; // bytes; UTF-8 "°C" is three

bool blank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool digit(char c) {
    return c >= '0' && c <= '9';
}

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && blank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && blank(s.back()))
        s.remove_suffix(1);
    return s;
}

// Length of the number at the start of s ([sign] digits [. digits] [e
// [sign] digits]), 0 when s does not start with one.
std::size_t numberLength(std::string_view s) {
    std::size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    std::size_t digits = 0;
    while (i < s.size() && digit(s[i]))
        ++i, ++digits;
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && digit(s[i]))
            ++i, ++digits;
    }
    if (digits == 0) return 0;
    if (i + 1 < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
        if (j < s.size() && digit(s[j])) {
            while (j < s.size() && digit(s[j]))
                ++j;
            i = j;
        }
    }
    return i;
}

} // namespace

std::optional<double> readingNumber(std::string_view value) {
    std::string_view s = trimmed(value);
    if (s.empty() || numberLength(s) != s.size()) return std::nullopt;
    // from_chars takes a minus but no plus.
    if (s.front() == '+') s.remove_prefix(1);
    double v = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || end != s.data() + s.size() || !std::isfinite(v)) return std::nullopt;
    return v;
}

std::string replyUnit(std::string_view reply) {
    // The number is the first run of digits (with its sign and point);
    // a label in front of it ("DI+    +001234 m3") is passed over.
    for (std::size_t i = 0; i < reply.size(); ++i) {
        const std::size_t n = numberLength(reply.substr(i));
        if (n == 0) continue;
        const std::string_view unit = trimmed(reply.substr(i + n));
        if (unit.empty() || unit.size() > kLongestUnit) return {};
        for (char c : unit)
            if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return {};
        return std::string(unit);
    }
    return {};
}

Trend::Trend(std::size_t keepLimit) : keepLimit_(std::max<std::size_t>(keepLimit, 2)) {}

void Trend::clear() {
    samples_.clear();
    gaps_.clear();
    stats_ = {};
    sum_ = carry_ = 0;
}

void Trend::add(double t, std::optional<double> value) {
    if (samples_.size() >= keepLimit_) {
        const std::size_t drop = samples_.size() / 2;
        samples_.erase(samples_.begin(), samples_.begin() + static_cast<std::ptrdiff_t>(drop));
        gaps_.erase(gaps_.begin(), std::lower_bound(gaps_.begin(), gaps_.end(), drop));
        for (std::size_t& g : gaps_)
            g -= drop;
    }
    if (!samples_.empty()) t = std::max(t, samples_.back().t);

    ++stats_.polls;
    if (!value) {
        gaps_.push_back(samples_.size());
        samples_.push_back({t, std::numeric_limits<double>::quiet_NaN()});
        return;
    }
    const double v = *value;
    samples_.push_back({t, v});
    ++stats_.values;
    stats_.last = v;
    stats_.min = stats_.min ? std::min(*stats_.min, v) : v;
    stats_.max = stats_.max ? std::max(*stats_.max, v) : v;
    // Neumaier's sum: a mean of hours of values near 1000 with a few
    // decimals stays exact to the last shown digit.
    const double s = sum_ + v;
    carry_ += std::abs(sum_) >= std::abs(v) ? (sum_ - s) + v : (v - s) + sum_;
    sum_ = s;
    stats_.mean = (sum_ + carry_) / static_cast<double>(stats_.values);
}

bool Trend::gapBetween(std::size_t a, std::size_t b) const {
    const auto it = std::upper_bound(gaps_.begin(), gaps_.end(), a);
    return it != gaps_.end() && *it < b;
}

std::vector<Trend::Point> Trend::decimate(double t0, double t1, int buckets) const {
    std::vector<Point> out;
    if (samples_.empty() || buckets < 1 || !(t1 >= t0)) return out;
    const auto first = std::lower_bound(samples_.begin(), samples_.end(), t0,
                                        [](const Sample& s, double t) { return s.t < t; });
    const double span = t1 - t0;
    out.reserve(static_cast<std::size_t>(buckets) * 2);

    std::size_t lastEmitted = 0;
    bool emitted = false;
    auto emit = [&](std::size_t i) {
        const bool brk = emitted && gapBetween(lastEmitted, i);
        out.push_back({samples_[i].t, samples_[i].v, brk});
        lastEmitted = i;
        emitted = true;
    };

    int bucket = -1;
    std::size_t lo = 0, hi = 0;
    bool any = false;
    auto flush = [&] {
        if (!any) return;
        if (lo == hi) {
            emit(lo);
        } else {
            emit(std::min(lo, hi));
            emit(std::max(lo, hi));
        }
        any = false;
    };

    for (auto it = first; it != samples_.end() && it->t <= t1; ++it) {
        const std::size_t i = static_cast<std::size_t>(it - samples_.begin());
        int b = span > 0 ? static_cast<int>((it->t - t0) / span * buckets) : 0;
        b = std::clamp(b, 0, buckets - 1);
        if (b != bucket) {
            flush();
            bucket = b;
        }
        // A gap costs no point of its own: emit() breaks the line between
        // any two points that a gap separates, within a column or not.
        if (it->gap()) continue;
        if (!any) {
            lo = hi = i;
            any = true;
        } else {
            if (it->v < samples_[lo].v) lo = i;
            if (it->v > samples_[hi].v) hi = i;
        }
    }
    flush();
    return out;
}

} // namespace tz
