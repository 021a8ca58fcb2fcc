#pragma once

#include <QObject>
#include <QString>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>

#include "capture/capture_context.h"
#include "chip/recording.h"

class QTimer;

namespace chip {
class RecordingFile;
class RecordingSession;
}  // namespace chip

namespace capture {

// A measurement recording driven by its own timer, so it goes on whatever tab is shown. A tick is
// a handler of its own: it runs between the display's ticks, never inside one of the window's
// sequences, and reads through ReadRegister, so its reads show in the bus trace.
//
// A file problem stops the recording with a box naming the file and the reason; monitoring goes
// on. A bus failure, during a row or anywhere else, goes on to the program's error report like
// any other transfer; the rows so far are written to disk before it shows.
class Recorder : public QObject {
  Q_OBJECT

 public:
  // take_status gives the INT Status values the display read since the last call, if it did.
  using StatusSource = std::function<std::optional<chip::StatusSample>()>;

  Recorder(CaptureContext& context, StatusSource take_status, QObject* parent = nullptr);
  ~Recorder() override;

  // Starts recording to file every interval_ms; false (after a box) when the file cannot be
  // written.
  bool Start(const QString& file, int interval_ms);
  void Stop();
  bool running() const { return session_ != nullptr; }

  // "Recording soak.csv: 1234 rows, 0:01:05", or "" when not recording.
  QString IndicatorText() const;

 signals:
  // Started, stopped, or rows written (at most a few times a second).
  void changed();

 private:
  void Tick();
  void Fail(const QString& reason);

  CaptureContext& c_;
  StatusSource take_status_;
  QTimer* timer_;
  QTimer* clock_timer_;  // keeps the indicator's elapsed time going between slow rows
  std::unique_ptr<chip::RecordingFile> file_;
  std::unique_ptr<chip::RecordingSession> session_;
  QString name_;
  std::chrono::steady_clock::time_point last_shown_;
};

}  // namespace capture
