#include "buslink/linux/system_calls.h"

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

extern "C" {
#include <i2c/smbus.h>
}

#include <cerrno>
#include <cstring>
#include <vector>

namespace buslink::linux_hw {

namespace {

// libi2c reports a failure as -errno; older releases returned -1 and left errno set.
int SmbusResult(int result) {
  if (result == -1 && errno != 0 && errno != EPERM) return -errno;
  return result;
}

}  // namespace

int SystemCalls::Open(const std::string& path, int flags) {
  const int fd = ::open(path.c_str(), flags | O_CLOEXEC);
  return fd < 0 ? -errno : fd;
}

void SystemCalls::Close(int fd) {
  ::close(fd);
}

int SystemCalls::Ioctl(int fd, unsigned long request, void* arg) {
  return ::ioctl(fd, request, arg) < 0 ? -errno : 0;
}

int SystemCalls::SmbusReadByteData(int fd, std::uint8_t reg) {
  errno = 0;
  return SmbusResult(i2c_smbus_read_byte_data(fd, reg));
}

int SystemCalls::SmbusWriteByteData(int fd, std::uint8_t reg, std::uint8_t value) {
  errno = 0;
  return SmbusResult(i2c_smbus_write_byte_data(fd, reg, value));
}

NodeAccess SystemCalls::DescribeAccess(const std::string& path) {
  NodeAccess access;
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return access;
  const struct group* grp = ::getgrgid(st.st_gid);
  if (grp == nullptr) return access;
  access.group = grp->gr_name;

  const int count = ::getgroups(0, nullptr);
  if (count > 0) {
    std::vector<gid_t> groups(static_cast<std::size_t>(count));
    const int got = ::getgroups(count, groups.data());
    for (int i = 0; i < got; ++i) {
      if (groups[static_cast<std::size_t>(i)] == st.st_gid) access.session_has_group = true;
    }
  }
  if (::getegid() == st.st_gid) access.session_has_group = true;

  if (const struct passwd* pw = ::getpwuid(::getuid())) {
    if (pw->pw_gid == st.st_gid) access.user_listed_in_group = true;
    for (char** member = grp->gr_mem; member != nullptr && *member != nullptr; ++member) {
      if (std::strcmp(*member, pw->pw_name) == 0) access.user_listed_in_group = true;
    }
  }
  return access;
}

SystemCalls& RealSystemCalls() {
  static SystemCalls calls;
  return calls;
}

}  // namespace buslink::linux_hw
