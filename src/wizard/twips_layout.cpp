#include "wizard/twips_layout.h"

#include <QWidget>
#include <QWidgetItem>
#include <cmath>

namespace wizard {

namespace {

constexpr double kTwipsPerPixel = 15.0;
constexpr double kScaleStep = 0.05;
constexpr double kLargestScale = 4.0;

int Scaled(int twips, double pixels_per_twip) {
  return static_cast<int>(std::lround(twips * pixels_per_twip));
}

}  // namespace

TwipsLayout::TwipsLayout(QSize design, QWidget* parent) : QLayout(parent), design_(design) {
  setContentsMargins(0, 0, 0, 0);
}

TwipsLayout::~TwipsLayout() {
  for (const Entry& e : items_) delete e.item;
}

void TwipsLayout::AddWidget(QWidget* w, QRect twips, int fit_height) {
  addChildWidget(w);
  QRect fit = twips.intersected(QRect(QPoint(0, 0), design_));
  if (fit_height >= 0 && fit_height < fit.height()) fit.setHeight(fit_height);
  items_.push_back({new QWidgetItem(w), twips, fit});
  invalidate();
}

void TwipsLayout::addItem(QLayoutItem* item) {
  items_.push_back({item, QRect(), QRect()});
}

QLayoutItem* TwipsLayout::itemAt(int index) const {
  return index >= 0 && index < items_.size() ? items_[index].item : nullptr;
}

QLayoutItem* TwipsLayout::takeAt(int index) {
  if (index < 0 || index >= items_.size()) return nullptr;
  QLayoutItem* item = items_[index].item;
  items_.remove(index);
  return item;
}

void TwipsLayout::invalidate() {
  hint_ = QSize();
  QLayout::invalidate();
}

bool TwipsLayout::FitsAt(double pixels_per_twip) const {
  for (const Entry& e : items_) {
    if (e.item->isEmpty()) continue;  // hidden controls need no room
    const int w = Scaled(e.fit.width(), pixels_per_twip);
    const int h = Scaled(e.fit.height(), pixels_per_twip);
    const QSize need = e.item->minimumSize();
    if (need.width() > w) return false;
    const int need_h = e.item->hasHeightForWidth() ? e.item->heightForWidth(w) : need.height();
    if (need_h > h) return false;
  }
  return true;
}

QSize TwipsLayout::sizeHint() const {
  if (!hint_.isValid()) {
    double scale = 1.0 / kTwipsPerPixel;
    while (scale < kLargestScale / kTwipsPerPixel && !FitsAt(scale))
      scale += kScaleStep / kTwipsPerPixel;
    hint_ = QSize(Scaled(design_.width(), scale), Scaled(design_.height(), scale));
  }
  return hint_;
}

void TwipsLayout::setGeometry(const QRect& r) {
  QLayout::setGeometry(r);
  const double sx = static_cast<double>(r.width()) / design_.width();
  const double sy = static_cast<double>(r.height()) / design_.height();
  for (const Entry& e : items_) {
    const int left = r.x() + Scaled(e.twips.left(), sx);
    const int top = r.y() + Scaled(e.twips.top(), sy);
    const int right = r.x() + Scaled(e.twips.left() + e.twips.width(), sx);
    const int bottom = r.y() + Scaled(e.twips.top() + e.twips.height(), sy);
    e.item->setGeometry(QRect(left, top, right - left, bottom - top));
  }
}

}  // namespace wizard
