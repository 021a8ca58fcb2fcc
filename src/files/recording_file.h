#pragma once

#include <chrono>
#include <stdexcept>
#include <string>
#include <string_view>

namespace files {

// A recording file that could not be written, flushed, synced or closed; what() names the file
// and the reason.
class RecordingError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A recording refused before it began: the file cannot be created, holds data that was not to be
// replaced, or cannot be continued. Nothing was written to it.
class RecordingRefused : public RecordingError {
 public:
  using RecordingError::RecordingError;
};

// What to do with a file that holds data already.
enum class ExistingFile {
  Refuse,     // keep it: the recording does not start
  Overwrite,  // replace it, once the recording's first text is written
  Append,     // continue it, when it is a recording with the same columns
};

// Where a recording's text goes. Text collects in memory and goes to the file at least once a
// second, and to the disk itself (fdatasync) at least every ten seconds and at Close, so a killed
// program loses at most its last second and a power cut its last ten. Every failure (a full disk,
// a file or folder that went away, a medium pulled out) throws RecordingError.
class RecordingFile {
 public:
  using Clock = std::chrono::steady_clock;

  // Opens or creates path. Throws RecordingRefused when it cannot be created, when it holds data
  // and existing is Refuse, and, for Append, when it is not a regular file or not a recording.
  RecordingFile(std::string path, ExistingFile existing, Clock::time_point now = Clock::now());
  explicit RecordingFile(std::string path, Clock::time_point now = Clock::now())
      : RecordingFile(std::move(path), ExistingFile::Refuse, now) {}
  // Closes as Close() does; a failure then goes unreported, so call Close() to hear of it.
  ~RecordingFile();
  RecordingFile(const RecordingFile&) = delete;
  RecordingFile& operator=(const RecordingFile&) = delete;

  // The start of the recording, into the buffer: the header lines, or, when this continues a
  // recording, a line "# appended: <start_time>". Returns whether column_names (the recording's
  // first column-name line) must follow: not when the recording continued ends with the same.
  // Throws RecordingRefused, writing nothing, when it ends with other columns.
  bool Begin(std::string_view header, std::string_view column_names, std::string_view start_time);

  // Buffers text; flushes when the last flush is a second old, syncs when the last sync is ten.
  void Write(std::string_view text, Clock::time_point now = Clock::now());
  // Hands everything buffered to the file.
  void Flush(Clock::time_point now = Clock::now());
  // Flushes, syncs and closes the file. Later calls do nothing.
  void Close();

  const std::string& path() const { return path_; }
  // The buffer a row is formatted into, to save a copy per row; Write(std::string_view{}) after
  // appending to it.
  std::string& buffer() { return buffer_; }

 private:
  void Sync(Clock::time_point now);
  void ReadRecordingToContinue();
  [[noreturn]] void Fail(const char* doing, int error) const;

  std::string path_;
  int fd_ = -1;
  bool regular_ = false;
  bool replace_ = false;  // Overwrite: the old data is still there
  std::string buffer_;
  Clock::time_point last_flush_;
  Clock::time_point last_sync_;
  // Continuing a recording: its last column names, and whether it ends inside a line.
  bool continuing_ = false;
  std::string continued_columns_;
  bool ends_inside_a_line_ = false;
};

}  // namespace files
