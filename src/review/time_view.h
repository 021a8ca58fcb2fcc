#pragma once

#include <cstdint>

namespace review {

// The span of time the review shows, and how it moves. It follows the data's end (fitting all
// of it, or keeping its width) until the user zooms or pans; then it stays put until asked to
// fit or follow again.
class TimeView {
 public:
  enum class Follow { None, All, End };

  // The data now run from first to last (a recording that grew, or the first rows).
  void SetData(std::int64_t first, std::int64_t last);

  std::int64_t Start() const { return start_; }
  std::int64_t End() const { return end_; }
  std::int64_t Span() const { return end_ - start_; }
  Follow Following() const { return follow_; }

  // F, Home: all the data, and new data as it comes.
  void FitAll();
  // End: the newest data at the right edge, at the present width, and new data as it comes.
  void FollowEnd();
  // Zoom by factor (< 1: in) keeping time at the same place on screen.
  void ZoomAround(std::int64_t time, double factor);
  // Pan by a fraction of the span (negative: back in time).
  void Pan(double fraction);
  void PanBy(std::int64_t nanoseconds);
  // Show [a, b] (a rubber band, an alarm).
  void Show(std::int64_t a, std::int64_t b);
  // Centre on time keeping the width.
  void CentreOn(std::int64_t time);

  // The narrowest view: a millisecond.
  static constexpr std::int64_t kMinSpan = 1'000'000;
  // The widest: a hundred times the data, and never past a century, well inside 64-bit time.
  static constexpr std::int64_t kMaxSpan = std::int64_t{100} * 365 * 86400 * 1'000'000'000;
  std::int64_t MaxSpan() const;

 private:
  void Clamp();

  std::int64_t first_ = 0;
  std::int64_t last_ = 0;
  std::int64_t start_ = 0;
  std::int64_t end_ = 1'000'000'000;
  Follow follow_ = Follow::All;
};

}  // namespace review
