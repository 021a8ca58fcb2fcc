#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "buslink/bus_link.h"
#include "buslink/bus_trace.h"
#include "buslink/linux/i2c_adapters.h"
#include "buslink/linux/system_calls.h"

namespace buslink::linux_hw {

// The SMBus through i2c-dev. The adapter is chosen and opened at the first transfer, not before,
// so creating the object never fails and never touches the bus. A transfer the kernel interrupts
// (EINTR) is tried again; an adapter that disappears fails with AdapterGone and is let go, so the
// kernel can finish removing it.
class LinuxSmbusDevice : public SMBusDevice {
 public:
  // choice: the adapters --bus names; the search covers only those.
  LinuxSmbusDevice(std::string root, std::shared_ptr<SystemCalls> calls, BusTrace* trace,
                   std::optional<BusChoice> choice = std::nullopt);
  ~LinuxSmbusDevice() override;
  LinuxSmbusDevice(const LinuxSmbusDevice&) = delete;
  LinuxSmbusDevice& operator=(const LinuxSmbusDevice&) = delete;

  void WriteByte(std::uint8_t device, std::uint8_t reg, std::uint8_t value) override;
  std::uint8_t ReadByte(std::uint8_t device, std::uint8_t reg) override;
  long BaseAddress() const override;  // of the adapter a transfer would use; never throws
  void SetDeviceAddress(std::uint8_t address) override { device_address_ = address; }
  // Uses the adapter whose controller sits at base (0: choose by name again). The adapter in use
  // is closed now; the next transfer opens the new one, or fails saying which bases there are.
  void SetBaseAddress(long base) override;
  std::vector<I2cAdapterInfo> Adapters() const override;
  void SelectAdapter(int number) override;
  std::optional<I2cAdapterInfo> CurrentAdapter() const override;

 private:
  int Prepare(std::uint8_t device);  // opens the adapter and sets the slave address; returns fd
  void CloseAdapter();
  // The error for a call on the open adapter that returned -err: AdapterGone when the adapter
  // has disappeared (and then it is closed), else what the kernel's errno says.
  BusError TransferError(std::uint8_t device, int err);

  std::string root_;
  std::shared_ptr<SystemCalls> calls_;
  BusTrace* trace_;
  long base_hint_ = 0;
  int adapter_number_ = -1;
  std::optional<BusChoice> choice_;
  std::uint8_t device_address_ = 0;
  std::optional<I2cAdapter> adapter_;  // the adapter open on fd_
  int fd_ = -1;
  int slave_ = -1;  // the address I2C_SLAVE last set on fd_
};

}  // namespace buslink::linux_hw
