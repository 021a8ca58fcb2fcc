#include "buslink/linux/i2c_adapters.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "buslink/base_box_advice.h"
#include "buslink/bus_error.h"
#include "buslink/linux/linux_errors.h"

namespace fs = std::filesystem;

namespace buslink::linux_hw {

namespace {

constexpr unsigned long kIoResource = 0x100;  // IORESOURCE_IO in a PCI device's resource file

// The number N of a name "<prefix>N", or -1.
int NumberAfter(const std::string& name, const std::string& prefix) {
  if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) return -1;
  int number = -1;
  const char* first = name.data() + prefix.size();
  const char* last = name.data() + name.size();
  const auto [end, ec] = std::from_chars(first, last, number);
  return ec == std::errc() && end == last ? number : -1;
}

std::string FirstLine(const fs::path& file) {
  std::ifstream in(file);
  std::string line;
  std::getline(in, line);
  while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back()))) line.pop_back();
  return line;
}

bool SaysSmbus(const std::string& name) {
  std::string lower(name);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return lower.find("smbus") != std::string::npos;
}

// The first I/O port range of the PCI device the adapter hangs off (an SMBus controller keeps
// its registers there), or 0.
long BaseFromPciResource(const fs::path& adapter_device) {
  std::error_code ec;
  const fs::path device = fs::canonical(adapter_device, ec);
  if (ec) return 0;
  std::ifstream in(device.parent_path() / "resource");
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    unsigned long start = 0, end = 0, flags = 0;
    if (!(fields >> std::hex >> start >> end >> flags)) continue;
    if ((flags & kIoResource) != 0 && start != 0) return static_cast<long>(start);
  }
  return 0;
}

}  // namespace

std::string I2cAdapter::Describe() const {
  return name.empty() ? node : node + " (" + name + ")";
}

long BaseFromName(const std::string& name) {
  const std::size_t at = name.rfind(" at ");
  if (at == std::string::npos) return 0;
  std::string digits = name.substr(at + 4);
  if (digits.rfind("0x", 0) == 0 || digits.rfind("0X", 0) == 0) digits.erase(0, 2);
  long base = 0;
  const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), base, 16);
  if (ec != std::errc() || end != digits.data() + digits.size()) return 0;
  return base;
}

I2cDevScan ScanI2cDev(const std::string& root) {
  I2cDevScan scan;
  const fs::path class_dir = fs::path(root + "/sys/class/i2c-dev");
  std::error_code ec;
  scan.module_loaded = fs::is_directory(class_dir, ec);

  std::vector<int> in_sysfs;
  if (scan.module_loaded) {
    for (const auto& entry : fs::directory_iterator(class_dir, ec)) {
      const int n = NumberAfter(entry.path().filename().string(), "i2c-");
      if (n >= 0) in_sysfs.push_back(n);
    }
  }

  for (const auto& entry : fs::directory_iterator(fs::path(root + "/dev"), ec)) {
    const int n = NumberAfter(entry.path().filename().string(), "i2c-");
    if (n < 0) continue;
    I2cAdapter adapter;
    adapter.number = n;
    adapter.node = root + "/dev/i2c-" + std::to_string(n);
    const fs::path class_entry = class_dir / ("i2c-" + std::to_string(n));
    const fs::path bus_entry = fs::path(root + "/sys/bus/i2c/devices/i2c-" + std::to_string(n));
    adapter.name = FirstLine(class_entry / "name");
    if (adapter.name.empty()) adapter.name = FirstLine(bus_entry / "name");
    adapter.is_smbus = SaysSmbus(adapter.name);
    adapter.base_address = BaseFromName(adapter.name);
    if (adapter.base_address == 0)
      adapter.base_address = BaseFromPciResource(class_entry / "device");
    if (adapter.base_address == 0) adapter.base_address = BaseFromPciResource(bus_entry);
    scan.adapters.push_back(std::move(adapter));
  }
  std::sort(scan.adapters.begin(), scan.adapters.end(),
            [](const I2cAdapter& a, const I2cAdapter& b) { return a.number < b.number; });

  for (int n : in_sysfs) {
    const bool has_node = std::any_of(scan.adapters.begin(), scan.adapters.end(),
                                      [n](const I2cAdapter& a) { return a.number == n; });
    if (!has_node) ++scan.without_node;
  }
  return scan;
}

const I2cAdapter& ChooseAdapter(const I2cDevScan& scan, long base_hint, int number) {
  if (scan.adapters.empty()) {
    if (!scan.module_loaded) {
      throw BusError(ErrorCode::ModuleMissing,
                     "no SMBus adapter is available because the i2c-dev module is not loaded: "
                     "load the i2c-dev module: sudo modprobe i2c-dev "
                     "(/usr/share/doc/kelvran-eval/linux-permissions.md "
                     "shows how to load it at every start)");
    }
    if (scan.without_node > 0) {
      throw BusError(ErrorCode::NoDevice,
                     "the kernel has I2C adapters but no /dev/i2c-* nodes for them: check that "
                     "udev is running, or create them with the udev rule from "
                     "/usr/share/doc/kelvran-eval/linux-permissions.md");
    }
    throw BusError(ErrorCode::NoAdapter,
                   "i2c-dev is loaded but the kernel knows no SMBus adapter: load the driver "
                   "for the SMBus controller (for example sudo modprobe i2c-i801 or i2c-piix4); "
                   "i2cdetect -l lists what is there");
  }
  if (number >= 0) {
    std::string found;
    for (const I2cAdapter& adapter : scan.adapters) {
      if (adapter.number == number) return adapter;
      found += (found.empty() ? "" : ", ") + adapter.Describe();
    }
    throw BusError(ErrorCode::NoDevice, "there is no i2c adapter " + std::to_string(number) +
                                            "; adapters found: " + found +
                                            " (i2cdetect -l lists them)");
  }
  if (base_hint != 0) {
    for (const I2cAdapter& adapter : scan.adapters) {
      if (adapter.base_address == base_hint) return adapter;
    }
    std::string found;
    std::vector<long> bases;
    for (const I2cAdapter& adapter : scan.adapters) {
      found +=
          (found.empty() ? "" : ", ") + adapter.Describe() + " at " + BoxHex(adapter.base_address);
      bases.push_back(adapter.base_address);
    }
    throw BusError(ErrorCode::NoAdapter, "no SMBus controller sits at base address " +
                                             BoxHex(base_hint) + "; adapters found: " + found +
                                             ". " + BaseBoxAdvice(bases));
  }
  for (const I2cAdapter& adapter : scan.adapters) {
    if (adapter.is_smbus) return adapter;
  }
  return scan.adapters.front();
}

}  // namespace buslink::linux_hw
