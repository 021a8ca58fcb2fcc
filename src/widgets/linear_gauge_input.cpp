#include "widgets/linear_gauge.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <algorithm>
#include <cmath>

#include "widgets/linear_gauge_parts.h"

// What the user does to the gauge: dragging a handle or a band end, key steps, focus.
namespace widgets {

using namespace gauge_parts;

bool LinearGauge::UserSetPointer(int slot, double value) {
  if ((slot != kLowPointer && slot != kHighPointer) || !Operable(slot) || !std::isfinite(value)) {
    return false;
  }
  AnnounceUserValue(slot, Clamp(RoundToStep(slot, value)));
  return true;
}

void LinearGauge::AnnounceUserValue(int slot, double value) {
  if (value == PointerValue(slot)) return;
  SetPointerValue(slot, value);
  current_ = slot;
  emit pointerMoved(slot, PointerValue(slot));
  current_ = slot;
  emit valueChanged(slot, PointerValue(slot));
}

void LinearGauge::MoveGrabbed(double raw) {
  const std::size_t i = static_cast<std::size_t>(grab_slot_);
  double now = 0.0;
  double v = 0.0;
  switch (grab_) {
    case Grab::None:
      return;
    case Grab::Pointer:
      now = slots_[i].value;
      v = Clamp(RoundToStep(grab_slot_, raw));
      if (v == now) return;
      SetPointerValue(grab_slot_, v);
      v = PointerValue(grab_slot_);
      break;
    case Grab::BandStart:
      // A band end moves in the steps of the pointer at the same end and never passes the other.
      now = slots_[i].band_start;
      v = std::min(Clamp(RoundToStep(kLowPointer, raw)), slots_[i].band_end);
      if (v == now) return;
      SetBandStart(grab_slot_, v);
      break;
    case Grab::BandEnd:
      now = slots_[i].band_end;
      v = std::max(Clamp(RoundToStep(kHighPointer, raw)), slots_[i].band_start);
      if (v == now) return;
      SetBandEnd(grab_slot_, v);
      break;
  }
  grab_moved_ = true;
  current_ = grab_slot_;
  emit pointerMoved(grab_slot_, v);
}

void LinearGauge::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    QWidget::mousePressEvent(event);
    return;
  }
  const QPoint p = event->position().toPoint();
  grab_ = Grab::None;
  for (const int slot : {kHighPointer, kLowPointer}) {
    if (Operable(slot) && HandleRect(slot).contains(p)) {
      grab_slot_ = slot;
      grab_ = Grab::Pointer;
      grab_offset_ = event->position().x() - PositionOf(PointerValue(slot));
      selected_ = slot;
      break;
    }
  }
  int band = 0;
  Grab which = Grab::None;
  if (grab_ == Grab::None && HitBand(p, band, which)) {
    grab_slot_ = band;
    grab_ = which;
    const double at = which == Grab::BandStart ? BandStart(band) : BandEnd(band);
    grab_offset_ = event->position().x() - PositionOf(at);
  }
  grab_moved_ = false;
  grab_last_x_ = p.x();
  if (grab_ != Grab::None) {
    setFocus(Qt::MouseFocusReason);
    update();
  }
  event->accept();
}

void LinearGauge::mouseMoveEvent(QMouseEvent* event) {
  emit mouseMoved();
  const int x = event->position().toPoint().x();
  if (grab_ != Grab::None && (event->buttons() & Qt::LeftButton) && x != grab_last_x_) {
    grab_last_x_ = x;
    MoveGrabbed(ValueAt(event->position().x() - grab_offset_));
  }
  event->accept();
}

void LinearGauge::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || grab_ == Grab::None) {
    QWidget::mouseReleaseEvent(event);
    return;
  }
  if (event->position().toPoint().x() != grab_last_x_) {
    MoveGrabbed(ValueAt(event->position().x() - grab_offset_));
  }
  const Grab grab = grab_;
  const int slot = grab_slot_;
  const bool moved = grab_moved_;
  grab_ = Grab::None;
  grab_slot_ = -1;
  grab_moved_ = false;
  if (moved) {
    double v = PointerValue(slot);
    if (grab == Grab::BandStart) v = BandStart(slot);
    if (grab == Grab::BandEnd) v = BandEnd(slot);
    current_ = slot;
    emit valueChanged(slot, v);
  }
  event->accept();
}

void LinearGauge::keyPressEvent(QKeyEvent* event) {
  if (!Operable(selected_)) {
    const int other = selected_ == kLowPointer ? kHighPointer : kLowPointer;
    if (!Operable(other)) {
      QWidget::keyPressEvent(event);
      return;
    }
    selected_ = other;
  }
  const double v = PointerValue(selected_);
  int steps = 0;
  switch (event->key()) {
    case Qt::Key_Right:
    case Qt::Key_Up:
      steps = 1;
      break;
    case Qt::Key_Left:
    case Qt::Key_Down:
      steps = -1;
      break;
    case Qt::Key_PageUp:
      steps = kPageSteps;
      break;
    case Qt::Key_PageDown:
      steps = -kPageSteps;
      break;
    case Qt::Key_Home:
      UserSetPointer(selected_, scale_min_);
      event->accept();
      return;
    case Qt::Key_End:
      UserSetPointer(selected_, scale_max_);
      event->accept();
      return;
    default:
      QWidget::keyPressEvent(event);
      return;
  }
  if (key_stepper_) {
    const double target = key_stepper_(selected_, v, steps);
    if (std::isfinite(target)) AnnounceUserValue(selected_, Clamp(target));
  } else {
    UserSetPointer(selected_, v + steps * Step(selected_));
  }
  event->accept();
}

bool LinearGauge::focusNextPrevChild(bool next) {
  // Tab walks from the low to the high pointer before it leaves the gauge, Shift+Tab back.
  if (hasFocus()) {
    if (next && selected_ == kLowPointer && Operable(kHighPointer)) {
      SetSelectedPointer(kHighPointer);
      return true;
    }
    if (!next && selected_ == kHighPointer && Operable(kLowPointer)) {
      SetSelectedPointer(kLowPointer);
      return true;
    }
  }
  return QWidget::focusNextPrevChild(next);
}

void LinearGauge::focusInEvent(QFocusEvent* event) {
  if (event->reason() == Qt::TabFocusReason) {
    selected_ = Operable(kLowPointer) ? kLowPointer : kHighPointer;
  } else if (event->reason() == Qt::BacktabFocusReason) {
    selected_ = Operable(kHighPointer) ? kHighPointer : kLowPointer;
  }
  update();
  QWidget::focusInEvent(event);
}

void LinearGauge::focusOutEvent(QFocusEvent* event) {
  update();
  QWidget::focusOutEvent(event);
}

}  // namespace widgets
