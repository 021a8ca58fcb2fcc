#include "widgets/arrow_key_group.h"

#include <QEvent>
#include <QKeyEvent>
#include <QWidget>
#include <algorithm>

namespace widgets {

ArrowKeyGroup::ArrowKeyGroup(std::vector<QWidget*> members, QObject* parent)
    : QObject(parent), members_(std::move(members)) {
  for (std::size_t i = 0; i < members_.size(); ++i) {
    members_[i]->installEventFilter(this);
    if (i > 0) QWidget::setTabOrder(members_[i - 1], members_[i]);
  }
  if (!members_.empty()) MakeTabStop(members_.front());
}

void ArrowKeyGroup::MakeTabStop(QWidget* member) {
  for (QWidget* w : members_) w->setFocusPolicy(w == member ? Qt::StrongFocus : Qt::ClickFocus);
}

QWidget* ArrowKeyGroup::Neighbour(QWidget* from, int direction) const {
  auto it = std::find(members_.begin(), members_.end(), from);
  if (it == members_.end()) return nullptr;
  auto i = static_cast<std::ptrdiff_t>(it - members_.begin());
  const auto count = static_cast<std::ptrdiff_t>(members_.size());
  for (i += direction; i >= 0 && i < count; i += direction) {
    QWidget* w = members_[static_cast<std::size_t>(i)];
    if (w->isVisible() && w->isEnabled()) return w;
  }
  return nullptr;
}

bool ArrowKeyGroup::eventFilter(QObject* watched, QEvent* event) {
  auto* member = static_cast<QWidget*>(watched);
  if (event->type() == QEvent::FocusIn) {
    MakeTabStop(member);
  } else if (event->type() == QEvent::Hide && member->isHidden() &&
             member->focusPolicy() == Qt::StrongFocus) {
    // The Tab stop itself was taken out of view (a channel the mode does without): Tab must
    // still reach the group.
    for (QWidget* w : members_) {
      if (!w->isHidden()) {
        MakeTabStop(w);
        break;
      }
    }
  } else if (event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    int direction = 0;
    if (key->modifiers() == Qt::NoModifier || key->modifiers() == Qt::KeypadModifier) {
      switch (key->key()) {
        case Qt::Key_Left:
        case Qt::Key_Up:
          direction = -1;
          break;
        case Qt::Key_Right:
        case Qt::Key_Down:
          direction = 1;
          break;
        default:
          break;
      }
    }
    if (direction != 0) {
      if (QWidget* next = Neighbour(member, direction); next != nullptr) {
        next->setFocus(Qt::OtherFocusReason);
      }
      return true;
    }
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace widgets
