#include "editor/clickable_label.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionFocusRect>
#include <QStylePainter>

namespace editor {

namespace {

// Screen readers see the label's text as its name, as for any label, plus a press action that
// does what a click does.
class ClickableLabelAccessible : public QAccessibleWidget {
 public:
  explicit ClickableLabelAccessible(ClickableLabel* label)
      : QAccessibleWidget(label, QAccessible::StaticText) {}

  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Name && widget()->accessibleName().isEmpty()) return Label()->text();
    return QAccessibleWidget::text(t);
  }

  QStringList actionNames() const override {
    return QStringList{pressAction()} + QAccessibleWidget::actionNames();
  }

  void doAction(const QString& action_name) override {
    if (action_name == pressAction()) {
      Label()->Click();
    } else {
      QAccessibleWidget::doAction(action_name);
    }
  }

  QStringList keyBindingsForAction(const QString& action_name) const override {
    if (action_name == pressAction()) return {QStringLiteral("Space")};
    return QAccessibleWidget::keyBindingsForAction(action_name);
  }

 private:
  ClickableLabel* Label() const { return static_cast<ClickableLabel*>(widget()); }
};

QAccessibleInterface* ClickableLabelFactory(const QString& class_name, QObject* object) {
  if (class_name == QLatin1String("editor::ClickableLabel") && object->isWidgetType()) {
    return new ClickableLabelAccessible(static_cast<ClickableLabel*>(object));
  }
  return nullptr;
}

}  // namespace

ClickableLabel::ClickableLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
  static const bool factory_installed = [] {
    QAccessible::installFactory(ClickableLabelFactory);
    return true;
  }();
  (void)factory_installed;

  setMouseTracking(true);  // movement without a button pressed is what lights the label
  setCursor(Qt::PointingHandCursor);
  setFocusPolicy(Qt::StrongFocus);
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

void ClickableLabel::paintEvent(QPaintEvent* event) {
  QLabel::paintEvent(event);
  if (!hasFocus()) return;
  QStylePainter painter(this);
  QStyleOptionFocusRect option;
  option.initFrom(this);
  option.backgroundColor = palette().color(QPalette::Window);
  painter.drawPrimitive(QStyle::PE_FrameFocusRect, option);
}

}  // namespace editor
