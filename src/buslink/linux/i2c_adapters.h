#pragma once

#include <string>
#include <vector>

namespace buslink::linux_hw {

// One adapter that i2c-dev offers as /dev/i2c-<number>.
struct I2cAdapter {
  int number = 0;
  std::string node;       // the /dev path, under the backend's root
  std::string name;       // the kernel's name for it, empty when sysfs does not say
  long base_address = 0;  // the controller's I/O base, 0 when the system does not reveal it
  bool is_smbus = false;  // the name says it is an SMBus controller

  std::string Describe() const;  // "/dev/i2c-0 (SMBus I801 adapter at efa0)"
};

// What i2c-dev shows of this computer. root is prefixed to /dev and /sys.
struct I2cDevScan {
  std::vector<I2cAdapter> adapters;  // those with a /dev node, by number
  bool module_loaded = false;        // /sys/class/i2c-dev exists
  int without_node = 0;              // adapters in sysfs whose /dev node is missing
};

I2cDevScan ScanI2cDev(const std::string& root);

// The adapter to use: /dev/i2c-<number> when number is 0 or more, else the one whose controller
// sits at base_hint when that is not 0, otherwise the first whose name says SMBus, otherwise the
// first. Throws BusError with advice when there is none (i2c-dev not loaded, nodes missing, no
// adapter, no such number, nothing at base_hint).
const I2cAdapter& ChooseAdapter(const I2cDevScan& scan, long base_hint = 0, int number = -1);

// The base address in an adapter name such as "SMBus PIIX4 adapter port 0 at 0b00", else 0.
long BaseFromName(const std::string& name);

}  // namespace buslink::linux_hw
