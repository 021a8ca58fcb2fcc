#include "widgets/status_lamp.h"

#include <QAccessible>
#include <QMouseEvent>
#include <QPainter>

#include "widgets/widget_accessibility.h"

namespace widgets {

StatusLamp::StatusLamp(QWidget* parent) : QWidget(parent) {
  InstallWidgetAccessibility();
  setFocusPolicy(Qt::NoFocus);
  setMouseTracking(true);
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void StatusLamp::SetValue(bool on) {
  if (on == on_) return;
  on_ = on;
  if (QAccessible::isActive()) {
    QAccessible::State changed;
    changed.checked = true;
    QAccessibleStateChangeEvent event(this, changed);
    QAccessible::updateAccessibility(&event);
  }
  update();
}

void StatusLamp::UserFlip() {
  SetValue(!on_);
  emit clicked();
}

void StatusLamp::mousePressEvent(QMouseEvent* event) {
  pressed_ = event->button() == Qt::LeftButton;
  event->accept();
}

void StatusLamp::mouseReleaseEvent(QMouseEvent* event) {
  // A click is a press and a release over the lamp, as on a button.
  const bool click =
      pressed_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
  pressed_ = false;
  event->accept();
  if (click) UserFlip();
}

void StatusLamp::mouseMoveEvent(QMouseEvent* event) {
  emit mouseMoved();
  event->accept();
}

void StatusLamp::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing, true);
  const QRectF r = QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5);
  const QColor fill = on_ ? OnColor() : OffColor();
  const double radius = std::min(r.width(), r.height()) / 3.0;
  p.setPen(QPen(fill.darker(170), 1.5));
  p.setBrush(fill);
  p.drawRoundedRect(r, radius, radius);
  // A small highlight in the upper left corner, kept away from the middle so the lamp's centre
  // shows its colour unchanged.
  QColor shine = fill.lighter(on_ ? 140 : 125);
  p.setPen(Qt::NoPen);
  p.setBrush(shine);
  p.drawEllipse(QRectF(r.left() + r.width() * 0.12, r.top() + r.height() * 0.15, r.width() * 0.2,
                       r.height() * 0.2));
}

}  // namespace widgets
