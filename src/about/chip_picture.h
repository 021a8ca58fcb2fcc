#pragma once

#include <QPixmap>
#include <QSize>

namespace about {

// The program's picture: the chip in its package with its pins, drawn at the size asked for, so
// it stays sharp on any screen without an image file to ship.
QPixmap ChipPicture(const QSize& size);

}  // namespace about
