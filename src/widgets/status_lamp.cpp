#include "widgets/status_lamp.h"

#include <QPainter>

namespace widgets {

StatusLamp::StatusLamp(QWidget* parent) : TwoStateWidget(Qt::NoFocus, parent) {}

QSize StatusLamp::sizeHint() const {
  const int line = fontMetrics().height();
  return {line * 5 / 2 + 4, line + 4};
}

void StatusLamp::UserClick() {
  SetValue(!Value());
  emit clicked();
}

void StatusLamp::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing, true);
  const QRectF r = QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5);
  const bool on = Value();
  const QColor fill = on ? OnColor() : OffColor();
  const double radius = std::min(r.width(), r.height()) / 3.0;
  p.setPen(QPen(fill.darker(170), 1.5));
  p.setBrush(fill);
  p.drawRoundedRect(r, radius, radius);
  // A small highlight in the upper left corner, kept away from the middle so the lamp's centre
  // shows its colour unchanged.
  QColor shine = fill.lighter(on ? 140 : 125);
  p.setPen(Qt::NoPen);
  p.setBrush(shine);
  p.drawEllipse(QRectF(r.left() + r.width() * 0.12, r.top() + r.height() * 0.15, r.width() * 0.2,
                       r.height() * 0.2));
}

}  // namespace widgets
