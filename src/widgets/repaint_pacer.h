#pragma once

#include <QObject>
#include <functional>

class QTimer;
class QWidget;

namespace widgets {

// Holds a window's repaints to at most a given rate. Qt asks a window to repaint as soon as any
// of its widgets changes; a display that changes a thousand times a second would repaint a
// thousand times. The pacer lets one request through, holds the ones that follow until the
// interval has passed, and then lets one through that paints everything changed meanwhile.
// Widgets keep calling update() as usual; nothing changed is ever lost, only delayed.
class RepaintPacer : public QObject {
  Q_OBJECT

 public:
  // The clock in milliseconds; tests inject their own.
  using Clock = std::function<qint64()>;

  RepaintPacer(QWidget* window, int max_per_second);

  void SetClock(Clock clock) { clock_ = std::move(clock); }
  // True while a repaint is held back.
  bool Holding() const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Release();

  QWidget* window_;
  int interval_ms_;
  Clock clock_;
  qint64 last_paint_ms_ = -1;  // -1: nothing painted yet
  bool releasing_ = false;
  QTimer* timer_;
};

}  // namespace widgets
