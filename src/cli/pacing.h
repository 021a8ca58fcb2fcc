#pragma once

#include <chrono>

namespace cli {

// When the samples of `watch` and `record` are due: on a grid of the interval from the first, so
// slow transfers never add up to drift. A sample that ran past one or more slots skips them and
// waits for the next, rather than firing the missed ones in a burst.
class Deadlines {
 public:
  using Clock = std::chrono::steady_clock;

  Deadlines(Clock::time_point start, double interval_seconds);
  // The first slot after now.
  Clock::time_point Next(Clock::time_point now) const;

 private:
  Clock::time_point start_;
  Clock::duration interval_;
};

}  // namespace cli
