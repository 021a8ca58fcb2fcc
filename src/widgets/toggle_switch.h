#pragma once

#include "widgets/two_state_widget.h"

namespace widgets {

// A two-position toggle switch: a lever in a slot.
//
// SetValue sets it from code and announces nothing. A user's change (a click anywhere on it,
// Space while it has focus, or the toggle action of an accessibility tool) flips it and emits
// toggled(new value). Accessibility tools see a check box whose checked state is Value().
//
// Which end of the slot means on: horizontal, the right end (the left one when inverted);
// vertical, the top end (the bottom one when inverted). Put the label of the switched-on state
// beside that end.
class ToggleSwitch : public TwoStateWidget {
  Q_OBJECT

 public:
  explicit ToggleSwitch(QWidget* parent = nullptr);

  void SetOrientation(Qt::Orientation orientation);
  Qt::Orientation Orientation() const { return orientation_; }
  void SetInverted(bool inverted);
  bool Inverted() const { return inverted_; }

  // Flips the switch as a user would: emits toggled.
  void UserToggle();

  // What each position means ("FAN 1 mode"), for screen readers: the accessible description
  // names the current one.
  void SetPositionNames(const QString& on, const QString& off);
  QString PositionName() const { return Value() ? on_name_ : off_name_; }

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 signals:
  void toggled(bool on);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;

 private:
  void UserClick() override { UserToggle(); }

  QString on_name_;
  QString off_name_;
  bool space_down_ = false;
  bool inverted_ = false;
  Qt::Orientation orientation_ = Qt::Horizontal;
};

}  // namespace widgets
