#include "widgets/linear_gauge.h"

#include <algorithm>
#include <cmath>

#include "widgets/linear_gauge_parts.h"
#include "widgets/widget_accessibility.h"

// The gauge's state: its slots, scale, reading and caption. Where the parts sit is in
// linear_gauge_geometry.cpp, the drawing in linear_gauge_paint.cpp, the mouse and the keys in
// linear_gauge_input.cpp, and what accessibility tools hear in linear_gauge_notices.cpp.
namespace widgets {

using namespace gauge_parts;

LinearGauge::LinearGauge(QWidget* parent) : QWidget(parent) {
  InstallWidgetAccessibility();
  setFocusPolicy(Qt::StrongFocus);
  setMouseTracking(true);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  // The gauge draws what lies behind it itself (backdrop_): a new reading repaints the gauge's
  // strip alone, not the tab page under it.
  setAttribute(Qt::WA_OpaquePaintEvent);
  for (Slot& s : slots_) s.band_end = scale_max_;
  KeepRoomForScale();
}

double LinearGauge::Clamp(double value) const {
  // While a caller sets the ends one at a time the scale may be upside down for a moment;
  // nothing is clamped then.
  if (!(scale_min_ <= scale_max_)) return value;
  return std::clamp(value, scale_min_, scale_max_);
}

double LinearGauge::RoundToStep(int slot, double value) const {
  const Slot& s = slots_[static_cast<std::size_t>(slot)];
  if (s.step > 0.0) return std::round(value / s.step) * s.step;
  // Dividing by a power of ten gives the double nearest the decimal value, which multiplying
  // by its inverse does not.
  const double scale = std::pow(10.0, s.decimals);
  return std::round(value * scale) / scale;
}

bool LinearGauge::Operable(int slot) const {
  if (!ValidSlot(slot) || !isEnabled()) return false;
  const Slot& s = slots_[static_cast<std::size_t>(slot)];
  return s.visible && s.draggable;
}

void LinearGauge::SetPointerValue(int slot, double value) {
  if (!ValidSlot(slot) || !std::isfinite(value)) return;
  slots_[static_cast<std::size_t>(slot)].value = Clamp(value);
  NotifyAccessibleValue(slot);
  update();
}

double LinearGauge::PointerValue(int slot) const {
  return ValidSlot(slot) ? slots_[static_cast<std::size_t>(slot)].value : 0.0;
}

void LinearGauge::SetBandStart(int slot, double value) {
  if (!ValidSlot(slot) || !std::isfinite(value)) return;
  slots_[static_cast<std::size_t>(slot)].band_start = Clamp(value);
  update();
}

void LinearGauge::SetBandEnd(int slot, double value) {
  if (!ValidSlot(slot) || !std::isfinite(value)) return;
  slots_[static_cast<std::size_t>(slot)].band_end = Clamp(value);
  update();
}

double LinearGauge::BandStart(int slot) const {
  return ValidSlot(slot) ? slots_[static_cast<std::size_t>(slot)].band_start : 0.0;
}

double LinearGauge::BandEnd(int slot) const {
  return ValidSlot(slot) ? slots_[static_cast<std::size_t>(slot)].band_end : 0.0;
}

void LinearGauge::SetDecimals(int slot, int decimals) {
  if (!ValidSlot(slot)) return;
  slots_[static_cast<std::size_t>(slot)].decimals = std::clamp(decimals, 0, 6);
  update();
}

int LinearGauge::Decimals(int slot) const {
  return ValidSlot(slot) ? slots_[static_cast<std::size_t>(slot)].decimals : 0;
}

void LinearGauge::SetStep(int slot, double step) {
  if (!ValidSlot(slot) || !std::isfinite(step)) return;
  slots_[static_cast<std::size_t>(slot)].step = std::max(0.0, step);
}

double LinearGauge::Step(int slot) const {
  if (!ValidSlot(slot)) return 0.0;
  const Slot& s = slots_[static_cast<std::size_t>(slot)];
  return s.step > 0.0 ? s.step : std::pow(10.0, -s.decimals);
}

void LinearGauge::SetDraggable(int slot, bool draggable) {
  if (!ValidSlot(slot)) return;
  slots_[static_cast<std::size_t>(slot)].draggable = draggable;
  if (grab_slot_ == slot && !draggable) grab_ = Grab::None;
  update();
}

bool LinearGauge::Draggable(int slot) const {
  return ValidSlot(slot) && slots_[static_cast<std::size_t>(slot)].draggable;
}

void LinearGauge::SetSlotVisible(int slot, bool visible) {
  if (!ValidSlot(slot)) return;
  slots_[static_cast<std::size_t>(slot)].visible = visible;
  if (grab_slot_ == slot && !visible) grab_ = Grab::None;
  update();
}

bool LinearGauge::SlotVisible(int slot) const {
  return ValidSlot(slot) && slots_[static_cast<std::size_t>(slot)].visible;
}

void LinearGauge::SetScaleMin(double value) {
  if (!std::isfinite(value)) return;
  const bool changed = value != scale_min_;
  scale_min_ = value;
  if (changed) KeepRoomForScale();
  KeepSlotsOnScale();
}

void LinearGauge::SetScaleMax(double value) {
  if (!std::isfinite(value)) return;
  const bool changed = value != scale_max_;
  scale_max_ = value;
  if (changed) KeepRoomForScale();
  KeepSlotsOnScale();
}

void LinearGauge::KeepSlotsOnScale() {
  for (Slot& s : slots_) {
    s.value = Clamp(s.value);
    s.band_start = Clamp(s.band_start);
    s.band_end = Clamp(s.band_end);
  }
  update();
}

void LinearGauge::SetReading(double value) {
  if (!std::isfinite(value) || value == reading_) return;
  reading_ = value;
  NoticeReadingChange(false);
  MarkStrip(reading_marked_, &LinearGauge::TrackRect);
}

void LinearGauge::SetCaption(const QString& caption) {
  if (caption == caption_) return;
  caption_ = caption;
  NoticeReadingChange(true);
  MarkStrip(caption_marked_, &LinearGauge::CaptionRect);
}

void LinearGauge::MarkStrip(bool& marked, QRect (LinearGauge::*strip)() const) {
  if (marked) return;
  marked = true;
  update((this->*strip)());
}

void LinearGauge::SetSelectedPointer(int slot) {
  if (slot != kLowPointer && slot != kHighPointer) return;
  selected_ = slot;
  update();
}

}  // namespace widgets
