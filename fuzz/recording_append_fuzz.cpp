// A file given to --append is either a recording to continue, or refused with a message; once
// continued, it ends with the restart line whatever it held before.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "files/recording_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const int fd = memfd_create("recording", MFD_CLOEXEC);
  if (fd < 0) std::abort();
  if (size > 0 && write(fd, data, size) != static_cast<ssize_t>(size)) std::abort();
  const std::string path = "/proc/self/fd/" + std::to_string(fd);
  try {
    files::RecordingFile file(path, files::ExistingFile::Append);
    file.Begin("# kelvran-eval 1 recording\n", "time,seconds\n", "T");
    file.Close();
  } catch (const files::RecordingError& e) {
    if (std::string(e.what()).empty()) std::abort();
    close(fd);
    return 0;
  }
  const auto end = lseek(fd, 0, SEEK_END);
  std::string tail(14, '\0');
  if (end < 14 || pread(fd, tail.data(), tail.size(), end - 14) != 14) std::abort();
  if (size > 0 && tail != "# appended: T\n") std::abort();
  close(fd);
  return 0;
}
