#pragma once

#include <linux/i2c-dev.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <map>
#include <string>

#include "buslink/linux/port_pins.h"
#include "buslink/linux/system_calls.h"

namespace buslink::linux_hw::testing {

// Stands in for the kernel behind the Linux backends: open errors by path, ppdev ioctls served
// by simulated boards, SMBus chips as register files, errors on chosen transfers.
class FakeKernel : public SystemCalls {
 public:
  std::map<std::string, int> open_errors;                             // path -> errno
  std::map<std::string, PortPins*> ports;                             // /dev/parportN -> board
  std::map<std::uint8_t, std::array<std::uint8_t, 256>> smbus_chips;  // 7-bit address -> regs
  int transfer_error = 0;  // errno for every SMBus transfer
  // Chips behind one adapter node only; a node not listed here has smbus_chips.
  std::map<std::string, std::map<std::uint8_t, std::array<std::uint8_t, 256>>> chips_on;
  int slave_error = 0;     // errno for I2C_SLAVE
  int port_error = 0;      // errno for every ppdev pin ioctl
  int interrupt_next = 0;  // this many calls from now fail with EINTR, as a signal would make them
  NodeAccess access;
  int opens = 0;
  std::map<int, std::string> open_fds;

  int Open(const std::string& path, int /*flags*/) override {
    if (Interrupted()) return -EINTR;
    ++opens;
    const auto error = open_errors.find(path);
    if (error != open_errors.end()) return -error->second;
    open_fds[next_fd_] = path;
    return next_fd_++;
  }
  void Close(int fd) override { open_fds.erase(fd); }

  int Ioctl(int fd, unsigned long request, void* arg) override {
    if (Interrupted()) return -EINTR;
    const auto file = open_fds.find(fd);
    if (file == open_fds.end()) return -EBADF;
    if (request == I2C_SLAVE) {
      if (slave_error != 0) return -slave_error;
      slave_[fd] = static_cast<std::uint8_t>(reinterpret_cast<std::uintptr_t>(arg));
      return 0;
    }
    const auto port = ports.find(file->second);
    if (port == ports.end()) return -ENOTTY;
    auto* byte = static_cast<std::uint8_t*>(arg);
    // That ppdev refuses pin access to an unclaimed port the kernel VM stage shows.
    if (request == PPCLAIM || request == PPRELEASE || request == PPDATADIR) return 0;
    if (port_error != 0) return -port_error;
    switch (request) {
      case PPWDATA:
        port->second->WriteData(*byte);
        return 0;
      case PPRSTATUS:
        *byte = port->second->ReadStatus();
        return 0;
      case PPWCONTROL:
        port->second->WriteControl(*byte);
        return 0;
      default:
        return -ENOTTY;
    }
  }

  int SmbusReadByteData(int fd, std::uint8_t reg) override {
    if (Interrupted()) return -EINTR;
    std::array<std::uint8_t, 256>* chip = Chip(fd);
    if (transfer_error != 0) return -transfer_error;
    if (chip == nullptr) return -ENXIO;  // nothing answers there
    return (*chip)[reg];
  }
  int SmbusWriteByteData(int fd, std::uint8_t reg, std::uint8_t value) override {
    if (Interrupted()) return -EINTR;
    std::array<std::uint8_t, 256>* chip = Chip(fd);
    if (transfer_error != 0) return -transfer_error;
    if (chip == nullptr) return -ENXIO;  // nothing answers there
    (*chip)[reg] = value;
    return 0;
  }
  NodeAccess DescribeAccess(const std::string& /*path*/) override { return access; }

 private:
  bool Interrupted() {
    if (interrupt_next <= 0) return false;
    --interrupt_next;
    return true;
  }
  std::array<std::uint8_t, 256>* Chip(int fd) {
    const auto slave = slave_.find(fd);
    if (slave == slave_.end()) return nullptr;
    const auto node = chips_on.find(open_fds[fd]);
    auto& chips = node == chips_on.end() ? smbus_chips : node->second;
    const auto chip = chips.find(slave->second);
    return chip == chips.end() ? nullptr : &chip->second;
  }

  int next_fd_ = 100;
  std::map<int, std::uint8_t> slave_;
};

}  // namespace buslink::linux_hw::testing
