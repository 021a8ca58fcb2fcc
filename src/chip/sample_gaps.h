#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

namespace chip {

// The stretches in which a chip followed over time did not answer. Unattended readers (`record`,
// `watch`, `serve`, the window's recorder) skip a failed sample and try again at the next
// interval; this says when a gap begins and ends, so each is marked exactly once at each end
// however many samples it swallows.
class SampleGaps {
 public:
  using Steady = std::chrono::steady_clock::time_point;
  enum class Change { None, Lost, Resumed };

  // A sample failed with `what`: Lost when it is the first of a gap.
  Change Failed(std::string_view what, Steady now);
  // A sample came in: Resumed when it ends a gap.
  Change Answered(Steady now);

  bool in_gap() const { return in_gap_; }
  // Samples failed in the gap now open, or in the one that ended last.
  std::uint64_t missed() const { return missed_; }
  std::uint64_t missed_total() const { return missed_total_; }
  std::uint64_t gaps() const { return gaps_; }
  // From the first failed sample of the gap open (or of the last one) to now (or its end).
  std::chrono::duration<double> length(Steady now) const;
  const std::string& error() const { return error_; }  // what failed last

 private:
  bool in_gap_ = false;
  Steady began_{};
  Steady ended_{};
  std::uint64_t missed_ = 0;
  std::uint64_t missed_total_ = 0;
  std::uint64_t gaps_ = 0;
  std::string error_;
};

// "bus error at 2026-12-06T01:02:03.456+01:00: reading ...": the mark of a gap's start, a
// recording's comment line without its "# " and line end.
std::string BusErrorMark(std::string_view time, std::string_view what);
// "resumed at 2026-12-06T01:02:09.456+01:00 after 6.0 s, 6 samples missed".
std::string ResumedMark(std::string_view time, double seconds, std::uint64_t missed);

}  // namespace chip
