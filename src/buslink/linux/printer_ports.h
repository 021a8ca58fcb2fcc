#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "buslink/bus_link.h"
#include "buslink/bus_trace.h"
#include "buslink/linux/bit_bang_i2c.h"
#include "buslink/linux/system_calls.h"

namespace buslink::linux_hw {

// One printer port the kernel knows, by its parport number.
struct PrinterPort {
  int number = 0;
  std::string node;       // /dev/parport<number> under the backend's root
  int base = 0;           // base I/O address from the kernel's parport entry, 0 when unknown
  bool has_node = false;  // false: the kernel has the port but ppdev offers no node for it
};

// The ports with a /dev/parport node or a /proc/sys/dev/parport entry, by number.
std::vector<PrinterPort> FindPrinterPorts(const std::string& root);
// What to tell a user whose computer shows no printer port at all.
std::string NoPrinterPortText();

// What the printer-port objects share: where to look, whom to ask, how fast to clock.
struct PortContext {
  std::string root;
  std::shared_ptr<SystemCalls> calls;
  std::shared_ptr<Pacer> pacer;
  BitBangTiming timing;
  BusTrace* trace = nullptr;
};

// The evaluation board on one of the ports, reached by a bit-banged I2C master. A transfer goes to
// the port whose base address was set last; ports are opened at their first transfer and stay
// claimed while the object lives.
class LinuxParallelDevice : public ParallelDevice {
 public:
  explicit LinuxParallelDevice(PortContext context);
  ~LinuxParallelDevice() override;

  void SetLoadReset(int value) override;
  void SetBaseAddress(int base) override;
  int BaseAddress() const override { return base_; }
  void SetDeviceAddress(std::uint8_t address) override { device_address_ = address; }
  void SetModeFlag(bool flag) override { mode_flag_ = flag; }
  bool ModeFlag() const override { return mode_flag_; }
  std::uint8_t ReadByte(std::uint8_t device, std::uint8_t reg) override;
  void WriteByte(std::uint8_t device, std::uint8_t& reg, std::uint8_t& value) override;

  void Target(const PrinterPort& port);  // the port chosen with SelectedPort

 private:
  const PrinterPort& ResolvePort();  // the port at base_, or a BusError saying what is there
  BitBangI2c Master(const PrinterPort& port, PortPins& pins) const;
  PortPins& Pins(const PrinterPort& port);  // opens and claims it once

  PortContext context_;
  int base_ = 0;
  std::uint8_t device_address_ = 0;
  bool mode_flag_ = false;
  std::optional<PrinterPort> port_;                // the port at base_, when known
  std::map<int, std::unique_ptr<PortPins>> open_;  // by parport number
};

class LinuxParallelPorts : public ParallelPorts {
 public:
  explicit LinuxParallelPorts(PortContext context);

  int BaseAddress() const override;
  ParallelDevice& Device() override { return device_; }
  std::uint8_t PortCount() const override;  // looks again each time: a module may have loaded
  void SetSelectedPort(std::uint8_t index) override;

 private:
  std::string root_;
  std::optional<PrinterPort> selected_;
  LinuxParallelDevice device_;
};

}  // namespace buslink::linux_hw
