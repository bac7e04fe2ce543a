#pragma once
// The trend of an on-line run: every polled value against the time of its
// poll, the run's statistics, and a reduction to at most two points per
// pixel column for drawing. A value that does not read as a number is kept
// as a gap, so that a line drawn through the values breaks there instead of
// dropping to zero.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tz {

// The number a value cell reads as: blanks around it, one sign, digits, a
// decimal point and an exponent; nothing for any other text ("ERR", an
// empty slice, garbage) or a number too large to be finite.
std::optional<double> readingNumber(std::string_view value);

// The unit the instrument gives behind the number of its reply ("m3/h" of
// "+1234.567 m3/h" CR); empty when there is none or it is not printable
// text of a plausible length.
std::string replyUnit(std::string_view reply);

class Trend {
  public:
    struct Sample {
        double t; // seconds on the caller's time line
        double v; // NaN: the poll gave no number
        bool gap() const { return v != v; }
    };

    struct Stats {
        std::size_t polls = 0;  // values and gaps
        std::size_t values = 0; // numbers among them
        std::optional<double> last, min, max, mean;
    };

    // A point to draw; `breakBefore`: a gap lies between it and the point
    // before it, so no line joins them.
    struct Point {
        double t, v;
        bool breakBefore;
    };

    // Every sample is kept up to `keepLimit`; a run longer than that (weeks
    // at the shortest interval) drops its oldest half from the drawing,
    // while the statistics still cover the whole run.
    explicit Trend(std::size_t keepLimit = kKeepLimit);

    void clear();
    // A poll at time t. Times must not go back; a clock set back is taken
    // as "no time passed" so that the line stays ordered.
    void add(double t, std::optional<double> value);

    const std::vector<Sample>& samples() const { return samples_; }
    const Stats& stats() const { return stats_; }

    // Whether decimate() also gives the nearest value outside [t0, t1] on
    // each side, so that a line drawn through a part of the run runs on to
    // the edges of the drawing instead of stopping at the last point inside.
    enum class Reach { Inside, ToEdges };

    // At most two points (the lowest and the highest value, in time order)
    // for each of `buckets` equal slices of [t0, t1], with the breaks of
    // the gaps between them. An isolated value between gaps is one point
    // with breaks on both sides.
    std::vector<Point> decimate(double t0, double t1, int buckets,
                                Reach reach = Reach::Inside) const;

    static constexpr std::size_t kKeepLimit = std::size_t{1} << 20;

  private:
    // The lowest and highest number among kBlock samples, so that a
    // column of a long run is reduced without reading each of its samples.
    static constexpr std::size_t kBlock = 256;
    struct Block {
        std::size_t lo = 0, hi = 0; // sample indexes
        bool any = false;           // false: gaps only
    };

    bool gapBetween(std::size_t a, std::size_t b) const;
    void summarise(std::size_t i);
    std::size_t firstAtOrAfter(std::size_t from, double t) const;

    std::size_t keepLimit_;
    std::vector<Sample> samples_;
    std::vector<std::size_t> gaps_; // indexes of the gap samples, ascending
    std::vector<Block> blocks_;     // of samples_, kBlock by kBlock
    Stats stats_;
    double sum_ = 0, carry_ = 0; // compensated sum for the mean
};

} // namespace tz
