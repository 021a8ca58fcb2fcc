#include "buslink/linux/linux_backend.h"

#include "buslink/linux/i2c_adapters.h"
#include "buslink/linux/linux_errors.h"
#include "buslink/linux/printer_ports.h"
#include "buslink/linux/smbus_device.h"

namespace buslink::linux_hw {

namespace {

class LinuxBusLink : public BusLink {
 public:
  LinuxBusLink(const LinuxOptions& options, BusTrace* trace)
      : ports_(PortContext{options.root, options.calls, options.pacer, options.timing, trace}),
        smbus_(options.root, options.calls, trace, options.bus) {}

  ParallelPorts& GetParallelPorts() override { return ports_; }
  SMBusDevice& SMBus() override { return smbus_; }
  void SetMedium(BusMedium medium) override { medium_ = medium; }
  BusMedium Medium() const override { return medium_; }

 private:
  LinuxParallelPorts ports_;
  LinuxSmbusDevice smbus_;
  BusMedium medium_ = BusMedium::PrinterPort;
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
    : LinuxBackend(trace, LinuxOptions{std::move(root), nullptr, {}, nullptr, std::nullopt}) {}

LinuxBackend::LinuxBackend(BusTrace* trace, LinuxOptions options)
    : trace_(trace), options_(std::move(options)) {
  if (!options_.calls) {
    options_.calls = std::shared_ptr<SystemCalls>(&RealSystemCalls(), [](SystemCalls*) {});
  }
  if (!options_.pacer) options_.pacer = std::make_shared<SteadyPacer>();
}

std::unique_ptr<BusLink> LinuxBackend::CreateBusLink() {
  return std::make_unique<LinuxBusLink>(options_, trace_);
}

std::string LinuxBackend::WhyUnavailable(Bus bus) const {
  if (bus == Bus::PrinterPort) {
    return FindPrinterPorts(options_.root).empty() ? NoPrinterPortText() : std::string();
  }
  try {
    ChooseAdapter(ScanI2cDev(options_.root));
  } catch (const BusError& e) {
    return e.what();
  }
  return {};
}

std::unique_ptr<SystemInfo> LinuxBackend::CreateSystemInfo() {
  return std::make_unique<LinuxSystemInfo>(options_.root);
}

}  // namespace buslink::linux_hw
