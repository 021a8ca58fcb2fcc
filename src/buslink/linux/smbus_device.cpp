#include "buslink/linux/smbus_device.h"

#include <fcntl.h>
#include <linux/i2c-dev.h>

#include "buslink/linux/linux_errors.h"

namespace buslink::linux_hw {

LinuxSmbusDevice::LinuxSmbusDevice(std::string root, std::shared_ptr<SystemCalls> calls,
                                   BusTrace* trace, int adapter_number)
    : root_(std::move(root)),
      calls_(std::move(calls)),
      trace_(trace),
      adapter_number_(adapter_number) {}

LinuxSmbusDevice::~LinuxSmbusDevice() {
  CloseAdapter();
}

void LinuxSmbusDevice::CloseAdapter() {
  if (fd_ >= 0) calls_->Close(fd_);
  fd_ = -1;
  slave_ = -1;
  adapter_.reset();
}

void LinuxSmbusDevice::SetBaseAddress(long base) {
  if (base == base_hint_) return;
  base_hint_ = base;
  CloseAdapter();
}

long LinuxSmbusDevice::BaseAddress() const {
  if (adapter_) return adapter_->base_address;
  try {
    return ChooseAdapter(ScanI2cDev(root_), base_hint_, adapter_number_).base_address;
  } catch (const BusError&) {
    return 0;  // the wizard shows 0 when there is no adapter; the search says why
  }
}

int LinuxSmbusDevice::Prepare(std::uint8_t device) {
  if (fd_ < 0) {
    const I2cAdapter adapter = ChooseAdapter(ScanI2cDev(root_), base_hint_, adapter_number_);
    const int fd = calls_->Open(adapter.node, O_RDWR);
    if (fd < 0) {
      throw OpenError(NodeKind::I2c, adapter.node, -fd, calls_->DescribeAccess(adapter.node));
    }
    fd_ = fd;
    adapter_ = adapter;
  }
  if (slave_ != device) {
    // I2C_SLAVE takes the address as the ioctl's value, not through a pointer.
    const int result =
        calls_->Ioctl(fd_, I2C_SLAVE, reinterpret_cast<void*>(static_cast<std::uintptr_t>(device)));
    if (result < 0) throw SmbusTransferError(adapter_->Describe(), device, -result);
    slave_ = device;
  }
  return fd_;
}

std::uint8_t LinuxSmbusDevice::ReadByte(std::uint8_t device, std::uint8_t reg) {
  return Traced(trace_, TraceMedium::SMB, device, 'R', reg, [&] {
    const int result = calls_->SmbusReadByteData(Prepare(device), reg);
    if (result < 0) throw SmbusTransferError(adapter_->Describe(), device, -result);
    return static_cast<std::uint8_t>(result);
  });
}

void LinuxSmbusDevice::WriteByte(std::uint8_t device, std::uint8_t reg, std::uint8_t value) {
  Traced(trace_, TraceMedium::SMB, device, 'W', reg, [&] {
    const int result = calls_->SmbusWriteByteData(Prepare(device), reg, value);
    if (result < 0) throw SmbusTransferError(adapter_->Describe(), device, -result);
    return value;
  });
}

}  // namespace buslink::linux_hw
