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
// so creating the object never fails and never touches the bus.
class LinuxSmbusDevice : public SMBusDevice {
 public:
  // adapter_number 0 or more: always /dev/i2c-<adapter_number>, whatever the names say.
  LinuxSmbusDevice(std::string root, std::shared_ptr<SystemCalls> calls, BusTrace* trace,
                   int adapter_number = -1);
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

 private:
  int Prepare(std::uint8_t device);  // opens the adapter and sets the slave address; returns fd
  void CloseAdapter();

  std::string root_;
  std::shared_ptr<SystemCalls> calls_;
  BusTrace* trace_;
  long base_hint_ = 0;
  int adapter_number_ = -1;
  std::uint8_t device_address_ = 0;
  std::optional<I2cAdapter> adapter_;  // the adapter open on fd_
  int fd_ = -1;
  int slave_ = -1;  // the address I2C_SLAVE last set on fd_
};

}  // namespace buslink::linux_hw
