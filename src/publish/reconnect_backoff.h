#pragma once
// The pause before the next attempt to reach the broker: 1 s after the
// first failure, doubling to at most 30 s, and 1 s again once a connection
// has held.
namespace tz {

class ReconnectBackoff {
  public:
    static constexpr double kFirst = 1.0;
    static constexpr double kLongest = 30.0;

    // The pause before the next attempt; each call doubles the one after.
    double next() {
        const double pause = pause_;
        pause_ = pause_ * 2 > kLongest ? kLongest : pause_ * 2;
        return pause;
    }
    void reset() { pause_ = kFirst; }

  private:
    double pause_ = kFirst;
};

} // namespace tz
