#pragma once

#include <QObject>
#include <QString>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>

#include "boxes/feature_context.h"
#include "files/recording_file.h"

class QTimer;

namespace chip {
class RecordingSession;
}  // namespace chip
namespace devaccess {
class UnattendedSampler;
}  // namespace devaccess

namespace userfiles {

// A measurement recording driven by its own timer, so it goes on whatever tab is shown. A tick is
// a handler of its own: it runs between the display's ticks, never inside one of the window's
// sequences, and reads through ReadRegister, so its reads show in the bus trace. Its rows carry
// every alarm that latched since the previous row: while the display cycle reads the status
// registers, from the display's reads (no transfer of its own); on the other tabs it reads them.
//
// A file problem stops the recording with a box naming the file and the reason; monitoring goes
// on. A failed read of its own skips the row and is tried again at the next tick, the gap marked
// in the file once when it starts and once when it ends (devaccess::UnattendedSampler); a bus
// failure anywhere else (the display's reads) goes on to the program's error report, with the
// rows so far written to disk before it shows.
class Recorder : public QObject {
  Q_OBJECT

 public:
  // True while something else (the display cycle) reads INT Status 1 and 2.
  using StatusReadElsewhere = std::function<bool()>;

  Recorder(boxes::FeatureContext& context, StatusReadElsewhere status_read_elsewhere,
           QObject* parent = nullptr);
  ~Recorder() override;

  // Starts recording to file every interval_ms; false (after a box) when the file cannot be
  // written, or holds data that existing says to keep, or cannot be continued.
  bool Start(const QString& file, int interval_ms,
             files::ExistingFile existing = files::ExistingFile::Refuse);
  // Ends the recording with its rows flushed and synced and the file closed; a failure doing so
  // is shown in a box.
  void Stop();
  // The same without a box, for an end nobody may be there to see (a signal): the failure, or
  // "" when there was none.
  QString StopUnattended();
  // Hands the rows so far to the disk, for the program's fatal report: the report may stay up for
  // long, and a user may kill the program from there. Never throws.
  void FlushBeforeFatalReport() noexcept;
  bool running() const { return session_ != nullptr; }

  // "Recording soak.csv: 1234 rows, 0:01:05" (", the chip is not answering" in a gap), or ""
  // when not recording.
  QString IndicatorText() const;
  quint64 rows() const;
  QString path() const { return path_; }  // the file of the recording running, in full

 signals:
  // Started, stopped, or rows written (at most a few times a second).
  void changed();
  // A recording ended with its file complete: by Stop, or by a file problem after `rows` rows.
  void stopped(quint64 rows, const QString& path, bool failed);

 private:
  void Tick();
  // Reads a sample and writes its row; false (after a box) when the file failed.
  bool WriteRow(std::chrono::steady_clock::time_point now, bool flush);
  // Ends the recording with a box saying why; rows: how many it holds, when its file was opened.
  void Fail(const QString& reason, std::optional<quint64> rows = std::nullopt);

  boxes::FeatureContext& c_;
  StatusReadElsewhere status_read_elsewhere_;
  QTimer* timer_;
  QTimer* clock_timer_;  // keeps the indicator's elapsed time going between slow rows
  std::unique_ptr<devaccess::UnattendedSampler> sampler_;
  std::unique_ptr<files::RecordingFile> file_;
  std::unique_ptr<chip::RecordingSession> session_;
  QString name_;
  QString path_;
  std::chrono::steady_clock::time_point last_shown_;
};

}  // namespace userfiles
