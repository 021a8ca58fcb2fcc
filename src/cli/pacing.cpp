#include "cli/pacing.h"

namespace cli {

Deadlines::Deadlines(Clock::time_point start, double interval_seconds)
    : start_(start),
      interval_(std::chrono::duration_cast<Clock::duration>(
          std::chrono::duration<double>(interval_seconds))) {}

Deadlines::Clock::time_point Deadlines::Next(Clock::time_point now) const {
  if (interval_ <= Clock::duration::zero() || now < start_) return start_ + interval_;
  const auto slots = (now - start_) / interval_ + 1;
  return start_ + slots * interval_;
}

}  // namespace cli
