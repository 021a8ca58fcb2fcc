#pragma once

#include <memory>
#include <optional>
#include <string>

#include "buslink/bus_link.h"
#include "buslink/bus_trace.h"
#include "buslink/linux/bit_bang_i2c.h"
#include "buslink/linux/port_pins.h"
#include "buslink/linux/system_calls.h"

namespace buslink::linux_hw {

// What the Linux backend looks at and whom it asks. The defaults are this computer.
struct LinuxOptions {
  std::string root;                    // prefixed to /dev, /sys and /proc; empty on a real system
  std::shared_ptr<SystemCalls> calls;  // nullptr: the running kernel
  BitBangTiming timing;                // the printer-port bus clock
  std::shared_ptr<Pacer> pacer;        // nullptr: the steady clock
  std::optional<BusChoice> bus = {};   // --bus: the only adapters the SMBus search covers
};

// The build numbers OSBuild reports on Linux: one for which the wizard offers the SMBus (an
// i2c-dev adapter exists), one outside every build it knows (there is none).
inline constexpr const char* kBuildWithSmbus = "1998";
inline constexpr const char* kBuildWithoutSmbus = "2600";

// This computer's buses: the SMBus through i2c-dev, printer ports through ppdev. Creating the
// backend or its objects never fails and touches no hardware; the buses are opened at the first
// transfer, and every failure then is a BusError that says what to do.
class LinuxBackend : public Backend {
 public:
  explicit LinuxBackend(BusTrace* trace = nullptr, std::string root = {});
  LinuxBackend(BusTrace* trace, LinuxOptions options);

  std::unique_ptr<BusLink> CreateBusLink() override;
  std::unique_ptr<SystemInfo> CreateSystemInfo() override;
  std::string WhyUnavailable(Bus bus) const override;

 private:
  BusTrace* trace_;
  LinuxOptions options_;
};

}  // namespace buslink::linux_hw
