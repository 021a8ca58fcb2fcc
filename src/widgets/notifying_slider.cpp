#include "widgets/notifying_slider.h"

#include <QMouseEvent>

#include "widgets/widget_accessibility.h"

namespace widgets {

NotifyingSlider::NotifyingSlider(Qt::Orientation orientation, QWidget* parent)
    : QSlider(orientation, parent) {
  InstallWidgetAccessibility();
  setTracking(true);
  setMouseTracking(true);
}

void NotifyingSlider::AnnounceStep(int before) {
  const int v = value();
  if (v == before) return;
  emit moving(v);
  emit changed(value());
}

void NotifyingSlider::UserSetValue(int value) {
  const int before = this->value();
  setValue(value);
  AnnounceStep(before);
}

void NotifyingSlider::mousePressEvent(QMouseEvent* event) {
  // A press on the handle starts a drag; a press on the groove steps (and may repeat while held,
  // see timerEvent), each step being a change of its own.
  const int before = value();
  dragged_ = false;
  QSlider::mousePressEvent(event);
  if (!isSliderDown()) AnnounceStep(before);
}

void NotifyingSlider::mouseMoveEvent(QMouseEvent* event) {
  emit mouseMoved();
  const int before = value();
  QSlider::mouseMoveEvent(event);
  if (isSliderDown() && value() != before) {
    dragged_ = true;
    emit moving(value());
  }
}

void NotifyingSlider::mouseReleaseEvent(QMouseEvent* event) {
  const bool was_down = isSliderDown();
  const int before = value();
  QSlider::mouseReleaseEvent(event);
  if (was_down && value() != before) {
    dragged_ = true;
    emit moving(value());
  }
  if (was_down && dragged_) emit changed(value());
  dragged_ = false;
}

void NotifyingSlider::keyPressEvent(QKeyEvent* event) {
  const int before = value();
  QSlider::keyPressEvent(event);
  if (!isSliderDown()) AnnounceStep(before);
}

void NotifyingSlider::wheelEvent(QWheelEvent* event) {
  const int before = value();
  QSlider::wheelEvent(event);
  if (!isSliderDown()) AnnounceStep(before);
}

void NotifyingSlider::timerEvent(QTimerEvent* event) {
  // The repeated steps of a press held on the groove.
  const int before = value();
  QSlider::timerEvent(event);
  if (!isSliderDown()) AnnounceStep(before);
}

}  // namespace widgets
