#include <QAccessible>
#include <QAccessibleWidget>
#include <algorithm>
#include <array>

#include "widgets/accessible_parts.h"
#include "widgets/linear_gauge.h"
#include "widgets/linear_gauge_parts.h"

namespace widgets {

namespace {

QRect ToScreen(const QWidget* w, const QRect& r) {
  if (r.isNull()) return QRect();
  return QRect(w->mapToGlobal(r.topLeft()), r.size());
}

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
        return gauge_parts::PointerText(gauge_->PointerValue(Slot()), gauge_->Decimals(Slot()));
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

QAccessibleInterface* MakeGaugeAccessible(LinearGauge* gauge) {
  return new GaugeAccessible(gauge);
}

}  // namespace widgets
