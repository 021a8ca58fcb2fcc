#include "buslink/linux/printer_ports.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <fstream>

#include "buslink/bus_error.h"
#include "buslink/linux/linux_errors.h"
#include "buslink/linux/ppdev_pins.h"
#include "notation/hex.h"

namespace fs = std::filesystem;

namespace buslink::linux_hw {

namespace {

int ParportNumber(const std::string& name) {
  static const std::string prefix = "parport";
  if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) return -1;
  int number = -1;
  const char* last = name.data() + name.size();
  const auto [end, ec] = std::from_chars(name.data() + prefix.size(), last, number);
  return ec == std::errc() && end == last ? number : -1;
}

// The kernel writes "<base> <base_hi>" in decimal, for example "888\t1912".
int BaseFromProc(const fs::path& entry) {
  std::ifstream in(entry / "base-addr");
  long base = 0;
  if (!(in >> base) || base < 0 || base > 0xFFFF) return 0;
  return static_cast<int>(base);
}

PrinterPort& PortNumbered(std::vector<PrinterPort>& ports, const std::string& root, int number) {
  for (PrinterPort& port : ports) {
    if (port.number == number) return port;
  }
  PrinterPort port;
  port.number = number;
  port.node = root + "/dev/parport" + std::to_string(number);
  ports.push_back(port);
  return ports.back();
}

std::string Where(const PrinterPort& port, bool mode_flag) {
  return "printer port " + notation::Hex(port.base, 3) + " (" + port.node + ") with ModeFlag " +
         (mode_flag ? "true" : "false");
}

}  // namespace

std::vector<PrinterPort> FindPrinterPorts(const std::string& root) {
  std::vector<PrinterPort> ports;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(fs::path(root + "/dev"), ec)) {
    const int n = ParportNumber(entry.path().filename().string());
    if (n >= 0) PortNumbered(ports, root, n).has_node = true;
  }
  for (const auto& entry : fs::directory_iterator(fs::path(root + "/proc/sys/dev/parport"), ec)) {
    const int n = ParportNumber(entry.path().filename().string());
    if (n >= 0) PortNumbered(ports, root, n).base = BaseFromProc(entry.path());
  }
  std::sort(ports.begin(), ports.end(),
            [](const PrinterPort& a, const PrinterPort& b) { return a.number < b.number; });
  return ports;
}

LinuxParallelDevice::LinuxParallelDevice(PortContext context) : context_(std::move(context)) {}

LinuxParallelDevice::~LinuxParallelDevice() = default;

std::string NoPrinterPortText() {
  return "this computer has no printer port the kernel knows; if it has one, load its drivers: "
         "sudo modprobe parport_pc ppdev";
}

void LinuxParallelDevice::Target(const PrinterPort& port) {
  port_ = port;
  base_ = port.base;
}

void LinuxParallelDevice::SetBaseAddress(int base) {
  base_ = base;
  if (port_ && port_->base != base) port_.reset();
}

void LinuxParallelDevice::SetLoadReset(int /*value*/) {
  // Only a port already open is touched: the wizard sets this while it loads, before the user has
  // asked for any search, and a port opens with its lines idle anyway.
  if (!port_) return;
  const auto open = open_.find(port_->number);
  if (open != open_.end()) Master(*port_, *open->second).Idle();
}

const PrinterPort& LinuxParallelDevice::ResolvePort() {
  // A port cached without its node is looked up again: ppdev may have been loaded since.
  if (port_ && port_->base == base_ && port_->has_node) return *port_;
  const std::vector<PrinterPort> ports = FindPrinterPorts(context_.root);
  for (const PrinterPort& port : ports) {
    if (port.base == base_) {
      port_ = port;
      return *port_;
    }
  }
  if (ports.empty()) {
    throw BusError(ErrorCode::NoAdapter, NoPrinterPortText());
  }
  std::string found;
  for (const PrinterPort& port : ports) {
    found += (found.empty() ? "" : ", ") + notation::Hex(port.base, 3) + " (" + port.node + ")";
  }
  throw BusError(ErrorCode::BadPort, "there is no printer port at base address " +
                                         notation::Hex(base_, 3) + "; the ports here are " + found);
}

PortPins& LinuxParallelDevice::Pins(const PrinterPort& port) {
  const auto open = open_.find(port.number);
  if (open != open_.end()) return *open->second;
  if (!port.has_node) {
    throw BusError(ErrorCode::ModuleMissing,
                   "the kernel has printer port " + notation::Hex(port.base, 3) + " but no " +
                       port.node + " for it: load the ppdev module: sudo modprobe ppdev");
  }
  std::unique_ptr<PortPins> pins = PpdevPins::Open(context_.calls, port.node);
  Master(port, *pins).Idle();
  return *open_.emplace(port.number, std::move(pins)).first->second;
}

BitBangI2c LinuxParallelDevice::Master(const PrinterPort& port, PortPins& pins) const {
  return BitBangI2c(pins, mode_flag_ ? Wiring::Inverted : Wiring::Direct, context_.timing,
                    *context_.pacer, Where(port, mode_flag_));
}

std::uint8_t LinuxParallelDevice::ReadByte(std::uint8_t device, std::uint8_t reg) {
  return Traced(context_.trace, TraceMedium::PP, device, 'R', reg, [&] {
    const PrinterPort& port = ResolvePort();
    return Master(port, Pins(port)).ReadRegister(device, reg);
  });
}

void LinuxParallelDevice::WriteByte(std::uint8_t device, std::uint8_t& reg, std::uint8_t& value) {
  Traced(context_.trace, TraceMedium::PP, device, 'W', reg, [&] {
    const PrinterPort& port = ResolvePort();
    Master(port, Pins(port)).WriteRegister(device, reg, value);
    return value;
  });
}

LinuxParallelPorts::LinuxParallelPorts(PortContext context)
    : root_(context.root), device_(std::move(context)) {}

int LinuxParallelPorts::BaseAddress() const {
  return selected_ ? selected_->base : 0;
}

std::uint8_t LinuxParallelPorts::PortCount() const {
  const std::size_t count = FindPrinterPorts(root_).size();
  return static_cast<std::uint8_t>(std::min<std::size_t>(count, 255));
}

void LinuxParallelPorts::SetSelectedPort(std::uint8_t index) {
  const std::vector<PrinterPort> ports = FindPrinterPorts(root_);
  if (index >= ports.size()) {
    throw BusError(ErrorCode::BadPort, "there is no printer port " + std::to_string(index) +
                                           ": this computer has " + std::to_string(ports.size()));
  }
  selected_ = ports[index];
  device_.Target(*selected_);
}

}  // namespace buslink::linux_hw
