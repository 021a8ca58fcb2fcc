#include "widgets/linear_gauge.h"

#include <QFontMetrics>
#include <algorithm>
#include <cmath>

#include "widgets/linear_gauge_parts.h"

// Where the gauge's parts sit, and which of them lies under a point.
namespace widgets {

using namespace gauge_parts;

QRect LinearGauge::CaptionRect() const {
  const int height = fontMetrics().height();
  return QRect(0, LayoutRows(height).caption_top, width(), height);
}

void LinearGauge::KeepRoomForScale() {
  // Worked out when the scale or the font changes, not on every reading.
  const QFontMetrics fm = fontMetrics();
  scale_room_left_ = std::max(
      kSideMargin, fm.horizontalAdvance(ScaleText(scale_min_)) + kScaleGap + kHandleHalf + 1);
  scale_room_right_ = std::max(
      kSideMargin, fm.horizontalAdvance(ScaleText(scale_max_)) + kScaleGap + kHandleHalf + 1);
  backdrop_.Invalidate();
  updateGeometry();
  update();
}

QRect LinearGauge::TrackRect() const {
  const Rows r = LayoutRows(fontMetrics().height());
  return QRect(scale_room_left_, r.track_top,
               std::max(1, width() - scale_room_left_ - scale_room_right_), kTrackHeight);
}

QRect LinearGauge::ScaleTextRect(bool high_end) const {
  const QRect track = TrackRect();
  const QFontMetrics fm = fontMetrics();
  const int w = fm.horizontalAdvance(ScaleText(high_end ? scale_max_ : scale_min_));
  const int top = track.center().y() - fm.height() / 2;
  const int left = high_end ? track.right() + kHandleHalf + 1 + kScaleGap
                            : track.left() - kHandleHalf - kScaleGap - w;
  return QRect(left, top, w, fm.height());
}

QRect LinearGauge::PointerTextRect(int slot) const {
  const QRect h = HandleRect(slot);
  if (h.isEmpty()) return QRect();
  const QFontMetrics fm = fontMetrics();
  const Rows rows = LayoutRows(fm.height());
  const int w = fm.horizontalAdvance(PointerText(PointerValue(slot), Decimals(slot)));
  // Centred on the handle, but between the scale's ends.
  const QRect track = TrackRect();
  const int lowest = track.left() - kHandleHalf;
  const int highest = std::max(lowest, track.right() + kHandleHalf + 1 - w);
  const int left = std::clamp(h.center().x() - w / 2, lowest, highest);
  return QRect(left, slot == kLowPointer ? rows.low_text_top : rows.high_text_top, w, fm.height());
}

std::vector<std::pair<QString, QRect>> LinearGauge::Texts() const {
  std::vector<std::pair<QString, QRect>> texts;
  if (!caption_.isEmpty()) {
    const QRect strip = CaptionRect();
    const int w = std::min(strip.width(), fontMetrics().horizontalAdvance(caption_));
    texts.emplace_back(
        caption_, QRect(strip.left() + (strip.width() - w) / 2, strip.top(), w, strip.height()));
  }
  for (const int slot : {kHighPointer, kLowPointer}) {
    if (!SlotVisible(slot)) continue;
    texts.emplace_back(PointerText(PointerValue(slot), Decimals(slot)), PointerTextRect(slot));
  }
  texts.emplace_back(ScaleText(scale_min_), ScaleTextRect(false));
  texts.emplace_back(ScaleText(scale_max_), ScaleTextRect(true));
  return texts;
}

int LinearGauge::PositionOf(double value) const {
  const QRect track = TrackRect();
  if (!(scale_max_ > scale_min_)) return track.left();
  const double f = std::clamp((value - scale_min_) / (scale_max_ - scale_min_), 0.0, 1.0);
  return track.left() + static_cast<int>(std::lround(f * (track.width() - 1)));
}

double LinearGauge::ValueAt(double x) const {
  const QRect track = TrackRect();
  if (!(scale_max_ > scale_min_) || track.width() <= 1) return scale_min_;
  const double f = (x - track.left()) / (track.width() - 1);
  return scale_min_ + f * (scale_max_ - scale_min_);
}

QRect LinearGauge::HandleRect(int slot) const {
  if ((slot != kLowPointer && slot != kHighPointer) || !SlotVisible(slot)) return QRect();
  const Rows r = LayoutRows(fontMetrics().height());
  const int x = PositionOf(PointerValue(slot));
  const int top = slot == kHighPointer ? r.high_handle_top : r.low_handle_top;
  return QRect(x - kHandleHalf, top, 2 * kHandleHalf + 1, kHandleHeight);
}

QRect LinearGauge::BandRect(int slot) const {
  const QRect track = TrackRect();
  const int x0 = PositionOf(std::min(BandStart(slot), BandEnd(slot)));
  const int x1 = PositionOf(std::max(BandStart(slot), BandEnd(slot)));
  const int half = track.height() / 2;
  // Band 0 on the upper half of the track, band 1 on the lower half.
  return QRect(x0, slot == kBand0 ? track.top() : track.top() + half, x1 - x0 + 1,
               slot == kBand0 ? half : track.height() - half);
}

bool LinearGauge::HitBand(const QPoint& p, int& slot, Grab& grab) const {
  for (const int b : {kBand0, kBand1}) {
    if (!Operable(b)) continue;
    const QRect band = BandRect(b);
    if (p.y() < band.top() || p.y() > band.bottom()) continue;
    const int start = PositionOf(BandStart(b));
    const int end = PositionOf(BandEnd(b));
    const int to_start = std::abs(p.x() - start);
    const int to_end = std::abs(p.x() - end);
    if (std::min(to_start, to_end) > kBandGrab) continue;
    slot = b;
    grab = to_end <= to_start ? Grab::BandEnd : Grab::BandStart;
    return true;
  }
  return false;
}

QSize LinearGauge::sizeHint() const {
  return QSize(320, LayoutRows(fontMetrics().height()).bottom);
}

QSize LinearGauge::minimumSizeHint() const {
  return QSize(scale_room_left_ + scale_room_right_ + 60,
               LayoutRows(fontMetrics().height()).bottom);
}

}  // namespace widgets
