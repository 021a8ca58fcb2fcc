#include "chip/recording_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace chip {

namespace {

constexpr auto kFlushEvery = std::chrono::seconds(1);

}  // namespace

RecordingFile::RecordingFile(std::string path, Clock::time_point now)
    : path_(std::move(path)), last_flush_(now) {
  fd_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd_ < 0) {
    throw RecordingError("cannot create the recording file " + path_ + ": " + std::strerror(errno));
  }
  buffer_.reserve(64 * 1024);
}

RecordingFile::~RecordingFile() {
  if (fd_ < 0) return;
  try {
    Flush();
  } catch (const RecordingError&) {
    // Whoever cared about the failure has had it reported by a Write or Flush before.
  }
  ::close(fd_);
}

void RecordingFile::Write(std::string_view text, Clock::time_point now) {
  buffer_.append(text);
  if (now - last_flush_ >= kFlushEvery) Flush(now);
}

void RecordingFile::Flush(Clock::time_point now) {
  last_flush_ = now;
  std::size_t done = 0;
  while (done < buffer_.size()) {
    const ssize_t n = ::write(fd_, buffer_.data() + done, buffer_.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      buffer_.erase(0, done);
      Fail(n < 0 ? errno : ENOSPC);
    }
    done += static_cast<std::size_t>(n);
  }
  buffer_.clear();
  // Writing to a file whose folder was deleted succeeds on Linux, into a file nobody can open
  // again: say so rather than record into nothing.
  struct stat status {};
  if (::fstat(fd_, &status) == 0 && status.st_nlink == 0) {
    throw RecordingError("cannot write the recording file " + path_ +
                         ": the file or its folder was deleted");
  }
}

void RecordingFile::Fail(int error) const {
  throw RecordingError("cannot write the recording file " + path_ + ": " + std::strerror(error));
}

}  // namespace chip
