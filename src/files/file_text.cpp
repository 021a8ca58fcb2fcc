#include "files/file_text.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace files {

namespace {

[[noreturn]] void Fail(const std::string& path, const std::string& what, const std::string& why,
                       const char* doing = "read") {
  throw FileError(path + ": cannot " + doing + " " + what + ": " + why);
}

}  // namespace

std::string ReadUserFile(const std::string& path, const std::string& what, std::size_t limit) {
  // O_NONBLOCK: opening a pipe for reading would otherwise wait for a writer.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) Fail(path, what, std::strerror(errno), "open");
  struct stat status {};
  std::string text;
  try {
    if (::fstat(fd, &status) != 0) Fail(path, what, std::strerror(errno));
    if (!S_ISREG(status.st_mode)) Fail(path, what, "it is not a regular file");
    if (static_cast<std::size_t>(status.st_size) > limit) {
      Fail(path, what,
           "it is larger than " + std::to_string(limit / 1024 / 1024) + " MiB (" +
               std::to_string(status.st_size) + " bytes)");
    }
    text.resize(limit + 1);
    std::size_t done = 0;
    while (done < text.size()) {
      const ssize_t n = ::read(fd, text.data() + done, text.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) Fail(path, what, std::strerror(errno));
      if (n == 0) break;
      done += static_cast<std::size_t>(n);
    }
    if (done > limit) Fail(path, what, "it grew larger than 1 MiB while being read");
    text.resize(done);
  } catch (...) {
    ::close(fd);
    throw;
  }
  ::close(fd);
  return text;
}

std::string PlainText(std::string_view text) {
  std::string plain;
  plain.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if ((c < 0x20 && c != '\n' && c != '\t') || c == 0x7F) continue;
    // C1 controls (U+0080..U+009F) in UTF-8; some terminals act on them as on ESC sequences.
    if (c == 0xC2 && i + 1 < text.size()) {
      const auto next = static_cast<unsigned char>(text[i + 1]);
      if (next >= 0x80 && next <= 0x9F) {
        ++i;
        continue;
      }
    }
    plain.push_back(static_cast<char>(c));
  }
  return plain;
}

}  // namespace files
