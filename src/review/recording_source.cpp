#include "review/recording_source.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace review {

namespace {

constexpr std::size_t kBlock =
    1 << 20;  // read a megabyte at a time: a file of gigabytes stays on disk

std::string Reason(int error) {
  return std::strerror(error);
}

}  // namespace

RecordingSource::RecordingSource(std::string path)
    : path_(std::move(path)), model_(std::make_unique<RecordingModel>()), reader_(*model_) {
  fd_ = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) throw RecordingReadError("cannot open " + path_ + ": " + Reason(errno));
  struct stat st {};
  if (::fstat(fd_, &st) == 0 && S_ISDIR(st.st_mode)) {
    ::close(fd_);
    fd_ = -1;
    throw RecordingReadError("cannot open " + path_ + ": it is a folder");
  }
  device_ = static_cast<std::uint64_t>(st.st_dev);
  inode_ = static_cast<std::uint64_t>(st.st_ino);
  // The file is read once from start to end.
  ::posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
}

RecordingSource::~RecordingSource() {
  if (fd_ >= 0) ::close(fd_);
}

std::uint64_t RecordingSource::FileSize() const {
  struct stat st {};
  if (::fstat(fd_, &st) != 0) return 0;
  return static_cast<std::uint64_t>(st.st_size);
}

bool RecordingSource::Replaced() const {
  struct stat st {};
  if (::stat(path_.c_str(), &st) != 0) return true;  // removed or renamed away
  return static_cast<std::uint64_t>(st.st_dev) != device_ ||
         static_cast<std::uint64_t>(st.st_ino) != inode_;
}

std::uint64_t RecordingSource::ReadMore(std::uint64_t max_bytes, const std::atomic<bool>* cancel) {
  std::vector<char> buffer(kBlock);
  std::uint64_t total = 0;
  while (total < max_bytes && (cancel == nullptr || !cancel->load(std::memory_order_relaxed))) {
    const std::size_t want =
        static_cast<std::size_t>(std::min<std::uint64_t>(kBlock, max_bytes - total));
    const ssize_t got = ::pread(fd_, buffer.data(), want, static_cast<off_t>(BytesRead()));
    if (got < 0) {
      if (errno == EINTR) continue;
      throw RecordingReadError("cannot read " + path_ + ": " + Reason(errno));
    }
    if (got == 0) break;
    reader_.Feed(std::string_view(buffer.data(), static_cast<std::size_t>(got)));
    read_.store(BytesRead() + static_cast<std::uint64_t>(got), std::memory_order_relaxed);
    total += static_cast<std::uint64_t>(got);
  }
  return total;
}

}  // namespace review
