#include "widgets/clickable_label.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionFocusRect>
#include <QStylePainter>

#include "widgets/widget_accessibility.h"

namespace widgets {

ClickableLabel::ClickableLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
  InstallWidgetAccessibility();
  setMouseTracking(true);  // movement without a button pressed is what lights the label
  setCursor(Qt::PointingHandCursor);
  setFocusPolicy(Qt::StrongFocus);
}

void ClickableLabel::SetSelected(bool selected) {
  if (selected == selected_) return;
  selected_ = selected;
  if (selectable_ && QAccessible::isActive()) {
    QAccessible::State changed;
    changed.selected = true;
    QAccessibleStateChangeEvent event(this, changed);
    QAccessible::updateAccessibility(&event);
  }
}

void ClickableLabel::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) pressed_ = true;
  event->accept();
}

void ClickableLabel::mouseReleaseEvent(QMouseEvent* event) {
  const bool was_pressed = pressed_;
  pressed_ = false;
  event->accept();
  if (event->button() == Qt::LeftButton && was_pressed &&
      rect().contains(event->position().toPoint())) {
    emit clicked();
  }
}

void ClickableLabel::mouseMoveEvent(QMouseEvent* event) {
  event->accept();  // the panel underneath must not see it, or it would undo the highlight
  emit mouseMoved();
}

void ClickableLabel::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (!event->isAutoRepeat()) emit clicked();
      event->accept();
      return;
    default:
      QLabel::keyPressEvent(event);
  }
}

const ClickableLabel::Hints& ClickableLabel::HintsOfText() const {
  const QString shown = text();
  for (const Hints& h : hints_) {
    if (h.text == shown) return h;
  }
  hints_.push_back({shown, QLabel::sizeHint(), QLabel::minimumSizeHint()});
  return hints_.back();
}

QSize ClickableLabel::sizeHint() const {
  return few_texts_ ? HintsOfText().size : QLabel::sizeHint();
}

QSize ClickableLabel::minimumSizeHint() const {
  return few_texts_ ? HintsOfText().minimum : QLabel::minimumSizeHint();
}

bool ClickableLabel::event(QEvent* event) {
  switch (event->type()) {
    case QEvent::FontChange:
    case QEvent::StyleChange:
    case QEvent::ContentsRectChange:
    case QEvent::LayoutDirectionChange:
      hints_.clear();
      break;
    default:
      break;
  }
  return QLabel::event(event);
}

void ClickableLabel::paintEvent(QPaintEvent* event) {
  QLabel::paintEvent(event);
  if (!hasFocus()) return;
  QStylePainter painter(this);
  QStyleOptionFocusRect option;
  option.initFrom(this);
  option.backgroundColor = palette().color(QPalette::Window);
  painter.drawPrimitive(QStyle::PE_FrameFocusRect, option);
}

}  // namespace widgets
