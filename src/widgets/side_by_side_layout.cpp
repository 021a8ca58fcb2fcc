#include "widgets/side_by_side_layout.h"

#include <QStyle>
#include <QWidget>
#include <algorithm>

namespace widgets {

SideBySideLayout::SideBySideLayout(QWidget* parent) : QLayout(parent) {}

SideBySideLayout::~SideBySideLayout() {
  while (!items_.isEmpty()) delete items_.takeLast();
}

void SideBySideLayout::addItem(QLayoutItem* item) {
  items_.append(item);
}

void SideBySideLayout::AddLayout(QLayout* layout) {
  addChildLayout(layout);
  addItem(layout);
}

QLayoutItem* SideBySideLayout::itemAt(int index) const {
  return index >= 0 && index < items_.size() ? items_.at(index) : nullptr;
}

QLayoutItem* SideBySideLayout::takeAt(int index) {
  return index >= 0 && index < items_.size() ? items_.takeAt(index) : nullptr;
}

int SideBySideLayout::count() const {
  return static_cast<int>(items_.size());
}

int SideBySideLayout::Spacing() const {
  const int s = spacing();
  if (s >= 0) return s;
  const QWidget* w = parentWidget();
  return w != nullptr ? w->style()->pixelMetric(QStyle::PM_LayoutHorizontalSpacing, nullptr, w) : 6;
}

int SideBySideLayout::HeightAt(const QLayoutItem* item, int width) {
  const int natural = item->sizeHint().height();
  return item->hasHeightForWidth()
             ? std::max(item->heightForWidth(width), item->minimumSize().height())
             : natural;
}

bool SideBySideLayout::SideBySideAt(int width) const {
  if (items_.size() < 2) return true;
  const QMargins m = contentsMargins();
  return width - m.left() - m.right() >=
         items_[0]->sizeHint().width() + Spacing() + items_[1]->minimumSize().width();
}

QSize SideBySideLayout::sizeHint() const {
  QSize size;
  for (const QLayoutItem* item : items_) {
    const QSize hint = item->sizeHint();
    size = QSize(size.width() + hint.width(), std::max(size.height(), hint.height()));
  }
  if (items_.size() == 2) size.rwidth() += Spacing();
  const QMargins m = contentsMargins();
  return size + QSize(m.left() + m.right(), m.top() + m.bottom());
}

QSize SideBySideLayout::minimumSize() const {
  // As narrow as the wider of the two allows, one below the other; the height that takes at a
  // width is heightForWidth's.
  QSize size;
  for (const QLayoutItem* item : items_) size = size.expandedTo(item->minimumSize());
  const QMargins m = contentsMargins();
  return size + QSize(m.left() + m.right(), m.top() + m.bottom());
}

Qt::Orientations SideBySideLayout::expandingDirections() const {
  return Qt::Horizontal | Qt::Vertical;
}

bool SideBySideLayout::hasHeightForWidth() const {
  return true;
}

int SideBySideLayout::heightForWidth(int width) const {
  const QMargins m = contentsMargins();
  const int inner = width - m.left() - m.right();
  int height = 0;
  if (items_.size() < 2) {
    height = items_.isEmpty() ? 0 : items_[0]->minimumSize().height();
  } else if (SideBySideAt(width)) {
    const int list = std::min(items_[0]->sizeHint().width(), inner);
    height =
        std::max(items_[0]->minimumSize().height(), HeightAt(items_[1], inner - list - Spacing()));
  } else {
    height = HeightAt(items_[1], inner) + Spacing() + items_[0]->minimumSize().height();
  }
  return height + m.top() + m.bottom();
}

void SideBySideLayout::setGeometry(const QRect& rect) {
  QLayout::setGeometry(rect);
  if (items_.isEmpty()) return;
  const QRect inner = rect.marginsRemoved(contentsMargins());
  if (items_.size() < 2) {
    items_[0]->setGeometry(inner);
    return;
  }
  if (SideBySideAt(rect.width())) {
    const int list = std::min(items_[0]->sizeHint().width(), inner.width());
    items_[0]->setGeometry(QRect(inner.left(), inner.top(), list, inner.height()));
    const int left = inner.left() + list + Spacing();
    items_[1]->setGeometry(QRect(left, inner.top(), inner.right() + 1 - left, inner.height()));
  } else {
    // The inspector on top at the height it needs; the list below takes what is left.
    const int top_height = HeightAt(items_[1], inner.width());
    items_[1]->setGeometry(QRect(inner.left(), inner.top(), inner.width(), top_height));
    const int top = inner.top() + top_height + Spacing();
    items_[0]->setGeometry(
        QRect(inner.left(), top, inner.width(), std::max(0, inner.bottom() + 1 - top)));
  }
}

}  // namespace widgets
