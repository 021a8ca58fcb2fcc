#include "widgets/page_scroll_area.h"

#include <QApplication>

namespace widgets {

PageScrollArea::PageScrollArea(QWidget* page, QWidget* parent) : QScrollArea(parent) {
  setObjectName(page->objectName().isEmpty() ? QStringLiteral("page_scroll")
                                             : page->objectName() + QStringLiteral("_scroll"));
  setFrameShape(QFrame::NoFrame);
  setWidgetResizable(true);
  setWidget(page);
  // Not a Tab stop of its own; the control that gets the focus is scrolled into view instead.
  setFocusPolicy(Qt::NoFocus);
  connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
    if (now != nullptr && widget() != nullptr && widget()->isAncestorOf(now)) {
      ensureWidgetVisible(now);
    }
  });
  // The page's background, not the scroll area's.
  viewport()->setAutoFillBackground(false);
  page->setAutoFillBackground(false);
}

QSize PageScrollArea::sizeHint() const {
  const QWidget* page = widget();
  if (page == nullptr) return QScrollArea::sizeHint();
  const QMargins m = contentsMargins();
  return page->sizeHint().expandedTo(page->minimumSizeHint()) +
         QSize(m.left() + m.right(), m.top() + m.bottom());
}

}  // namespace widgets
