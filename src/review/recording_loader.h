#pragma once

#include <QObject>
#include <QString>
#include <atomic>
#include <cstdint>
#include <exception>
#include <memory>
#include <thread>

#include "review/recording_source.h"

class QTimer;

namespace review {

// A recording read for the review: first whole on a thread of its own (closing stops it), then
// followed as it grows. It says how far the first reading got, when it is done or failed, and
// when the file grew.
class RecordingLoader : public QObject {
  Q_OBJECT

 public:
  explicit RecordingLoader(const QString& path, QObject* parent = nullptr);
  ~RecordingLoader() override;

  // Starts reading; failed() comes once the caller has had the chance to connect.
  void Start();
  const QString& path() const { return path_; }
  bool Loaded() const { return source_ != nullptr && done_; }
  // Only once Loaded(): the reading thread hands the model over then.
  const RecordingModel& model() const { return source_->model(); }
  std::uint64_t TornLine() const { return torn_line_; }
  // The file got shorter than what was read: replaced or cut.
  bool FileChanged() const { return file_changed_; }
  // Another file now stands at the path.
  bool FileReplaced() const { return file_replaced_; }
  // How often a growing file is looked at (500 ms by default).
  void SetFollowInterval(int milliseconds);
  void Stop();

 signals:
  void progress(int percent);
  void loaded();
  void failed(const QString& reason);
  // Rows came; new_channels when a Channel Mode change brought channels not seen before.
  void grew(bool new_channels);
  // The file changed under the reader, or its rest could not be read: what was read stays.
  void followStopped(const QString& reason);

 private:
  void Poll();
  void Follow();

  QString path_;
  std::unique_ptr<RecordingSource> source_;
  std::thread thread_;
  std::atomic<bool> cancel_{false};
  std::atomic<bool> finished_{false};
  std::exception_ptr error_;
  bool done_ = false;
  std::uint64_t torn_line_ = 0;
  bool file_changed_ = false;
  bool file_replaced_ = false;
  QTimer* poll_timer_;
  QTimer* follow_timer_;
};

}  // namespace review
