#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace buslink::linux_hw::testing {

// A throw-away root for /dev, /sys and /proc, removed at the end of the test; I2C adapters on it
// are made by AddAdapter below.
class TempTree {
 public:
  TempTree() {
    std::string pattern = (std::filesystem::temp_directory_path() / "kelvran-root-XXXXXX").string();
    root_ = ::mkdtemp(pattern.data());
  }
  ~TempTree() {
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
  }
  TempTree(const TempTree&) = delete;
  TempTree& operator=(const TempTree&) = delete;

  const std::string& root() const { return root_; }

  void File(const std::string& path, const std::string& content = {}) const {
    const std::filesystem::path full = root_ + path;
    std::filesystem::create_directories(full.parent_path());
    std::ofstream(full) << content;
  }
  void Dir(const std::string& path) const { std::filesystem::create_directories(root_ + path); }
  // A relative link, as sysfs has them, so it resolves inside the tree.
  void Link(const std::string& path, const std::string& target) const {
    const std::filesystem::path full = root_ + path;
    std::filesystem::create_directories(full.parent_path());
    std::filesystem::create_directory_symlink(
        std::filesystem::path(root_ + target).lexically_relative(full.parent_path()), full);
  }

 private:
  std::string root_;
};

// Where an adapter hangs: the path of its parent under /sys/devices ("" for none), the class of
// each PCI device on the way, and the parent's subsystem when sysfs gives it one.
struct Place {
  std::string parent;
  std::vector<std::pair<std::string, std::string>> pci_classes;  // device path, class
  std::string subsystem;
};

inline const std::string kHost = "/pci0000:00";
// An SMBus controller at one PCI function of the host bridge, "1f.4".
inline Place Controller(const std::string& function) {
  const std::string device = kHost + "/0000:00:" + function;
  return {device, {{device, "0x0c0500"}}, "pci"};
}
// A USB-HID bridge on one port of the xHCI controller, "1-2".
inline Place UsbBridge(const std::string& port) {
  const std::string xhci = kHost + "/0000:00:14.0";
  return {xhci + "/usb1/" + port + "/" + port + ":1.0/0003:10C4:EA90.0001",
          {{xhci, "0x0c0330"}},
          "hid"};
}

// An adapter as the kernel shows it: its node, its class entry with the name (none when name is
// empty), and its device wherever it hangs; no place at all leaves sysfs silent about its parent.
inline void AddAdapter(const TempTree& tree, int n, const std::string& name,
                       const std::optional<Place>& place) {
  const std::string id = "i2c-" + std::to_string(n);
  tree.File("/dev/" + id);
  if (!name.empty()) tree.File("/sys/class/i2c-dev/" + id + "/name", name + "\n");
  if (!place) return;
  const std::string parent = "/sys/devices" + place->parent;
  tree.Dir(parent + "/" + id);
  for (const auto& [device, pci_class] : place->pci_classes) {
    tree.File("/sys/devices" + device + "/class", pci_class + "\n");
  }
  if (!place->subsystem.empty() &&
      !std::filesystem::is_symlink(tree.root() + parent + "/subsystem")) {
    tree.Link(parent + "/subsystem", "/sys/bus/" + place->subsystem);
  }
  tree.Link("/sys/class/i2c-dev/" + id + "/device", parent + "/" + id);
  tree.Link("/sys/bus/i2c/devices/" + id, parent + "/" + id);
}

// The adapter gone, as when its USB bridge is pulled out.
inline void RemoveAdapter(const TempTree& tree, int n) {
  const std::string id = "i2c-" + std::to_string(n);
  std::filesystem::remove(tree.root() + "/dev/" + id);
  std::filesystem::remove_all(tree.root() + "/sys/class/i2c-dev/" + id);
  std::filesystem::remove(tree.root() + "/sys/bus/i2c/devices/" + id);
}

}  // namespace buslink::linux_hw::testing
