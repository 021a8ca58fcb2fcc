#pragma once

#include <cerrno>
#include <cstdint>
#include <string>

namespace buslink::linux_hw {

// What the system says about who may open a device node, for a permission message that tells
// "add yourself to the group" from "you are in the group but must log in again".
struct NodeAccess {
  std::string group;                  // the node's group name, empty when unknown
  bool session_has_group = false;     // this process already runs with that group
  bool user_listed_in_group = false;  // the group database lists the user as a member
};

// The kernel calls the Linux backends make. Each returns what the kernel returned, with failures
// as a negative errno, so tests can stand in for the kernel: an EACCES on open, a NACK on a
// transfer, a printer port that answers ioctls from a simulated board.
class SystemCalls {
 public:
  virtual ~SystemCalls() = default;

  virtual int Open(const std::string& path, int flags);  // file descriptor or -errno
  virtual void Close(int fd);
  virtual int Ioctl(int fd, unsigned long request, void* arg);                   // 0 or -errno
  virtual int SmbusReadByteData(int fd, std::uint8_t reg);                       // 0..255 or -errno
  virtual int SmbusWriteByteData(int fd, std::uint8_t reg, std::uint8_t value);  // 0 or -errno
  virtual NodeAccess DescribeAccess(const std::string& path);
};

// The one instance that talks to the running kernel.
SystemCalls& RealSystemCalls();

// Runs call (returning a result or -errno) again while a signal interrupts it (-EINTR), as a
// signal handler installed without SA_RESTART makes the kernel do. A call that keeps being
// interrupted gives up after many tries with its -EINTR.
template <class Call>
int Uninterrupted(Call&& call) {
  constexpr int kTries = 1000;
  int result = call();
  for (int i = 1; i < kTries && result == -EINTR; ++i) result = call();
  return result;
}

}  // namespace buslink::linux_hw
