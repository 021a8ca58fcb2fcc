#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "buslink/i2c_adapter.h"

// The bus access component: the objects through which the program reaches the chip. Every
// backend (simulated, Linux) implements these interfaces; every failing call throws BusError.
namespace buslink {

// One evaluation board on a printer port, addressed by the port's base I/O address.
class ParallelDevice {
 public:
  virtual ~ParallelDevice() = default;

  virtual void SetLoadReset(int value) = 0;  // puts the port's lines into their idle state
  virtual void SetBaseAddress(int base) = 0;
  virtual int BaseAddress() const = 0;
  virtual void SetDeviceAddress(std::uint8_t address) = 0;
  virtual void SetModeFlag(bool flag) = 0;  // selects between the two board wirings
  virtual bool ModeFlag() const = 0;

  // device is the 8-bit bus address (7-bit address shifted left by one).
  virtual std::uint8_t ReadByte(std::uint8_t device, std::uint8_t reg) = 0;
  virtual void WriteByte(std::uint8_t device, std::uint8_t& reg, std::uint8_t& value) = 0;
};

// The computer's printer ports. Selecting a port points the device at that port's base address.
class ParallelPorts {
 public:
  virtual ~ParallelPorts() = default;

  virtual int BaseAddress() const = 0;  // base I/O address of the selected port
  virtual ParallelDevice& Device() = 0;
  virtual std::uint8_t PortCount() const = 0;
  virtual void SetSelectedPort(std::uint8_t index) = 0;  // 0-based; BusError when out of range
};

// The PC's SMBus controller.
class SMBusDevice {
 public:
  virtual ~SMBusDevice() = default;

  // device is the 7-bit bus address.
  virtual void WriteByte(std::uint8_t device, std::uint8_t reg, std::uint8_t value) = 0;
  virtual std::uint8_t ReadByte(std::uint8_t device, std::uint8_t reg) = 0;
  virtual long BaseAddress() const = 0;  // controller's I/O base address, 0 when unknown
  virtual void SetDeviceAddress(std::uint8_t address) = 0;
  // Uses the controller at this I/O base address from the next transfer on; 0 returns to the
  // backend's own choice. When no controller sits there, every transfer throws BusError
  // (NoAdapter) saying which bases there are, and BaseAddress is 0.
  virtual void SetBaseAddress(long base) = 0;

  // Every I2C adapter of the computer as it is now (an adapter plugged in since the last call
  // shows), by number, each marked searched or not. Never throws; never transfers.
  virtual std::vector<I2cAdapterInfo> Adapters() const = 0;
  // Transfers go to adapter `number` from the next one on; -1 returns to the choice by base
  // address or by name. An adapter that is not there fails the next transfer.
  virtual void SelectAdapter(int number) = 0;
  // The adapter the next transfer goes to, nullopt when there is none. Never throws.
  virtual std::optional<I2cAdapterInfo> CurrentAdapter() const = 0;
};

// Which bus a link's transfers take. The shared state numbers its comms_medium differently; the
// access layer converts between the two in one place.
enum class BusMedium { PrinterPort = 0, SMBus = 1 };

// The component's root object.
class BusLink {
 public:
  virtual ~BusLink() = default;

  virtual ParallelPorts& GetParallelPorts() = 0;
  virtual SMBusDevice& SMBus() = 0;
  virtual void SetMedium(BusMedium medium) = 0;
  virtual BusMedium Medium() const = 0;
};

// Operating-system facts the wizard asks for.
class SystemInfo {
 public:
  virtual ~SystemInfo() = default;
  virtual std::string OSBuild() const = 0;  // a decimal build number
};

// A source of the component's objects: the simulated hardware or this computer's buses. The
// application picks one from its command line and hands it to the windows.
class Backend {
 public:
  enum class Bus { PrinterPort, SMBus };

  virtual ~Backend() = default;
  virtual std::unique_ptr<BusLink> CreateBusLink() = 0;
  virtual std::unique_ptr<SystemInfo> CreateSystemInfo() = 0;
  // Why this computer offers nothing at all on a bus, in words a person can act on; empty when
  // nothing is known to stand in the way. Looks, never transfers: nothing reaches the bus trace.
  virtual std::string WhyUnavailable(Bus /*bus*/) const { return {}; }
  // Whether this is the simulated hardware, so that advice for the user fits what they run.
  virtual bool Simulated() const { return false; }
};

}  // namespace buslink
