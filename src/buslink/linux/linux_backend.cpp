#include "buslink/linux/linux_backend.h"

#include "buslink/linux/i2c_adapters.h"
#include "buslink/linux/linux_errors.h"
#include "buslink/linux/smbus_device.h"

namespace buslink::linux_hw {

namespace {

// Printer ports are not reached on Linux yet: there are none.
class NoParallelDevice : public ParallelDevice {
 public:
  void SetLoadReset(int) override {}
  void SetBaseAddress(int base) override { base_ = base; }
  int BaseAddress() const override { return base_; }
  void SetDeviceAddress(std::uint8_t) override {}
  void SetModeFlag(bool flag) override { mode_ = flag; }
  bool ModeFlag() const override { return mode_; }
  std::uint8_t ReadByte(std::uint8_t, std::uint8_t) override { throw NoPort(); }
  void WriteByte(std::uint8_t, std::uint8_t&, std::uint8_t&) override { throw NoPort(); }

 private:
  static BusError NoPort() {
    return BusError(ErrorCode::NoAdapter, "printer ports are not supported on Linux yet");
  }
  int base_ = 0;
  bool mode_ = false;
};

class NoParallelPorts : public ParallelPorts {
 public:
  int BaseAddress() const override { return 0; }
  ParallelDevice& Device() override { return device_; }
  std::uint8_t PortCount() const override { return 0; }
  void SetSelectedPort(std::uint8_t index) override {
    throw BusError(ErrorCode::BadPort, "there is no printer port " + std::to_string(index) +
                                           ": this computer has none");
  }

 private:
  NoParallelDevice device_;
};

class LinuxBusLink : public BusLink {
 public:
  LinuxBusLink(const LinuxOptions& options, BusTrace* trace)
      : smbus_(options.root, options.calls, trace) {}

  ParallelPorts& GetParallelPorts() override { return ports_; }
  SMBusDevice& SMBus() override { return smbus_; }
  void SetMedium(int medium) override { medium_ = medium; }
  int Medium() const override { return medium_; }

 private:
  NoParallelPorts ports_;
  LinuxSmbusDevice smbus_;
  int medium_ = 0;
};

class LinuxSystemInfo : public SystemInfo {
 public:
  explicit LinuxSystemInfo(std::string root) : root_(std::move(root)) {}

  // The wizard offers the SMBus for the builds of the systems it knows; here that is decided by
  // whether i2c-dev offers an adapter at all.
  std::string OSBuild() const override {
    return ScanI2cDev(root_).adapters.empty() ? kBuildWithoutSmbus : kBuildWithSmbus;
  }

 private:
  std::string root_;
};

}  // namespace

LinuxBackend::LinuxBackend(BusTrace* trace, std::string root)
    : LinuxBackend(trace, LinuxOptions{std::move(root), nullptr}) {}

LinuxBackend::LinuxBackend(BusTrace* trace, LinuxOptions options)
    : trace_(trace), options_(std::move(options)) {
  if (!options_.calls) {
    options_.calls = std::shared_ptr<SystemCalls>(&RealSystemCalls(), [](SystemCalls*) {});
  }
}

std::unique_ptr<BusLink> LinuxBackend::CreateBusLink() {
  return std::make_unique<LinuxBusLink>(options_, trace_);
}

std::unique_ptr<SystemInfo> LinuxBackend::CreateSystemInfo() {
  return std::make_unique<LinuxSystemInfo>(options_.root);
}

}  // namespace buslink::linux_hw
