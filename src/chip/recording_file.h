#pragma once

#include <chrono>
#include <stdexcept>
#include <string>
#include <string_view>

namespace chip {

// A recording file that could not be created or written; what() names the file and the reason.
class RecordingError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Where a recording's text goes. Text collects in memory and goes to the file at least once a
// second, so a killed program loses at most its last second; every failure (a full disk, a file
// or folder that went away, a medium pulled out) throws RecordingError.
class RecordingFile {
 public:
  using Clock = std::chrono::steady_clock;

  // Creates or empties the file.
  explicit RecordingFile(std::string path, Clock::time_point now = Clock::now());
  ~RecordingFile();
  RecordingFile(const RecordingFile&) = delete;
  RecordingFile& operator=(const RecordingFile&) = delete;

  // Buffers text; flushes when the last flush is a second old.
  void Write(std::string_view text, Clock::time_point now = Clock::now());
  // Hands everything buffered to the file.
  void Flush(Clock::time_point now = Clock::now());

  const std::string& path() const { return path_; }
  // The buffer a row is formatted into, to save a copy per row; Write(std::string_view{}) after
  // appending to it.
  std::string& buffer() { return buffer_; }

 private:
  [[noreturn]] void Fail(int error) const;

  std::string path_;
  int fd_ = -1;
  std::string buffer_;
  Clock::time_point last_flush_;
};

}  // namespace chip
