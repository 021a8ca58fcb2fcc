#include "files/recording_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace files {

namespace {

constexpr auto kFlushEvery = std::chrono::seconds(1);
constexpr auto kSyncEvery = std::chrono::seconds(10);
constexpr std::string_view kFirstLine = "# kelvran-eval ";
constexpr std::string_view kColumnNames = "time,";

}  // namespace

RecordingFile::RecordingFile(std::string path, ExistingFile existing, Clock::time_point now)
    : path_(std::move(path)), last_flush_(now), last_sync_(now) {
  int flags = O_WRONLY | O_CREAT | O_CLOEXEC | O_NOCTTY;
  if (existing == ExistingFile::Append) flags = O_RDWR | O_CREAT | O_APPEND | O_CLOEXEC | O_NOCTTY;
  fd_ = ::open(path_.c_str(), flags, 0644);
  if (fd_ < 0) {
    throw RecordingRefused("cannot create the recording file " + path_ + ": " +
                           std::strerror(errno));
  }
  struct stat status {};
  if (::fstat(fd_, &status) != 0) {
    const int error = errno;
    ::close(fd_);
    fd_ = -1;
    throw RecordingRefused("cannot open the recording file " + path_ + ": " + std::strerror(error));
  }
  regular_ = S_ISREG(status.st_mode);
  // The data there goes only when the first text to replace it is flushed: a recording that
  // never gets its first row (no chip, a bus that fails) leaves yesterday's file as it was.
  replace_ = existing == ExistingFile::Overwrite && regular_ && status.st_size > 0;
  const auto refuse = [this](const std::string& why) {
    ::close(fd_);
    fd_ = -1;
    throw RecordingRefused(path_ + " " + why);
  };
  if (existing == ExistingFile::Refuse && regular_ && status.st_size > 0) {
    refuse(
        "already holds data: start again with --overwrite to replace it, or with --append "
        "to continue the recording in it");
  }
  if (existing == ExistingFile::Append && !regular_) {
    refuse("is not a regular file, so --append cannot continue a recording in it");
  }
  if (existing == ExistingFile::Append && status.st_size > 0) ReadRecordingToContinue();
  buffer_.reserve(64 * 1024);
}

RecordingFile::~RecordingFile() {
  try {
    Close();
  } catch (const RecordingError&) {
    // Whoever cared has called Close() and heard of it.
  }
}

void RecordingFile::ReadRecordingToContinue() {
  // Only the first line and the column-name lines matter: the file is read through once in
  // blocks, whatever its size, keeping nothing else.
  std::string line;
  bool first_line = true;
  bool recording = true;
  char block[64 * 1024];
  off_t at = 0;
  while (recording) {
    const ssize_t n = ::pread(fd_, block, sizeof block, at);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      const int error = errno;
      ::close(fd_);
      fd_ = -1;
      throw RecordingRefused("cannot read the recording file " + path_ + ": " +
                             std::strerror(error));
    }
    if (n == 0) break;
    at += n;
    for (ssize_t i = 0; i < n && recording; ++i) {
      if (block[i] != '\n') {
        if (line.size() < 64 * 1024) line.push_back(block[i]);  // no line that matters is longer
        continue;
      }
      recording = !first_line || line.starts_with(kFirstLine);
      first_line = false;
      if (line.starts_with(kColumnNames)) continued_columns_ = line + '\n';
      line.clear();
    }
  }
  if (!recording || continued_columns_.empty()) {
    ::close(fd_);
    fd_ = -1;
    throw RecordingRefused(path_ +
                           " is not a recording of kelvran-eval, so --append cannot continue it");
  }
  continuing_ = true;
  ends_inside_a_line_ = !line.empty();
}

bool RecordingFile::Begin(std::string_view header, std::string_view column_names,
                          std::string_view start_time) {
  if (!continuing_) {
    buffer_.append(header);
    return true;
  }
  if (column_names != continued_columns_) {
    throw RecordingRefused(path_ +
                           " was recorded with other columns than the chip's Channel Mode gives "
                           "now; --append continues only a recording with the same columns");
  }
  // A row the last run left half written keeps to its own line.
  if (ends_inside_a_line_) buffer_.push_back('\n');
  buffer_.append("# appended: ");
  buffer_.append(start_time);
  buffer_.push_back('\n');
  return false;
}

void RecordingFile::Write(std::string_view text, Clock::time_point now) {
  buffer_.append(text);
  if (now - last_flush_ >= kFlushEvery) Flush(now);
  if (now - last_sync_ >= kSyncEvery) Sync(now);
}

void RecordingFile::Flush(Clock::time_point now) {
  if (fd_ < 0) return;
  last_flush_ = now;
  if (replace_ && !buffer_.empty()) {
    if (::ftruncate(fd_, 0) != 0) Fail("replace", errno);
    replace_ = false;
  }
  std::size_t done = 0;
  while (done < buffer_.size()) {
    const ssize_t n = ::write(fd_, buffer_.data() + done, buffer_.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      buffer_.erase(0, done);
      Fail("write", n < 0 ? errno : ENOSPC);
    }
    done += static_cast<std::size_t>(n);
  }
  buffer_.clear();
  // Writing to a file whose folder was deleted succeeds on Linux, into a file nobody can open
  // again: say so rather than record into nothing.
  struct stat status {};
  if (::fstat(fd_, &status) == 0 && status.st_nlink == 0 && regular_) {
    throw RecordingError("cannot write the recording file " + path_ +
                         ": the file or its folder was deleted");
  }
}

void RecordingFile::Sync(Clock::time_point now) {
  Flush(now);
  last_sync_ = now;
  // A pipe or a device has no disk to reach.
  if (regular_ && ::fdatasync(fd_) != 0) Fail("sync", errno);
}

void RecordingFile::Close() {
  if (fd_ < 0) return;
  try {
    Sync(Clock::now());
  } catch (const RecordingError&) {
    ::close(fd_);
    fd_ = -1;
    throw;
  }
  const int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0 && errno != EINTR) Fail("close", errno);
}

void RecordingFile::Fail(const char* doing, int error) const {
  throw RecordingError("cannot " + std::string(doing) + " the recording file " + path_ + ": " +
                       std::strerror(error));
}

}  // namespace files
