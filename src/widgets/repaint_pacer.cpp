#include "widgets/repaint_pacer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <memory>

namespace widgets {

RepaintPacer::RepaintPacer(QWidget* window, int max_per_second)
    : QObject(window),
      window_(window),
      interval_ms_(1000 / std::max(1, max_per_second)),
      timer_(new QTimer(this)) {
  auto since_start = std::make_shared<QElapsedTimer>();
  since_start->start();
  clock_ = [since_start] { return since_start->elapsed(); };
  timer_->setSingleShot(true);
  connect(timer_, &QTimer::timeout, this, &RepaintPacer::Release);
  window_->installEventFilter(this);
}

bool RepaintPacer::Holding() const {
  return timer_->isActive();
}

bool RepaintPacer::eventFilter(QObject* watched, QEvent* event) {
  if (watched != window_ || event->type() != QEvent::UpdateRequest) return false;
  const qint64 now = clock_();
  if (releasing_ || last_paint_ms_ < 0 || now - last_paint_ms_ >= interval_ms_) {
    last_paint_ms_ = now;
    return false;
  }
  // Swallowed: Qt sends no further request until this window has painted, so the one the timer
  // sends paints everything marked meanwhile.
  if (!timer_->isActive())
    timer_->start(static_cast<int>(interval_ms_ - std::max<qint64>(0, now - last_paint_ms_)));
  return true;
}

void RepaintPacer::Release() {
  releasing_ = true;
  QEvent request(QEvent::UpdateRequest);
  QCoreApplication::sendEvent(window_, &request);
  releasing_ = false;
}

}  // namespace widgets
