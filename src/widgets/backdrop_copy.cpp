#include "widgets/backdrop_copy.h"

#include <QPainter>
#include <QWidget>
#include <vector>

namespace widgets {

const QPixmap& BackdropCopy::Of(QWidget& widget) {
  QWidget* window = widget.window();
  const Key key{widget.mapTo(window, QPoint()), widget.size(), window->size(),
                window->isActiveWindow(), widget.devicePixelRatioF()};
  if (valid_ && key == key_) return pixmap_;
  key_ = key;
  valid_ = true;
  pixmap_ = QPixmap(widget.size() * key.pixel_ratio);
  pixmap_.setDevicePixelRatio(key.pixel_ratio);
  QPainter painter(&pixmap_);
  // A window of its own shows its background; otherwise each ancestor from the window down
  // paints its part, without its children, as it does on screen: only the window and the
  // ancestors that fill their background draw one.
  painter.fillRect(QRect(QPoint(), widget.size()), widget.palette().brush(widget.backgroundRole()));
  std::vector<QWidget*> ancestors;
  for (QWidget* a = &widget; !a->isWindow();) {
    a = a->parentWidget();
    ancestors.push_back(a);
  }
  for (auto it = ancestors.rbegin(); it != ancestors.rend(); ++it) {
    QWidget* a = *it;
    const QRect under(widget.mapTo(a, QPoint()), widget.size());
    a->render(&painter, QPoint(), QRegion(under),
              a->isWindow() ? QWidget::DrawWindowBackground : QWidget::RenderFlags());
  }
  return pixmap_;
}

}  // namespace widgets
