#pragma once

#include <QByteArray>
#include <QString>

class QPixmap;

namespace boxes {

// What a window exports (a picture, a CSV file), written whole or not at all: false, with what
// went wrong in error, when the file could not be written; an earlier file of that name is then
// left as it was.
bool WriteWhole(const QString& file, const QByteArray& bytes, QString& error);

// A view grabbed from the screen as PNG bytes, with a margin of the charts' black background all
// round, so no axis label touches the picture's edge.
QByteArray PngWithMargin(const QPixmap& view);

}  // namespace boxes
