#pragma once

#include <QSlider>

namespace widgets {

// A QSlider that tells a user's moves from values set by code, with two notifications:
//   moving(value)   for every change while the user drags the handle;
//   changed(value)  once when the handle is let go (only if it moved during that drag).
// Any other change the user makes in one go (a key, the wheel, a click on the groove, an
// accessibility tool setting the value) is a drag and a release: one moving, then one changed.
// Values set from code (SetValue, or QSlider's setValue) announce neither. Keep tracking on.
class NotifyingSlider : public QSlider {
  Q_OBJECT

 public:
  explicit NotifyingSlider(Qt::Orientation orientation, QWidget* parent = nullptr);
  explicit NotifyingSlider(QWidget* parent = nullptr) : NotifyingSlider(Qt::Vertical, parent) {}

  void SetValue(int value) { setValue(value); }
  // A user's change from outside the mouse and keyboard (what accessibility tools use): moving
  // then changed, if the value (kept within the range) differs.
  void UserSetValue(int value);

 signals:
  void moving(int value);
  void changed(int value);
  void mouseMoved();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void timerEvent(QTimerEvent* event) override;

 private:
  void AnnounceStep(int before);  // moving + changed if the value differs from before

  bool dragged_ = false;  // moving was emitted in the drag in progress
};

}  // namespace widgets
