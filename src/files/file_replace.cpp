#include "files/file_replace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "files/file_text.h"

namespace files {

namespace {

// 0, or the errno of the write that failed.
int WriteAll(int fd, std::string_view text) {
  while (!text.empty()) {
    const ssize_t n = ::write(fd, text.data(), text.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return errno;
    if (n == 0) return ENOSPC;
    text.remove_prefix(static_cast<std::size_t>(n));
  }
  return 0;
}

// The process's umask, read without changing it (umask() would, for every thread).
mode_t CurrentUmask() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("Umask:", 0) == 0) {
      return static_cast<mode_t>(std::strtoul(line.c_str() + 6, nullptr, 8));
    }
  }
  return 022;
}

// A device or a pipe (/dev/stdout): there is no file to keep, so the text goes straight in.
int WriteInto(const std::string& path, std::string_view text) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return errno;
  const int error = WriteAll(fd, text);
  if (::close(fd) != 0 && error == 0) return errno;
  return error;
}

// Writes text to a new file beside target and renames it over target; 0 or the errno.
int WriteBeside(const std::string& target, std::string_view text, mode_t mode) {
  const std::size_t slash = target.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : target.substr(0, slash + 1);
  std::string temp =
      folder + "." + target.substr(slash == std::string::npos ? 0 : slash + 1) + ".XXXXXX";
  const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) return errno;
  int error = ::fchmod(fd, mode) != 0 ? errno : 0;
  if (error == 0) error = WriteAll(fd, text);
  if (error == 0 && ::fsync(fd) != 0) error = errno;
  if (::close(fd) != 0 && error == 0) error = errno;
  if (error == 0 && ::rename(temp.c_str(), target.c_str()) != 0) error = errno;
  if (error != 0) {
    ::unlink(temp.c_str());
    return error;
  }
  // The rename itself reaches the disk with the folder.
  const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return 0;
}

}  // namespace

void ReplaceFile(const std::string& path, std::string_view text, const std::string& what) {
  struct stat old {};
  const bool exists = ::stat(path.c_str(), &old) == 0;
  int error = 0;
  if (exists && !S_ISREG(old.st_mode)) {
    error = WriteInto(path, text);
  } else {
    std::string target = path;
    char resolved[PATH_MAX];
    if (exists && ::realpath(path.c_str(), resolved) != nullptr) target = resolved;
    error = WriteBeside(target, text, exists ? (old.st_mode & 07777) : (0666 & ~CurrentUmask()));
  }
  if (error != 0) throw FileError(path + ": cannot write " + what + ": " + std::strerror(error));
}

}  // namespace files
