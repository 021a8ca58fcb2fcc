#pragma once

#include <QPixmap>
#include <QPoint>
#include <QSize>

class QWidget;

namespace widgets {

// A copy of what a widget's ancestors paint behind it, for a widget that changes often and
// would otherwise be see-through: Qt repaints the parents under a see-through widget at each of
// its changes, and a tab page's frame costs more to paint than a gauge. The widget marks
// itself opaque and draws this copy first.
//
// The copy is taken again when the widget moves within its window or changes size, when the
// window changes size or comes and goes from the foreground, and after Invalidate() (a palette
// or style change). Widgets that overlap it as siblings are not in the copy.
class BackdropCopy {
 public:
  // The copy for widget, taken now if the one kept is out of date.
  const QPixmap& Of(QWidget& widget);
  void Invalidate() { valid_ = false; }

 private:
  struct Key {
    QPoint position;  // in the window
    QSize size;
    QSize window_size;
    bool active = false;
    qreal pixel_ratio = 1.0;
    bool operator==(const Key&) const = default;
  };

  QPixmap pixmap_;
  Key key_;
  bool valid_ = false;
};

}  // namespace widgets
