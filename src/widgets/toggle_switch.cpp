#include "widgets/toggle_switch.h"

#include <QKeyEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>

namespace widgets {

ToggleSwitch::ToggleSwitch(QWidget* parent) : TwoStateWidget(Qt::StrongFocus, parent) {}

void ToggleSwitch::SetPositionNames(const QString& on, const QString& off) {
  on_name_ = on;
  off_name_ = off;
}

void ToggleSwitch::UserToggle() {
  if (!isEnabled()) return;
  SetValue(!Value());
  emit toggled(Value());
}

void ToggleSwitch::SetOrientation(Qt::Orientation orientation) {
  if (orientation == orientation_) return;
  orientation_ = orientation;
  updateGeometry();
  update();
}

void ToggleSwitch::SetInverted(bool inverted) {
  inverted_ = inverted;
  update();
}

QSize ToggleSwitch::sizeHint() const {
  return orientation_ == Qt::Horizontal ? QSize(44, 22) : QSize(22, 44);
}

QSize ToggleSwitch::minimumSizeHint() const {
  return sizeHint();
}

void ToggleSwitch::keyPressEvent(QKeyEvent* event) {
  // Space flips the switch on release, like a button; holding it down repeats nothing.
  if (event->key() == Qt::Key_Space && !event->isAutoRepeat()) {
    space_down_ = true;
    event->accept();
    return;
  }
  if (event->key() == Qt::Key_Space) {
    event->accept();
    return;
  }
  QWidget::keyPressEvent(event);
}

void ToggleSwitch::keyReleaseEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Space && !event->isAutoRepeat()) {
    const bool was_down = space_down_;
    space_down_ = false;
    event->accept();
    if (was_down) UserToggle();
    return;
  }
  QWidget::keyReleaseEvent(event);
}

void ToggleSwitch::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing, true);
  const QPalette& pal = palette();
  const bool horizontal = orientation_ == Qt::Horizontal;
  const QRectF r = QRectF(rect()).adjusted(2.5, 2.5, -2.5, -2.5);
  const double radius = (horizontal ? r.height() : r.width()) / 2.0;

  // The slot.
  p.setPen(QPen(pal.color(QPalette::Dark), 1));
  p.setBrush(Value() ? QColor(60, 140, 60) : pal.color(QPalette::Mid));
  p.drawRoundedRect(r, radius, radius);

  // The lever sits at the end that means on (right or top, unless inverted) when on.
  const bool at_far_end = Value() != inverted_;  // far end: right, or top
  const double d = 2.0 * radius - 4.0;
  QRectF knob(0, 0, d, d);
  if (horizontal) {
    knob.moveCenter(QPointF(at_far_end ? r.right() - radius : r.left() + radius, r.center().y()));
  } else {
    knob.moveCenter(QPointF(r.center().x(), at_far_end ? r.top() + radius : r.bottom() - radius));
  }
  p.setPen(QPen(pal.color(QPalette::Shadow), 1));
  p.setBrush(isEnabled() ? pal.color(QPalette::Button).lighter(110) : pal.color(QPalette::Mid));
  p.drawEllipse(knob);

  if (hasFocus()) {
    p.setRenderHint(QPainter::Antialiasing, false);
    QStyleOptionFocusRect option;
    option.initFrom(this);
    option.rect = rect();
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &p, this);
  }
}

}  // namespace widgets
