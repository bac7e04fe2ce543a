#include "online/trend.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <iterator>
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
    blocks_.clear();
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
        blocks_.clear();
        for (std::size_t i = 0; i < samples_.size(); ++i)
            summarise(i);
    }
    if (!samples_.empty()) t = std::max(t, samples_.back().t);

    ++stats_.polls;
    if (!value) {
        gaps_.push_back(samples_.size());
        samples_.push_back({t, std::numeric_limits<double>::quiet_NaN()});
        summarise(samples_.size() - 1);
        return;
    }
    const double v = *value;
    samples_.push_back({t, v});
    summarise(samples_.size() - 1);
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

void Trend::summarise(std::size_t i) {
    if (i % kBlock == 0) blocks_.emplace_back();
    const Sample& s = samples_[i];
    if (s.gap()) return;
    Block& b = blocks_.back();
    // The first of equal values, as a sample by sample search finds it.
    if (!b.any || s.v < samples_[b.lo].v) b.lo = i;
    if (!b.any || s.v > samples_[b.hi].v) b.hi = i;
    b.any = true;
}

std::size_t Trend::firstAtOrAfter(std::size_t from, double t) const {
    return static_cast<std::size_t>(
        std::lower_bound(samples_.begin() + static_cast<std::ptrdiff_t>(from), samples_.end(), t,
                         [](const Sample& s, double at) { return s.t < at; }) -
        samples_.begin());
}

bool Trend::gapBetween(std::size_t a, std::size_t b) const {
    const auto it = std::upper_bound(gaps_.begin(), gaps_.end(), a);
    return it != gaps_.end() && *it < b;
}

std::vector<Trend::Point> Trend::decimate(double t0, double t1, int buckets, Reach reach) const {
    std::vector<Point> out;
    if (samples_.empty() || buckets < 1 || !(t1 >= t0)) return out;
    const double span = t1 - t0;
    if (!(span > 0)) buckets = 1;
    out.reserve(static_cast<std::size_t>(buckets) * 2 + 2);

    std::size_t lastEmitted = 0;
    bool emitted = false;
    auto emit = [&](std::size_t i) {
        const bool brk = emitted && gapBetween(lastEmitted, i);
        out.push_back({samples_[i].t, samples_[i].v, brk});
        lastEmitted = i;
        emitted = true;
    };

    const std::size_t first = firstAtOrAfter(0, t0);
    // Past the last sample at or before t1.
    const std::size_t end = static_cast<std::size_t>(
        std::upper_bound(samples_.begin() + static_cast<std::ptrdiff_t>(first), samples_.end(), t1,
                         [](double at, const Sample& s) { return at < s.t; }) -
        samples_.begin());

    // A neighbour that is a gap is left out: the line ends at the edge's
    // side of the gap anyway.
    const bool edges = reach == Reach::ToEdges;
    if (edges && first > 0 && !samples_[first - 1].gap()) emit(first - 1);

    // Column by column, skipping the empty ones; within a column whole
    // blocks count by their summary. A gap costs no point of its own:
    // emit() breaks the line between any two points a gap separates.
    std::size_t lo = 0, hi = 0;
    bool any = false;
    auto take = [&](std::size_t i) {
        const double v = samples_[i].v;
        if (v != v) return;
        if (!any || v < samples_[lo].v) lo = i;
        if (!any || v > samples_[hi].v) hi = i;
        any = true;
    };
    auto takeBlock = [&](const Block& b) {
        if (!b.any) return;
        if (!any || samples_[b.lo].v < samples_[lo].v) lo = b.lo;
        if (!any || samples_[b.hi].v > samples_[hi].v) hi = b.hi;
        any = true;
    };
    for (std::size_t i = first; i < end;) {
        const int b = span > 0 ? std::clamp(static_cast<int>((samples_[i].t - t0) / span * buckets),
                                            0, buckets - 1)
                               : 0;
        const std::size_t stop =
            b + 1 >= buckets
                ? end
                : std::min(end, std::max(i + 1, firstAtOrAfter(i, t0 + span * (b + 1) / buckets)));
        any = false;
        while (i < stop && i % kBlock != 0)
            take(i++);
        for (; i + kBlock <= stop; i += kBlock)
            takeBlock(blocks_[i / kBlock]);
        while (i < stop)
            take(i++);
        if (!any) continue;
        emit(std::min(lo, hi));
        if (lo != hi) emit(std::max(lo, hi));
    }

    if (edges && end < samples_.size() && !samples_[end].gap()) emit(end);
    return out;
}

} // namespace tz
