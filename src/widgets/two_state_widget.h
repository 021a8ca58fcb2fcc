#pragma once

#include <QWidget>

namespace widgets {

// What StatusLamp and ToggleSwitch have in common: a painted widget with an on/off state.
//
// SetValue sets the state from code and announces nothing to the program; accessibility tools are
// told that the checked state changed. A click (a left press and a release over the widget, as on
// a button) calls UserClick, which each widget answers in its own way; every mouse movement over
// it emits mouseMoved(). Accessibility tools see a checkable object whose checked state is
// Value().
class TwoStateWidget : public QWidget {
  Q_OBJECT

 public:
  void SetValue(bool on);
  bool Value() const { return on_; }

 signals:
  void mouseMoved();

 protected:
  TwoStateWidget(Qt::FocusPolicy focus, QWidget* parent);

  // What a user's click (or an accessibility tool's toggle action) does.
  virtual void UserClick() = 0;

  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;

 private:
  friend class TwoStateAccessible;

  bool on_ = false;
  bool pressed_ = false;
};

}  // namespace widgets
