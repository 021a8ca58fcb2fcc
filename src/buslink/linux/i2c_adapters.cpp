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

// "0000:00:1f.3": the name sysfs gives a PCI device.
bool IsPciAddress(const std::string& name) {
  return name.size() == 12 && name[4] == ':' && name[7] == ':' && name[10] == '.';
}

// The subsystem a sysfs device belongs to: the last part of its "subsystem" link.
std::string SubsystemOf(const fs::path& device) {
  std::error_code ec;
  const fs::path link = fs::read_symlink(device / "subsystem", ec);
  return ec ? std::string() : link.filename().string();
}

// Walks up from the adapter's own device in sysfs: the device it hangs off, the PCI device
// (graphics card, chipset, USB host) above it, and whether a USB or DRM device lies between.
void ReadParentFacts(const fs::path& adapter_device, const fs::path& devices_root,
                     AdapterFacts& facts) {
  std::error_code ec;
  const fs::path device = fs::canonical(adapter_device, ec);
  if (ec) {
    facts.parent = "?";  // sysfs does not tell: not taken for a virtual adapter
    return;
  }
  const fs::path root = fs::weakly_canonical(devices_root, ec);
  const fs::path parent = device.parent_path();
  if (parent == root) return;  // hangs off nothing: i2c-stub and its like
  facts.parent = SubsystemOf(parent);
  if (facts.parent.empty()) facts.parent = IsPciAddress(parent.filename().string()) ? "pci" : "?";
  for (fs::path up = parent; up != root && up.has_relative_path() && up != up.parent_path();
       up = up.parent_path()) {
    const std::string part = up.filename().string();
    if (part.size() > 3 && part.compare(0, 3, "usb") == 0 &&
        std::isdigit(static_cast<unsigned char>(part[3]))) {
      facts.under_usb = true;
    }
    if (part == "drm") facts.under_drm = true;
    if (facts.pci_class == 0 && IsPciAddress(part)) {
      const std::string text = FirstLine(up / "class");
      unsigned long value = 0;
      const char* first = text.data() + (text.rfind("0x", 0) == 0 ? 2 : 0);
      const auto [end, error] = std::from_chars(first, text.data() + text.size(), value, 16);
      if (error == std::errc()) facts.pci_class = static_cast<unsigned>(value);
    }
  }
}

// "1-2", "3-1.4": a USB device's name in sysfs (its interfaces add ":1.0", root hubs are "usb1").
bool IsUsbDevice(const std::string& name) {
  const std::size_t dash = name.find('-');
  if (dash == 0 || dash == std::string::npos || dash + 1 == name.size()) return false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    const char c = name[i];
    if (i != dash && !std::isdigit(static_cast<unsigned char>(c)) && !(c == '.' && i > dash)) {
      return false;
    }
  }
  return true;
}

// The adapter's place as udev's by-path names give it: the USB port of the bridge it belongs to,
// else the PCI device it hangs off, else its platform device; what stays when the adapter comes
// back under another number.
std::string ByPath(const fs::path& adapter_device, const fs::path& devices_root) {
  std::error_code ec;
  const fs::path device = fs::canonical(adapter_device, ec);
  if (ec) return {};
  const fs::path root = fs::weakly_canonical(devices_root, ec);
  std::string pci;
  std::string platform;
  for (fs::path up = device.parent_path();
       up != root && up.has_relative_path() && up != up.parent_path(); up = up.parent_path()) {
    const std::string part = up.filename().string();
    if (IsUsbDevice(part)) return "usb-" + part;
    if (pci.empty() && IsPciAddress(part)) pci = "pci-" + part;
    if (platform.empty() && SubsystemOf(up) == "platform") platform = "platform-" + part;
  }
  return !pci.empty() ? pci : platform;
}

std::string Listing(const I2cDevScan& scan) {
  std::string found;
  for (const I2cAdapter& adapter : scan.adapters) {
    found += (found.empty() ? "" : ", ") + adapter.Describe();
  }
  return found;
}

}  // namespace

std::string I2cAdapter::Describe() const {
  return name.empty() ? node : node + " (" + name + ")";
}

I2cAdapterInfo I2cAdapter::Info() const {
  I2cAdapterInfo info;
  info.number = number;
  info.name = name;
  info.path = path;
  info.kind = ClassifyAdapter(facts);
  return info;
}

bool I2cAdapter::Gone() const {
  std::error_code ec;
  if (!fs::exists(node, ec)) return true;
  return !sysfs_entry.empty() && !fs::exists(sysfs_entry, ec);
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
    adapter.facts.name = adapter.name;
    if (fs::exists(class_entry, ec)) adapter.sysfs_entry = class_entry.string();
    const fs::path device = fs::exists(bus_entry, ec) ? bus_entry : class_entry / "device";
    ReadParentFacts(device, fs::path(root + "/sys/devices"), adapter.facts);
    adapter.path = ByPath(device, fs::path(root + "/sys/devices"));
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

const I2cAdapter& ChooseAdapter(const I2cDevScan& scan, long base_hint, int number,
                                const std::optional<BusChoice>& choice) {
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
    for (const I2cAdapter& adapter : scan.adapters) {
      if (adapter.number == number) return adapter;
    }
    throw BusError(ErrorCode::NoDevice, "there is no i2c adapter " + std::to_string(number) +
                                            "; adapters found: " + Listing(scan) +
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
  if (choice) {
    for (const I2cAdapter& adapter : scan.adapters) {
      if (choice->Matches(adapter.Info())) return adapter;
    }
    throw BusError(ErrorCode::NoDevice, "no i2c adapter matches --bus=" + choice->text() +
                                            "; adapters found: " + Listing(scan) +
                                            " (kelvran detect --verbose lists them)");
  }
  for (const I2cAdapter& adapter : scan.adapters) {
    if (adapter.is_smbus) return adapter;
  }
  return scan.adapters.front();
}

std::vector<I2cAdapterInfo> AdapterInfos(const I2cDevScan& scan,
                                         const std::optional<BusChoice>& choice) {
  std::vector<I2cAdapterInfo> infos;
  for (const I2cAdapter& adapter : scan.adapters) infos.push_back(adapter.Info());
  MarkSearched(infos, choice);
  return infos;
}

}  // namespace buslink::linux_hw
