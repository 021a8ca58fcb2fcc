#include "boxes/export_file.h"

#include <QBuffer>
#include <QPainter>
#include <QPixmap>
#include <QSaveFile>

namespace boxes {

namespace {

constexpr int kMargin = 12;  // pixels

}  // namespace

bool WriteWhole(const QString& file, const QByteArray& bytes, QString& error) {
  QSaveFile out(file);
  if (out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size() && out.commit()) {
    return true;
  }
  error = out.errorString();
  return false;
}

QByteArray PngWithMargin(const QPixmap& view) {
  const qreal ratio = view.devicePixelRatio();
  QPixmap picture(view.size() + QSize(2 * kMargin, 2 * kMargin) * ratio);
  picture.setDevicePixelRatio(ratio);
  picture.fill(Qt::black);
  {
    QPainter painter(&picture);
    painter.drawPixmap(kMargin, kMargin, view);
  }
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  picture.save(&buffer, "PNG");
  return bytes;
}

}  // namespace boxes
