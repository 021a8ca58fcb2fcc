#pragma once

#include <optional>
#include <string>
#include <vector>

#include "buslink/i2c_adapter.h"

namespace buslink::linux_hw {

// One adapter that i2c-dev offers as /dev/i2c-<number>.
struct I2cAdapter {
  int number = 0;
  std::string node;         // the /dev path, under the backend's root
  std::string name;         // the kernel's name for it, empty when sysfs does not say
  long base_address = 0;    // the controller's I/O base, 0 when the system does not reveal it
  bool is_smbus = false;    // the name says it is an SMBus controller
  AdapterFacts facts;       // what sysfs tells of the device it hangs off
  std::string path;         // its place in the machine, as I2cAdapterInfo::path
  std::string sysfs_entry;  // its /sys/class/i2c-dev entry, empty when sysfs has none

  std::string Describe() const;  // "/dev/i2c-0 (SMBus I801 adapter at efa0)"
  // As the search and the windows see it (not yet marked searched or not).
  I2cAdapterInfo Info() const;
  // The node or its sysfs entry has disappeared since the scan: a USB bridge was unplugged, its
  // driver unloaded.
  bool Gone() const;
};

// What i2c-dev shows of this computer. root is prefixed to /dev and /sys.
struct I2cDevScan {
  std::vector<I2cAdapter> adapters;  // those with a /dev node, by number
  bool module_loaded = false;        // /sys/class/i2c-dev exists
  int without_node = 0;              // adapters in sysfs whose /dev node is missing
};

I2cDevScan ScanI2cDev(const std::string& root);

// The adapter to use: /dev/i2c-<number> when number is 0 or more, else the one whose controller
// sits at base_hint when that is not 0, else the first that choice names, otherwise the first
// whose name says SMBus, otherwise the first. Throws BusError with advice when there is none
// (i2c-dev not loaded, nodes missing, no adapter, no such number, nothing at base_hint, nothing
// the choice names).
const I2cAdapter& ChooseAdapter(const I2cDevScan& scan, long base_hint = 0, int number = -1,
                                const std::optional<BusChoice>& choice = std::nullopt);

// Every adapter of the scan as the search sees it, marked searched or not.
std::vector<I2cAdapterInfo> AdapterInfos(const I2cDevScan& scan,
                                         const std::optional<BusChoice>& choice);

// The base address in an adapter name such as "SMBus PIIX4 adapter port 0 at 0b00", else 0.
long BaseFromName(const std::string& name);

}  // namespace buslink::linux_hw
