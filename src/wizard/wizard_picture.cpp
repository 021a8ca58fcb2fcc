#include "wizard/wizard_picture.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace wizard {

WizardPicture::WizardPicture(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void WizardPicture::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF r = rect();
  const double w = r.width();
  const double h = r.height();

  QLinearGradient sky(r.topLeft(), r.bottomLeft());
  sky.setColorAt(0.0, QColor(18, 44, 84));
  sky.setColorAt(0.55, QColor(22, 94, 120));
  sky.setColorAt(1.0, QColor(40, 150, 130));
  p.fillRect(r, sky);

  // A faint trace of a measured signal across the lower part.
  QPainterPath wave;
  const double base = h * 0.72;
  wave.moveTo(0, base);
  for (int i = 1; i <= 24; ++i) {
    const double x = w * i / 24.0;
    const double y = base + ((i % 4 == 1) ? -h * 0.05 : (i % 4 == 3) ? h * 0.03 : 0.0);
    wave.lineTo(x, y);
  }
  p.setPen(QPen(QColor(170, 235, 210, 150), std::max(1.0, w / 40.0)));
  p.drawPath(wave);

  // The chip: a square body with four pins a side and its pin-1 mark.
  const double side = w * 0.56;
  const QRectF body((w - side) / 2, h * 0.22, side, side);
  const double pin_len = side * 0.16;
  const double pin_w = side * 0.09;
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(205, 215, 225));
  for (int i = 0; i < 4; ++i) {
    const double along = side * (0.2 + 0.2 * i) - pin_w / 2;
    p.drawRect(QRectF(body.left() - pin_len, body.top() + along, pin_len, pin_w));
    p.drawRect(QRectF(body.right(), body.top() + along, pin_len, pin_w));
    p.drawRect(QRectF(body.left() + along, body.top() - pin_len, pin_w, pin_len));
    p.drawRect(QRectF(body.left() + along, body.bottom(), pin_w, pin_len));
  }
  p.setBrush(QColor(30, 32, 38));
  p.setPen(QPen(QColor(90, 100, 115), 1));
  p.drawRoundedRect(body, side * 0.06, side * 0.06);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(120, 130, 145));
  const double dot = side * 0.12;
  p.drawEllipse(QRectF(body.left() + dot * 0.7, body.top() + dot * 0.7, dot, dot));
  // A small thermometer on the chip: it watches temperatures among other things.
  p.setBrush(QColor(230, 90, 70));
  const QRectF bulb(body.center().x() - dot * 0.6, body.center().y() + dot * 0.4, dot * 1.2,
                    dot * 1.2);
  p.drawRect(
      QRectF(body.center().x() - dot * 0.2, body.center().y() - dot * 1.3, dot * 0.4, dot * 2.0));
  p.drawEllipse(bulb);
}

}  // namespace wizard
