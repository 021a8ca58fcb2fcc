#pragma once

#include <QLayout>
#include <QList>

namespace widgets {

// Two items side by side while the width allows both, the first at its preferred width and the
// second at least at its minimum; on a narrower page the second goes below the first. A page
// with this layout therefore grows downwards, never sideways: in a scroll area it scrolls only
// vertically.
class SideBySideLayout : public QLayout {
  Q_OBJECT

 public:
  explicit SideBySideLayout(QWidget* parent = nullptr);
  ~SideBySideLayout() override;

  // The first call gives the left (upper) item, the second the right (lower) one.
  void addItem(QLayoutItem* item) override;
  void AddLayout(QLayout* layout);
  QLayoutItem* itemAt(int index) const override;
  QLayoutItem* takeAt(int index) override;
  int count() const override;

  QSize sizeHint() const override;
  QSize minimumSize() const override;
  Qt::Orientations expandingDirections() const override;
  bool hasHeightForWidth() const override;
  int heightForWidth(int width) const override;
  void setGeometry(const QRect& rect) override;

  // Whether a page of this width has the two side by side.
  bool SideBySideAt(int width) const;

 private:
  int Spacing() const;
  static int HeightAt(const QLayoutItem* item, int width);

  QList<QLayoutItem*> items_;
};

}  // namespace widgets
