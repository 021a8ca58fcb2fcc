#include "buslink/linux/smbus_device.h"

#include <fcntl.h>
#include <linux/i2c-dev.h>

#include "buslink/linux/linux_errors.h"

namespace buslink::linux_hw {

LinuxSmbusDevice::LinuxSmbusDevice(std::string root, std::shared_ptr<SystemCalls> calls,
                                   BusTrace* trace, std::optional<BusChoice> choice)
    : root_(std::move(root)), calls_(std::move(calls)), trace_(trace), choice_(std::move(choice)) {}

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

void LinuxSmbusDevice::SelectAdapter(int number) {
  if (number == adapter_number_) return;
  adapter_number_ = number;
  CloseAdapter();
}

std::vector<I2cAdapterInfo> LinuxSmbusDevice::Adapters() const {
  return AdapterInfos(ScanI2cDev(root_), choice_);
}

std::optional<I2cAdapterInfo> LinuxSmbusDevice::CurrentAdapter() const {
  if (adapter_) return adapter_->Info();
  try {
    return ChooseAdapter(ScanI2cDev(root_), base_hint_, adapter_number_, choice_).Info();
  } catch (const BusError&) {
    return std::nullopt;
  }
}

long LinuxSmbusDevice::BaseAddress() const {
  if (adapter_) return adapter_->base_address;
  try {
    return ChooseAdapter(ScanI2cDev(root_), base_hint_, adapter_number_, choice_).base_address;
  } catch (const BusError&) {
    return 0;  // the wizard shows 0 when there is no adapter; the search says why
  }
}

BusError LinuxSmbusDevice::TransferError(std::uint8_t device, int err) {
  if (adapter_->Gone()) {
    const I2cAdapterInfo gone = adapter_->Info();
    CloseAdapter();
    return BusError(ErrorCode::AdapterGone, GoneText(gone));
  }
  return SmbusTransferError(adapter_->Describe(), device, err);
}

int LinuxSmbusDevice::Prepare(std::uint8_t device) {
  if (fd_ < 0) {
    const I2cAdapter adapter =
        ChooseAdapter(ScanI2cDev(root_), base_hint_, adapter_number_, choice_);
    const int fd = Uninterrupted([&] { return calls_->Open(adapter.node, O_RDWR); });
    if (fd < 0) {
      throw OpenError(NodeKind::I2c, adapter.node, -fd, calls_->DescribeAccess(adapter.node));
    }
    fd_ = fd;
    adapter_ = adapter;
  }
  if (slave_ != device) {
    // I2C_SLAVE takes the address as the ioctl's value, not through a pointer.
    const int result = Uninterrupted([&] {
      return calls_->Ioctl(fd_, I2C_SLAVE,
                           reinterpret_cast<void*>(static_cast<std::uintptr_t>(device)));
    });
    if (result < 0) throw TransferError(device, -result);
    slave_ = device;
  }
  return fd_;
}

std::uint8_t LinuxSmbusDevice::ReadByte(std::uint8_t device, std::uint8_t reg) {
  return Traced(trace_, TraceMedium::SMB, device, 'R', reg, [&] {
    const int fd = Prepare(device);
    const int result = Uninterrupted([&] { return calls_->SmbusReadByteData(fd, reg); });
    if (result < 0) throw TransferError(device, -result);
    return static_cast<std::uint8_t>(result);
  });
}

void LinuxSmbusDevice::WriteByte(std::uint8_t device, std::uint8_t reg, std::uint8_t value) {
  Traced(trace_, TraceMedium::SMB, device, 'W', reg, [&] {
    const int fd = Prepare(device);
    const int result = Uninterrupted([&] { return calls_->SmbusWriteByteData(fd, reg, value); });
    if (result < 0) throw TransferError(device, -result);
    return value;
  });
}

}  // namespace buslink::linux_hw
