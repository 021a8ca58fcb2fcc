#include "about/chip_picture.h"

#include <QFont>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QPen>

#include "about/program_identity.h"

namespace about {

QPixmap ChipPicture(const QSize& size, qreal device_pixel_ratio) {
  // Drawn at the screen's own pixel density, so it stays sharp on a screen scaled 2x.
  const qreal ratio = device_pixel_ratio > 0 ? device_pixel_ratio : qApp->devicePixelRatio();
  QPixmap pixmap((QSizeF(size) * ratio).toSize());
  pixmap.setDevicePixelRatio(ratio);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);

  const qreal w = size.width();
  const qreal h = size.height();
  const qreal pin_length = qMin(w, h) * 0.12;
  const QRectF body(pin_length, pin_length, w - 2 * pin_length, h - 2 * pin_length);

  // Eight pins on each side, like the small packages the part comes in.
  constexpr int kPinsPerSide = 8;
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0xB8, 0xB8, 0xB0));
  const qreal pitch_x = body.width() / kPinsPerSide;
  const qreal pitch_y = body.height() / kPinsPerSide;
  for (int i = 0; i < kPinsPerSide; ++i) {
    const qreal x = body.left() + pitch_x * (i + 0.3);
    const qreal y = body.top() + pitch_y * (i + 0.3);
    p.drawRect(QRectF(x, 0, pitch_x * 0.4, pin_length));
    p.drawRect(QRectF(x, body.bottom(), pitch_x * 0.4, pin_length));
    p.drawRect(QRectF(0, y, pin_length, pitch_y * 0.4));
    p.drawRect(QRectF(body.right(), y, pin_length, pitch_y * 0.4));
  }

  QLinearGradient shade(body.topLeft(), body.bottomRight());
  shade.setColorAt(0, QColor(0x3A, 0x3A, 0x40));
  shade.setColorAt(1, QColor(0x15, 0x15, 0x18));
  p.setBrush(shade);
  p.setPen(QPen(QColor(0x55, 0x55, 0x5C), 1));
  p.drawRoundedRect(body, 3, 3);

  // Pin 1 mark.
  p.setBrush(QColor(0x70, 0x70, 0x78));
  p.setPen(Qt::NoPen);
  const qreal dot = body.width() * 0.08;
  p.drawEllipse(QRectF(body.left() + dot, body.top() + dot, dot, dot));

  QFont font = p.font();
  font.setBold(true);
  font.setPixelSize(qMax(6, static_cast<int>(qMin(body.height() * 0.2, body.width() / 6.5))));
  p.setFont(font);
  p.setPen(QColor(0xE8, 0xE8, 0xE0));
  p.drawText(body, Qt::AlignCenter, QLatin1String(kChipName));
  return pixmap;
}

}  // namespace about
