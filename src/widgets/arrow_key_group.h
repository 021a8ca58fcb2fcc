#pragma once

#include <QObject>
#include <QPointer>
#include <vector>

class QWidget;

namespace widgets {

// Controls that share one Tab stop, as the items of a list do: Tab reaches the member the user
// was on last (the first at the start), and the arrow keys move the focus between the members in
// the order given (Left and Up back, Right and Down on). Members keep their own keys otherwise;
// a click still focuses any of them. Members are chained in the window's tab order, so the group
// sits where its first member sits.
class ArrowKeyGroup : public QObject {
  Q_OBJECT

 public:
  ArrowKeyGroup(std::vector<QWidget*> members, QObject* parent);

  const std::vector<QWidget*>& Members() const { return members_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void MakeTabStop(QWidget* member);
  QWidget* Neighbour(QWidget* from, int direction) const;  // next enabled, visible member

  std::vector<QWidget*> members_;
};

}  // namespace widgets
