#include "widgets/two_state_widget.h"

#include <QAccessible>
#include <QMouseEvent>

#include "widgets/widget_accessibility.h"

namespace widgets {

TwoStateWidget::TwoStateWidget(Qt::FocusPolicy focus, QWidget* parent) : QWidget(parent) {
  InstallWidgetAccessibility();
  setFocusPolicy(focus);
  setMouseTracking(true);
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void TwoStateWidget::SetValue(bool on) {
  if (on == on_) return;
  on_ = on;
  if (QAccessible::isActive()) {
    QAccessible::State changed;
    changed.checked = true;
    QAccessibleStateChangeEvent event(this, changed);
    QAccessible::updateAccessibility(&event);
    // A switch's description names its position.
    QAccessibleEvent description(this, QAccessible::DescriptionChanged);
    QAccessible::updateAccessibility(&description);
  }
  update();
}

void TwoStateWidget::mousePressEvent(QMouseEvent* event) {
  pressed_ = event->button() == Qt::LeftButton;
  event->accept();
}

void TwoStateWidget::mouseReleaseEvent(QMouseEvent* event) {
  // A click is a press and a release over the widget, as on a button.
  const bool click =
      pressed_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
  pressed_ = false;
  event->accept();
  if (click) UserClick();
}

void TwoStateWidget::mouseMoveEvent(QMouseEvent* event) {
  emit mouseMoved();
  event->accept();
}

}  // namespace widgets
