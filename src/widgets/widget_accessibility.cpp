#include "widgets/widget_accessibility.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <array>

#include "widgets/clickable_label.h"
#include "widgets/labels.h"
#include "widgets/linear_gauge.h"
#include "widgets/notifying_slider.h"
#include "widgets/status_lamp.h"
#include "widgets/toggle_switch.h"

namespace widgets {

namespace {

QRect ToScreen(const QWidget* w, const QRect& r) {
  if (r.isNull()) return QRect();
  return QRect(w->mapToGlobal(r.topLeft()), r.size());
}

// A widget's own name; a painted control without one falls back to its tool tip, so a tool
// has something to read.
QString NameOrToolTip(const QWidget* w) {
  return w->accessibleName().isEmpty() ? w->toolTip() : w->accessibleName();
}

// --- LinearGauge: the gauge and its four parts ---

class GaugeAccessible;

// One part of the gauge: 0 "reading", 1 "low limit", 2 "high limit", 3 "caption".
class GaugePart : public QAccessibleInterface, public QAccessibleValueInterface {
 public:
  GaugePart(LinearGauge* gauge, int index) : gauge_(gauge), index_(index) {}

  int Slot() const { return index_ == 1 ? LinearGauge::kLowPointer : LinearGauge::kHighPointer; }
  bool IsPointer() const { return index_ == 1 || index_ == 2; }

  bool isValid() const override { return gauge_ != nullptr; }
  QObject* object() const override { return nullptr; }
  QWindow* window() const override {
    QAccessibleInterface* p = parent();
    return p ? p->window() : nullptr;
  }
  QAccessibleInterface* parent() const override {
    return QAccessible::queryAccessibleInterface(gauge_);
  }
  QAccessibleInterface* child(int) const override { return nullptr; }
  int childCount() const override { return 0; }
  int indexOfChild(const QAccessibleInterface*) const override { return -1; }
  QAccessibleInterface* childAt(int, int) const override { return nullptr; }

  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Name) {
      switch (index_) {
        case 0:
          return QStringLiteral("reading");
        case 1:
          return QStringLiteral("low limit");
        case 2:
          return QStringLiteral("high limit");
        default:
          return gauge_->Caption();
      }
    }
    if (t == QAccessible::Value) {
      if (index_ == 0) return QString::number(gauge_->Reading(), 'g', 8);
      if (IsPointer()) {
        return QString::number(gauge_->PointerValue(Slot()), 'f', gauge_->Decimals(Slot()));
      }
    }
    return QString();
  }
  void setText(QAccessible::Text, const QString&) override {}

  QRect rect() const override {
    if (!Showing()) return QRect();
    if (IsPointer()) return ToScreen(gauge_, gauge_->HandleRect(Slot()));
    if (index_ == 0) return ToScreen(gauge_, gauge_->TrackRect());
    const QRect track = gauge_->TrackRect();
    return ToScreen(gauge_, QRect(0, 0, gauge_->width(), std::max(1, track.top() / 2)));
  }

  QAccessible::Role role() const override {
    return index_ == 3 ? QAccessible::StaticText : QAccessible::Slider;
  }

  QAccessible::State state() const override {
    QAccessible::State s;
    if (!Showing()) {
      s.invisible = true;
      s.offscreen = true;
    }
    if (!gauge_->isEnabled()) s.disabled = true;
    if (index_ == 0) s.readOnly = true;
    if (IsPointer()) {
      s.focusable = true;
      s.focused = gauge_->hasFocus() && gauge_->SelectedPointer() == Slot();
      if (!gauge_->Draggable(Slot())) s.readOnly = true;
    }
    return s;
  }

  void* interface_cast(QAccessible::InterfaceType t) override {
    if (t == QAccessible::ValueInterface && index_ != 3) {
      return static_cast<QAccessibleValueInterface*>(this);
    }
    return nullptr;
  }

  // QAccessibleValueInterface
  QVariant currentValue() const override {
    return index_ == 0 ? gauge_->Reading() : gauge_->PointerValue(Slot());
  }
  void setCurrentValue(const QVariant& value) override {
    // A value set from outside is the user's change: a drag and a release.
    if (!IsPointer()) return;
    bool ok = false;
    const double v = value.toDouble(&ok);
    if (ok) gauge_->UserSetPointer(Slot(), v);
  }
  QVariant maximumValue() const override { return gauge_->ScaleMax(); }
  QVariant minimumValue() const override { return gauge_->ScaleMin(); }
  QVariant minimumStepSize() const override { return IsPointer() ? gauge_->Step(Slot()) : 0.0; }

 private:
  bool Showing() const {
    if (!gauge_->isVisible()) return false;
    return !IsPointer() || gauge_->SlotVisible(Slot());
  }

  LinearGauge* gauge_;  // the gauge's interface, which owns this part, dies with it
  int index_;
};

class GaugeAccessible : public QAccessibleWidget {
 public:
  explicit GaugeAccessible(LinearGauge* gauge)
      : QAccessibleWidget(gauge, QAccessible::Grouping), gauge_(gauge) {
    for (int i = 0; i < 4; ++i) {
      auto* part = new GaugePart(gauge, i);
      ids_[static_cast<std::size_t>(i)] = QAccessible::registerAccessibleInterface(part);
    }
  }
  ~GaugeAccessible() override {
    for (const QAccessible::Id id : ids_) QAccessible::deleteAccessibleInterface(id);
  }

  int childCount() const override { return 4; }
  QAccessibleInterface* child(int index) const override {
    if (index < 0 || index >= 4) return nullptr;
    return QAccessible::accessibleInterface(ids_[static_cast<std::size_t>(index)]);
  }
  int indexOfChild(const QAccessibleInterface* c) const override {
    for (int i = 0; i < 4; ++i) {
      if (child(i) == c) return i;
    }
    return -1;
  }
  QAccessibleInterface* childAt(int x, int y) const override {
    for (const int i : {1, 2, 0, 3}) {
      QAccessibleInterface* c = child(i);
      if (c && c->rect().contains(x, y)) return c;
    }
    return nullptr;
  }
  QAccessibleInterface* focusChild() const override {
    if (!gauge_->hasFocus()) return nullptr;
    return child(gauge_->SelectedPointer() == LinearGauge::kLowPointer ? 1 : 2);
  }
  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Name) {
      const QString name = NameOrToolTip(gauge_);
      return name.isEmpty() ? QStringLiteral("gauge") : name;
    }
    return QAccessibleWidget::text(t);
  }

 private:
  LinearGauge* gauge_;
  std::array<QAccessible::Id, 4> ids_{};
};

}  // namespace

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
    return new GaugeAccessible(static_cast<LinearGauge*>(object));
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
