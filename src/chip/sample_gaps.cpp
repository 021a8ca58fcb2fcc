#include "chip/sample_gaps.h"

#include <cstdio>

namespace chip {

SampleGaps::Change SampleGaps::Failed(std::string_view what, Steady now) {
  error_.assign(what);
  ++missed_total_;
  if (in_gap_) {
    ++missed_;
    return Change::None;
  }
  in_gap_ = true;
  began_ = now;
  missed_ = 1;
  ++gaps_;
  return Change::Lost;
}

SampleGaps::Change SampleGaps::Answered(Steady now) {
  if (!in_gap_) return Change::None;
  in_gap_ = false;
  ended_ = now;
  return Change::Resumed;
}

std::chrono::duration<double> SampleGaps::length(Steady now) const {
  if (gaps_ == 0) return {};
  return (in_gap_ ? now : ended_) - began_;
}

std::string BusErrorMark(std::string_view time, std::string_view what) {
  std::string text = "bus error at ";
  text.append(time).append(": ");
  // One line whatever the message holds: a line break would end the comment.
  for (const char c : what) text.push_back(c == '\n' || c == '\r' ? ' ' : c);
  return text;
}

std::string ResumedMark(std::string_view time, double seconds, std::uint64_t missed) {
  char figures[96];
  std::snprintf(figures, sizeof figures, " after %.1f s, %llu sample%s missed", seconds,
                static_cast<unsigned long long>(missed), missed == 1 ? "" : "s");
  std::string text = "resumed at ";
  text.append(time).append(figures);
  return text;
}

}  // namespace chip
