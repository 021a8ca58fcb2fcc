#include "buslink/linux/ppdev_pins.h"

#include <fcntl.h>
#include <sys/ioctl.h>

#include <linux/ppdev.h>

#include "buslink/linux/linux_errors.h"

namespace buslink::linux_hw {

std::unique_ptr<PpdevPins> PpdevPins::Open(std::shared_ptr<SystemCalls> calls,
                                           const std::string& node) {
  const int fd = Uninterrupted([&] { return calls->Open(node, O_RDWR); });
  if (fd < 0) throw OpenError(NodeKind::Parport, node, -fd, calls->DescribeAccess(node));
  const int claimed = Uninterrupted([&] { return calls->Ioctl(fd, PPCLAIM, nullptr); });
  if (claimed < 0) {
    calls->Close(fd);
    throw PortIoError(node, "claim the port", -claimed);
  }
  // A bidirectional port may have been left reading; the board needs the data lines driven.
  // Ports that cannot turn their data lines round drive them always, so a refusal is harmless.
  int forward = 0;
  Uninterrupted([&] { return calls->Ioctl(fd, PPDATADIR, &forward); });
  return std::unique_ptr<PpdevPins>(new PpdevPins(std::move(calls), node, fd));
}

PpdevPins::PpdevPins(std::shared_ptr<SystemCalls> calls, std::string node, int fd)
    : calls_(std::move(calls)), node_(std::move(node)), fd_(fd) {}

PpdevPins::~PpdevPins() {
  Uninterrupted([&] { return calls_->Ioctl(fd_, PPRELEASE, nullptr); });
  calls_->Close(fd_);
}

void PpdevPins::Call(unsigned long request, void* arg, const char* what) {
  const int result = Uninterrupted([&] { return calls_->Ioctl(fd_, request, arg); });
  if (result < 0) throw PortIoError(node_, what, -result);
}

void PpdevPins::WriteData(std::uint8_t value) {
  Call(PPWDATA, &value, "write the data lines");
}

std::uint8_t PpdevPins::ReadStatus() {
  std::uint8_t value = 0;
  Call(PPRSTATUS, &value, "read the status lines");
  return value;
}

void PpdevPins::WriteControl(std::uint8_t value) {
  Call(PPWCONTROL, &value, "write the control lines");
}

}  // namespace buslink::linux_hw
