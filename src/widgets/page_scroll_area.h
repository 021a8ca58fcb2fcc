#pragma once

#include <QScrollArea>

namespace widgets {

// A page of a tab control that scrolls when the window is smaller than the page needs, so a
// window of many controls still fits a small screen. While there is room it looks and sizes as
// the page alone would: no frame, and the page's own size hint (not the scroll area's usual cap
// of a few dozen lines), so the window opens as large as before. The control with the focus is
// kept in view.
class PageScrollArea : public QScrollArea {
  Q_OBJECT

 public:
  explicit PageScrollArea(QWidget* page, QWidget* parent = nullptr);

  QSize sizeHint() const override;
};

}  // namespace widgets
