#include "widgets/widget_accessibility.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <array>

#include "widgets/accessible_parts.h"
#include "widgets/clickable_label.h"
#include "widgets/labels.h"
#include "widgets/linear_gauge.h"
#include "widgets/notifying_slider.h"
#include "widgets/status_lamp.h"
#include "widgets/toggle_switch.h"

namespace widgets {

// A widget's own name; a painted control without one falls back to its tool tip, so a tool
// has something to read.
QString NameOrToolTip(const QWidget* w) {
  return w->accessibleName().isEmpty() ? w->toolTip() : w->accessibleName();
}

namespace {}  // namespace

// --- StatusLamp and ToggleSwitch ---

// The part the lamp and the switch share: a name, "on" or "off" as the value and a checked state.
// A lamp only shows a state, so it offers no action. It stands outside the unnamed namespace
// because TwoStateWidget names it a friend.
class TwoStateAccessible : public QAccessibleWidget {
 public:
  TwoStateAccessible(TwoStateWidget* widget, QAccessible::Role role, bool read_only)
      : QAccessibleWidget(widget, role), widget_(widget), read_only_(read_only) {}

  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Name) return NameOrToolTip(widget_);
    if (t == QAccessible::Value) {
      return widget_->Value() ? QStringLiteral("on") : QStringLiteral("off");
    }
    return QAccessibleWidget::text(t);
  }
  QAccessible::State state() const override {
    QAccessible::State s = QAccessibleWidget::state();
    s.checkable = true;
    s.checked = widget_->Value();
    if (read_only_) s.readOnly = true;
    return s;
  }

 private:
  TwoStateWidget* widget_;
  bool read_only_;
};

namespace {

// The switch is a check box whose toggle action (and press action, and Space) flips it; its
// description says what the current position means.
class ToggleSwitchAccessible : public TwoStateAccessible {
 public:
  explicit ToggleSwitchAccessible(ToggleSwitch* toggle)
      : TwoStateAccessible(toggle, QAccessible::CheckBox, false), toggle_(toggle) {}

  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Description) {
      const QString own = TwoStateAccessible::text(t);
      const QString position = toggle_->PositionName();
      if (position.isEmpty()) return own;
      // After the control's own description, which tools may read from its start.
      return own.isEmpty() ? position : own + QStringLiteral("; ") + position;
    }
    return TwoStateAccessible::text(t);
  }
  QStringList actionNames() const override {
    return QStringList{toggleAction()} + TwoStateAccessible::actionNames();
  }
  void doAction(const QString& name) override {
    if (name == toggleAction() || name == pressAction()) {
      toggle_->UserToggle();
    } else {
      TwoStateAccessible::doAction(name);
    }
  }
  QStringList keyBindingsForAction(const QString& name) const override {
    if (name == toggleAction()) return QStringList{QStringLiteral("Space")};
    return TwoStateAccessible::keyBindingsForAction(name);
  }

 private:
  ToggleSwitch* toggle_;
};

// A label's text after its spoken prefix, if it has one.
QString SpokenText(const QLabel* label) {
  const QString prefix = SpokenPrefix(label);
  return prefix.isEmpty() ? label->text() : prefix + QStringLiteral(", ") + label->text();
}

// A SpokenLabel: its prefix, then its text.
class PrefixedLabelAccessible : public QAccessibleWidget {
 public:
  explicit PrefixedLabelAccessible(QLabel* label)
      : QAccessibleWidget(label, QAccessible::StaticText), label_(label) {}

  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Name && label_->accessibleName().isEmpty()) return SpokenText(label_);
    return QAccessibleWidget::text(t);
  }

 private:
  QLabel* label_;
};

// --- ClickableLabel ---

// Screen readers see the label's text as its name, as for any label, plus a press action that
// does what a click does. A selectable label is a list item that can be selected.
class ClickableLabelAccessible : public QAccessibleWidget {
 public:
  explicit ClickableLabelAccessible(ClickableLabel* label)
      : QAccessibleWidget(label,
                          label->Selectable() ? QAccessible::ListItem : QAccessible::StaticText),
        label_(label) {}

  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Name && label_->accessibleName().isEmpty()) return SpokenText(label_);
    return QAccessibleWidget::text(t);
  }
  QAccessible::State state() const override {
    QAccessible::State s = QAccessibleWidget::state();
    if (label_->Selectable()) {
      s.selectable = true;
      s.selected = label_->Selected();
    }
    return s;
  }
  QStringList actionNames() const override {
    return QStringList{pressAction()} + QAccessibleWidget::actionNames();
  }
  void doAction(const QString& name) override {
    if (name == pressAction()) {
      label_->Click();
    } else {
      QAccessibleWidget::doAction(name);
    }
  }
  QStringList keyBindingsForAction(const QString& name) const override {
    if (name == pressAction()) return QStringList{QStringLiteral("Space")};
    return QAccessibleWidget::keyBindingsForAction(name);
  }

 private:
  ClickableLabel* label_;
};

// --- NotifyingSlider ---

class NotifyingSliderAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
 public:
  explicit NotifyingSliderAccessible(NotifyingSlider* slider)
      : QAccessibleWidget(slider, QAccessible::Slider), slider_(slider) {}

  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Name) return NameOrToolTip(Slider());
    if (t == QAccessible::Value) return QString::number(Slider()->value());
    return QAccessibleWidget::text(t);
  }
  void* interface_cast(QAccessible::InterfaceType t) override {
    if (t == QAccessible::ValueInterface) return static_cast<QAccessibleValueInterface*>(this);
    return QAccessibleWidget::interface_cast(t);
  }
  QVariant currentValue() const override { return Slider()->value(); }
  void setCurrentValue(const QVariant& value) override {
    bool ok = false;
    const int v = value.toInt(&ok);
    if (ok) Slider()->UserSetValue(v);
  }
  QVariant maximumValue() const override { return Slider()->maximum(); }
  QVariant minimumValue() const override { return Slider()->minimum(); }
  QVariant minimumStepSize() const override { return Slider()->singleStep(); }

 private:
  NotifyingSlider* Slider() const { return slider_; }
  NotifyingSlider* slider_;
};

QAccessibleInterface* Factory(const QString& class_name, QObject* object) {
  if (!object || !object->isWidgetType()) return nullptr;
  if (class_name == QLatin1String(LinearGauge::staticMetaObject.className())) {
    return MakeGaugeAccessible(static_cast<LinearGauge*>(object));
  }
  if (class_name == QLatin1String(StatusLamp::staticMetaObject.className())) {
    return new TwoStateAccessible(static_cast<StatusLamp*>(object), QAccessible::CheckBox, true);
  }
  if (class_name == QLatin1String(ToggleSwitch::staticMetaObject.className())) {
    return new ToggleSwitchAccessible(static_cast<ToggleSwitch*>(object));
  }
  if (class_name == QLatin1String(NotifyingSlider::staticMetaObject.className())) {
    return new NotifyingSliderAccessible(static_cast<NotifyingSlider*>(object));
  }
  if (class_name == QLatin1String(ClickableLabel::staticMetaObject.className())) {
    return new ClickableLabelAccessible(static_cast<ClickableLabel*>(object));
  }
  if (class_name == QLatin1String(SpokenLabel::staticMetaObject.className())) {
    return new PrefixedLabelAccessible(static_cast<QLabel*>(object));
  }
  // A window of its own built straight on QWidget (the wizard, the help viewer) reads as a frame
  // rather than as filler, as main windows and dialogs already do.
  auto* widget = static_cast<QWidget*>(object);
  if (widget->windowType() == Qt::Window &&
      object->metaObject()->superClass() == &QWidget::staticMetaObject &&
      class_name == QLatin1String(object->metaObject()->className())) {
    return new QAccessibleWidget(widget, QAccessible::Window);
  }
  return nullptr;
}

}  // namespace

void InstallWidgetAccessibility() {
  static const bool installed = [] {
    QAccessible::installFactory(&Factory);
    return true;
  }();
  (void)installed;
}

}  // namespace widgets
