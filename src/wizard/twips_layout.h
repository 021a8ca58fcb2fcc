#pragma once

#include <QLayout>
#include <QRect>
#include <QSize>
#include <QVector>

namespace wizard {

// Places each widget on a rectangle given in twips of the window design and scales the whole
// design with the space it gets, so the window keeps the proportions it was drawn with. Its
// size hint is the smallest scale at which every control shows its text.
class TwipsLayout : public QLayout {
 public:
  // design is the size of the drawing area in twips (15 twips = 1 pixel at 96 dpi).
  TwipsLayout(QSize design, QWidget* parent = nullptr);
  ~TwipsLayout() override;

  // Adds w at rect (left, top, width, height in twips). Its content must fit the part of the rect
  // inside the design and, when fit_height is given, within that many twips from its top (where
  // another control covers the rest of it).
  void AddWidget(QWidget* w, QRect twips, int fit_height = -1);

  void addItem(QLayoutItem* item) override;
  QLayoutItem* itemAt(int index) const override;
  QLayoutItem* takeAt(int index) override;
  int count() const override { return static_cast<int>(items_.size()); }
  QSize sizeHint() const override;
  QSize minimumSize() const override { return sizeHint(); }
  void setGeometry(const QRect& r) override;
  void invalidate() override;

 private:
  struct Entry {
    QLayoutItem* item;
    QRect twips;
    QRect fit;  // the part the content must fit into
  };
  bool FitsAt(double pixels_per_twip) const;

  QSize design_;
  QVector<Entry> items_;
  mutable QSize hint_;  // cached; invalidate() clears it
};

}  // namespace wizard
