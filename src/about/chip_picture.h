#pragma once

#include <QPixmap>
#include <QSize>

namespace about {

// The program's picture: the chip in its package with its pins, drawn at the size asked for (in
// device-independent pixels) and the given pixel density (0: the highest of the screens'), so it
// stays sharp on any screen without an image file to ship.
QPixmap ChipPicture(const QSize& size, qreal device_pixel_ratio = 0);

}  // namespace about
