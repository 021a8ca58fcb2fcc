#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

#include "chip/recording_reader.h"
#include "review/recording_model.h"

namespace review {

// A recording file that cannot be opened or read; what() names the file and the reason.
class RecordingReadError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A recording file and what has been read of it so far. The file may still grow (a recording
// in progress): each ReadMore reads what was added since, and an incomplete last line waits for
// its end. A loader thread may do the first, long read; the model is then handed over with the
// source to the thread that shows it, which reads on.
class RecordingSource {
 public:
  // Opens the file. Throws RecordingReadError.
  explicit RecordingSource(std::string path);
  ~RecordingSource();
  RecordingSource(const RecordingSource&) = delete;
  RecordingSource& operator=(const RecordingSource&) = delete;

  // Reads up to max_bytes of what the file holds beyond what was read (stopping early when cancel
  // becomes true). Returns the bytes read. Throws RecordingReadError for the file and
  // chip::RecordingFormatError for its text.
  std::uint64_t ReadMore(std::uint64_t max_bytes = UINT64_MAX,
                         const std::atomic<bool>* cancel = nullptr);
  // The number of an incomplete last line kept back, or 0. Throws chip::RecordingFormatError for
  // a file that is no recording at all (empty, or a foreign first line still unfinished).
  std::uint64_t TornLine() const { return reader_.Finish(); }

  const std::string& path() const { return path_; }
  // The file's size now, and the bytes read of it (shared with a thread that shows progress).
  std::uint64_t FileSize() const;
  std::uint64_t BytesRead() const { return read_.load(std::memory_order_relaxed); }
  // False once the file is shorter than what was read: it was replaced or cut.
  bool Intact() const { return FileSize() >= BytesRead(); }
  // True once the path names another file than the one open (a new recording in its place).
  bool Replaced() const;

  RecordingModel& model() { return *model_; }
  const RecordingModel& model() const { return *model_; }

 private:
  std::string path_;
  int fd_ = -1;
  std::uint64_t device_ = 0;
  std::uint64_t inode_ = 0;
  std::unique_ptr<RecordingModel> model_;
  chip::RecordingReader reader_;
  std::atomic<std::uint64_t> read_{0};
};

}  // namespace review
