#include "cli/session.h"

#include <cstdio>

#include "access/device_search.h"
#include "access/search_reasons.h"
#include "buslink/linux/linux_backend.h"
#include "buslink/sim/scenario.h"
#include "buslink/sim/simulated_hardware.h"
#include "chip/register_write.h"
#include "files/file_text.h"
#include "notation/hex.h"

namespace cli {

namespace {

std::string OneLine(std::string text) {
  for (char& c : text) {
    if (c == '\n' || c == '\r') c = ' ';
  }
  return text;
}

}  // namespace

std::string Describe(const Found& f) {
  if (f.medium == buslink::BusMedium::PrinterPort) {
    return "printer port " + std::to_string(f.port) + " (" + notation::Hex(f.port_base, 3) +
           ") address " + notation::HexByte(f.address7) + ", " +
           (f.mode_flag ? "inverted" : "direct") + "-build board";
  }
  return "smbus address " + notation::HexByte(f.address7);
}

std::string OnAdapter(const Found& f) {
  if (!f.adapter) return {};
  std::string text = " on --bus=" + std::to_string(f.adapter->number);
  if (!f.adapter->name.empty()) text += " (" + f.adapter->name + ")";
  return text;
}

std::string DescribeAdapter(const buslink::I2cAdapterInfo& adapter) {
  std::string text = adapter.Node();
  if (!adapter.name.empty()) text += " (" + adapter.name + ")";
  const std::string kind(buslink::KindWords(adapter.kind));
  text += ": " + kind;
  if (adapter.searched) return text + ", searched";
  text += ", not searched";
  return adapter.not_searched == kind ? text : text + " (" + adapter.not_searched + ")";
}

Session::Session(const Arguments& args) : args_(args) {
  if (!args.bus_trace_file.empty()) {
    trace_ = std::make_unique<buslink::BusTrace>();
    try {
      trace_->OpenFile(args.bus_trace_file);
    } catch (const std::exception& e) {
      throw UsageError(OneLine(e.what()));
    }
    trace_->SetFailureReport([this](const std::string& why) { trace_failure_ = why; });
  }
  if (args.simulate) {
    buslink::sim::Scenario scenario;
    try {
      scenario = args.scenario_file.empty()
                     ? buslink::sim::Scenario::BuiltIn()
                     : buslink::sim::Scenario::FromJson(
                           files::ReadUserFile(args.scenario_file, "the scenario file"),
                           args.scenario_file);
    } catch (const std::exception& e) {
      throw UsageError(OneLine(files::PlainText(e.what())));
    }
    auto simulated = std::make_unique<buslink::sim::SimulatedHardware>(scenario, trace_.get());
    simulated->LimitSearchTo(buslink::BusChoice::Parse(args.bus));
    backend_ = std::move(simulated);
  } else {
    buslink::linux_hw::LinuxOptions options;
    options.bus = buslink::BusChoice::Parse(args.bus);
    backend_ = std::make_unique<buslink::linux_hw::LinuxBackend>(trace_.get(), options);
  }
  d_.backend = backend_.get();
}

Session::~Session() = default;

std::vector<Found> Session::Detect() {
  buslink::BusLink& link = d_.EnsureBusLink();
  devaccess::DeviceSearch search;
  const auto no_progress = [](int) {};
  std::vector<Found> found;
  const bool printer = !args_.medium || *args_.medium == buslink::BusMedium::PrinterPort;
  const bool smbus = !args_.medium || *args_.medium == buslink::BusMedium::SMBus;
  const auto wanted = [this](int address7) { return !args_.address || *args_.address == address7; };
  if (printer) {
    search.SearchPrinterPorts(link, no_progress);
    for (const devaccess::PPFind& p : search.pp_finds()) {
      if (args_.port && *args_.port != p.port) continue;
      if (!wanted(p.address / 2)) continue;
      int base = 0;
      try {
        link.GetParallelPorts().SetSelectedPort(p.port);
        base = link.GetParallelPorts().BaseAddress();
      } catch (const std::exception&) {
        // the port answered a moment ago; without its base the line just shows 0h
      }
      found.push_back({buslink::BusMedium::PrinterPort, p.port, static_cast<std::uint16_t>(base),
                       p.mode_flag, static_cast<std::uint8_t>(p.address / 2)});
    }
  }
  if (smbus) {
    search.SearchSMBus(link, no_progress, 0);
    for (const devaccess::SMBusFind& f : search.smbus_finds()) {
      if (wanted(f.address7)) {
        found.push_back({buslink::BusMedium::SMBus, 0, 0, false, f.address7, f.adapter});
      }
    }
  }
  reasons_.clear();
  if (found.empty()) reasons_ = Reasons(search, printer, smbus);
  adapters_ = search.smbus_adapters();
  adapters_searched_ = search.adapters_searched();
  return found;
}

std::vector<std::string> Session::Reasons(const devaccess::DeviceSearch& search, bool printer,
                                          bool smbus) const {
  devaccess::MediumReport pp{printer, false, {}, search.pp_problems()};
  devaccess::MediumReport bus{smbus, false, {}, search.smbus_problems()};
  if (printer) pp.unavailable = backend_->WhyUnavailable(buslink::Backend::Bus::PrinterPort);
  if (smbus) bus.unavailable = backend_->WhyUnavailable(buslink::Backend::Bus::SMBus);
  return devaccess::NothingFoundLines(
      pp, bus,
      devaccess::NothingFoundAdvice(backend_->Simulated(), "man kelvran", "kelvran detect"));
}

bool Session::Attach() {
  const std::vector<Found> found = Detect();
  if (found.empty()) return false;
  AttachTo(found.front());
  return true;
}

void Session::AttachTo(const Found& chip) {
  chip_ = chip;
  PointAt(d_, chip_);
  d_.several_adapters = chip_.adapter && adapters_searched_ > 1;
}

devaccess::ChipIdentity IdentityOf(const Found& chip) {
  devaccess::ChipIdentity identity;
  identity.medium = chip.medium;
  identity.adapter = chip.adapter;
  identity.port = chip.port;
  identity.address7 = chip.address7;
  return identity;
}

void PointAt(devaccess::Declarations& d, const Found& chip) {
  // The same steps as the wizard's Finish.
  buslink::BusLink& link = d.EnsureBusLink();
  if (chip.medium == buslink::BusMedium::PrinterPort) {
    buslink::ParallelPorts& ports = link.GetParallelPorts();
    ports.SetSelectedPort(chip.port);
    ports.Device().SetModeFlag(chip.mode_flag);
    ports.Device().SetDeviceAddress(static_cast<std::uint8_t>(chip.address7 * 2));
    d.pp_base_address = static_cast<std::uint16_t>(ports.Device().BaseAddress());
    d.device_address = static_cast<std::int16_t>(chip.address7 * 2);
  } else {
    if (chip.adapter) {
      link.SMBus().SelectAdapter(chip.adapter->number);
      d.adapter = chip.adapter->Label();
    }
    link.SMBus().SetDeviceAddress(chip.address7);
    d.device_address = chip.address7;
  }
  link.SetMedium(chip.medium);
  d.comms_medium = devaccess::CommsMediumOf(chip.medium);
}

std::string DescribeFailure(const buslink::BusError& e, const Found& chip) {
  const buslink::TransferContext& c = *e.context();
  const char* doing =
      c.operation == buslink::TransferContext::Operation::Write ? "writing " : "reading ";
  return doing + chip::RegisterName(static_cast<std::uint8_t>(c.reg)) + " of the chip at " +
         Describe(chip) + ": " + e.what();
}

std::string NoChipMessage(const Arguments& args) {
  std::string where;
  if (!args.medium) {
    where = "on any printer port or SMBus";
  } else if (*args.medium == buslink::BusMedium::SMBus) {
    const std::optional<buslink::BusChoice> bus = buslink::BusChoice::Parse(args.bus);
    if (!bus) {
      where = "on the SMBus";
    } else if (bus->number()) {
      where = "on i2c adapter " + args.bus;
    } else {
      where = "on an i2c adapter whose name holds '" + args.bus + "'";
    }
  } else {
    where = args.port ? "on printer port " + std::to_string(*args.port) : "on any printer port";
  }
  if (args.address) where += " at " + notation::HexByte(*args.address);
  // On the simulated hardware the scenario decides what there is; --simulate is already in use.
  return "no KELVRAN answered " + where +
         (args.simulate ? " (of the simulated hardware; 'kelvran detect' lists the chips found)"
                        : " ('kelvran detect' lists the chips found; --simulate uses the "
                          "simulated one)");
}

}  // namespace cli
