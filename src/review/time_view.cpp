#include "review/time_view.h"

#include <algorithm>
#include <cmath>

namespace review {

void TimeView::SetData(std::int64_t first, std::int64_t last) {
  first_ = first;
  last_ = std::max(first, last);
  switch (follow_) {
    case Follow::All:
      start_ = first_;
      end_ = std::max(last_, first_ + kMinSpan);
      break;
    case Follow::End: {
      const std::int64_t span = Span();
      end_ = std::max(last_, first_ + kMinSpan);
      start_ = end_ - span;
      break;
    }
    case Follow::None:
      break;
  }
}

void TimeView::FitAll() {
  follow_ = Follow::All;
  SetData(first_, last_);
}

void TimeView::FollowEnd() {
  follow_ = Follow::End;
  SetData(first_, last_);
}

void TimeView::ZoomAround(std::int64_t time, double factor) {
  if (!(factor > 0.0)) return;
  follow_ = Follow::None;
  const double span = std::clamp(static_cast<double>(Span()) * factor,
                                 static_cast<double>(kMinSpan), static_cast<double>(MaxSpan()));
  const double at = static_cast<double>(time - start_) / static_cast<double>(Span());
  start_ = time - static_cast<std::int64_t>(std::llround(at * span));
  end_ = start_ + static_cast<std::int64_t>(std::llround(span));
  Clamp();
}

void TimeView::Pan(double fraction) {
  PanBy(static_cast<std::int64_t>(std::llround(fraction * static_cast<double>(Span()))));
}

void TimeView::PanBy(std::int64_t nanoseconds) {
  follow_ = Follow::None;
  start_ += nanoseconds;
  end_ += nanoseconds;
  Clamp();
}

void TimeView::Show(std::int64_t a, std::int64_t b) {
  follow_ = Follow::None;
  start_ = std::min(a, b);
  end_ = std::max({a, b, start_ + kMinSpan});
  Clamp();
}

void TimeView::CentreOn(std::int64_t time) {
  follow_ = Follow::None;
  const std::int64_t span = Span();
  start_ = time - span / 2;
  end_ = start_ + span;
  Clamp();
}

std::int64_t TimeView::MaxSpan() const {
  const std::int64_t data = last_ - first_;
  return data > kMaxSpan / 100
             ? kMaxSpan
             : std::max<std::int64_t>(100 * data, std::int64_t{3600} * 1'000'000'000);
}

void TimeView::Clamp() {
  // The view may reach past either end of the data by at most its own width, so the data never
  // scroll out of sight altogether.
  const std::int64_t span = std::clamp(Span(), kMinSpan, MaxSpan());
  const std::int64_t data = last_ - first_;
  if (span > 2 * std::max(data, kMinSpan) + kMinSpan) {
    start_ = first_ - (span - data) / 2;
  } else {
    start_ = std::clamp(start_, first_ - span / 2, std::max(first_ - span / 2, last_ - span / 2));
  }
  end_ = start_ + span;
}

}  // namespace review
