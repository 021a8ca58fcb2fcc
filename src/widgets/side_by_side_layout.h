#pragma once

#include <QLayout>
#include <QList>

namespace widgets {

// A long list and the panel that shows what is picked from it (an inspector): side by side while
// the width allows both, the list at its preferred width and the inspector at least at its
// minimum; on a narrower page the inspector goes above the list. The list is meant to scroll in
// its own scroll area, so the inspector stays in view while the user picks, and the page needs
// only the inspector's height and a few lines of the list: it grows downwards, never sideways.
class SideBySideLayout : public QLayout {
  Q_OBJECT

 public:
  explicit SideBySideLayout(QWidget* parent = nullptr);
  ~SideBySideLayout() override;

  // The first item added is the list, the second the inspector.
  void addItem(QLayoutItem* item) override;
  void AddLayout(QLayout* layout);
  QLayoutItem* itemAt(int index) const override;
  QLayoutItem* takeAt(int index) override;
  int count() const override;

  QSize sizeHint() const override;
  QSize minimumSize() const override;
  Qt::Orientations expandingDirections() const override;
  bool hasHeightForWidth() const override;
  // The least height that shows all of the inspector and the list's minimum.
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
