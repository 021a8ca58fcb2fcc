#include "buslink/sim/simulated_hardware.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <optional>
#include <string>

#include "buslink/base_box_advice.h"
#include "notation/hex.h"

namespace buslink::sim {

namespace {

const char* MediumName(TraceMedium medium) {
  return medium == TraceMedium::PP ? "PP" : "SMB";
}

// "5000": how the kernel writes a controller's base in an adapter name.
std::string HexDigits(long value) {
  char text[32];
  std::snprintf(text, sizeof text, "%04lx", value);
  return text;
}

// What sysfs would say of an adapter hanging off each kind of parent.
AdapterFacts FactsOf(const std::string& name, AdapterParent parent) {
  AdapterFacts facts;
  facts.name = name;
  switch (parent) {
    case AdapterParent::Pci:
      facts.parent = "pci";
      break;
    case AdapterParent::Usb:
      facts.parent = "hid";
      facts.under_usb = true;
      break;
    case AdapterParent::Display:
      facts.parent = "pci";
      facts.pci_class = 0x030000;
      break;
    case AdapterParent::None:
      break;
  }
  return facts;
}

}  // namespace

struct SimulatedHardware::State {
  struct Board {
    std::uint8_t address;
    bool answers_when_false;
    bool answers_when_true;
    std::unique_ptr<Chip> chip;
  };
  struct Port {
    int base;
    std::vector<Board> boards;
  };
  struct BusChip {
    std::uint8_t address;
    std::unique_ptr<Chip> chip;
  };
  struct Adapter {
    I2cAdapterInfo info;
    long base = 0;
    std::vector<BusChip> chips;
    bool plugged = true;  // UnplugAdapter, PlugAdapter
    std::optional<AdapterUnplug> unplug;
    int first_number = 0;
    bool out = false;  // away by its unplug schedule, as the clock last said
    bool Present() const { return plugged && !out; }
  };
  struct ArmedFault {
    Fault fault;
    int matched = 0;  // matching transfers seen so far
  };

  std::vector<Port> ports;
  std::vector<Adapter> adapters;  // by number
  std::optional<BusChoice> choice;
  std::vector<ArmedFault> faults;
  int os_build = 1998;
  int latency_us = 0;
  BusTrace* trace = nullptr;
  std::shared_ptr<SimClock> clock = std::make_shared<SimClock>();
  bool scheduled = false;  // an adapter has an unplug schedule

  // Puts every adapter with an unplug schedule where the clock says it is now.
  void FollowClock() {
    if (!scheduled) return;  // spares the clock on every transfer of a scenario without one
    const double now = clock->Seconds();
    for (Adapter& adapter : adapters) {
      if (!adapter.unplug) continue;
      const AdapterUnplug& u = *adapter.unplug;
      if (now < u.at) continue;
      const double since = now - u.at;
      const double cycle = u.every ? std::floor(since / *u.every) : 0.0;
      adapter.out = since - cycle * u.every.value_or(0.0) < u.for_seconds;
      if (!adapter.out) {
        adapter.info.number = std::fmod(cycle, 2.0) == 0.0 ? u.renumber : adapter.first_number;
      }
    }
  }

  const Port* PortAt(int base) const {
    for (const Port& port : ports) {
      if (port.base == base) return &port;
    }
    return nullptr;
  }

  // Busy-waits rather than sleeps: a sleep overshoots by far more than a bus byte takes.
  void Wait() const {
    if (latency_us <= 0) return;
    const auto until = std::chrono::steady_clock::now() + std::chrono::microseconds(latency_us);
    while (std::chrono::steady_clock::now() < until) {
    }
  }

  // Every fault that matches counts the transfer; the first one due to fire decides the error.
  std::optional<ErrorCode> FaultFor(TraceMedium medium, char op, std::uint8_t device,
                                    std::uint8_t reg) {
    std::optional<ErrorCode> result;
    for (ArmedFault& armed : faults) {
      const Fault& f = armed.fault;
      if (f.medium == FaultMedium::PP && medium != TraceMedium::PP) continue;
      if (f.medium == FaultMedium::SMB && medium != TraceMedium::SMB) continue;
      if (f.op && *f.op != op) continue;
      if (f.device && *f.device != device) continue;
      if (f.reg && *f.reg != reg) continue;
      ++armed.matched;
      const int failed_before = armed.matched - 1 - f.skip;
      const bool due = failed_before >= 0 && (!f.times || failed_before < *f.times);
      if (due && !result) result = f.error;
    }
    return result;
  }

  [[noreturn]] void Fail(TraceMedium medium, std::uint8_t device, char op, std::uint8_t reg,
                         ErrorCode code, const std::string& message) const {
    if (trace != nullptr) trace->RecordError(medium, device, op, reg, code);
    throw BusError(code, message);
  }

  // One register transfer. `find` gives the chip that answers (nullptr: nobody acknowledges) or
  // fails itself when the bus is not there at all.
  template <typename Find>
  std::uint8_t Transfer(TraceMedium medium, char op, std::uint8_t device, std::uint8_t reg,
                        std::uint8_t value, Find find) {
    Wait();
    Chip* chip = find();
    if (!faults.empty()) {
      if (const auto error = FaultFor(medium, op, device, reg)) {
        Fail(medium, device, op, reg, *error,
             std::string("the simulated bus failed a transfer on purpose (a scenario fault): ") +
                 std::string(ErrorCodeName(*error)) + " on " + MediumName(medium) + " device " +
                 notation::Hex(device) + " register " + notation::Hex(reg));
      }
    }
    if (chip == nullptr) {
      Fail(medium, device, op, reg, ErrorCode::Nack,
           std::string("no chip acknowledged ") + MediumName(medium) + " address " +
               notation::Hex(device) +
               ": check the address and, on the printer port, the board's ModeFlag setting");
    }
    if (op == 'R') {
      value = chip->Read(reg);
    } else {
      chip->Write(reg, value);
    }
    if (trace != nullptr) trace->Record(medium, device, op, reg, value);
    return value;
  }

  std::uint8_t ParallelTransfer(int base, bool mode_flag, char op, std::uint8_t device,
                                std::uint8_t reg, std::uint8_t value) {
    return Transfer(TraceMedium::PP, op, device, reg, value, [&]() -> Chip* {
      const Port* port = PortAt(base);
      if (port == nullptr) {
        Fail(TraceMedium::PP, device, op, reg, ErrorCode::BadPort,
             "there is no printer port at base address " + notation::Hex(base, 3) +
                 " in the simulated computer");
      }
      for (const Board& board : port->boards) {
        const bool answers = mode_flag ? board.answers_when_true : board.answers_when_false;
        if (board.address == device && answers) return board.chip.get();
      }
      return nullptr;
    });
  }

  Adapter* AdapterNumbered(int number) {
    for (Adapter& adapter : adapters) {
      if (adapter.info.number == number) return &adapter;
    }
    return nullptr;
  }

  // The adapter a transfer goes to, as on Linux: the number asked for, else the one at the base
  // asked for, else the first that --bus names, else the first SMBus controller, else the first.
  // nullptr with a message when there is none. Allocates nothing when it finds one: it runs on
  // every transfer.
  Adapter* ChooseAdapter(int number, long base, std::string* why) {
    Adapter* first = nullptr;
    Adapter* controller = nullptr;
    int plugged = 0;
    for (Adapter& adapter : adapters) {
      if (!adapter.Present()) continue;
      ++plugged;
      if (number >= 0) {
        if (adapter.info.number == number) return &adapter;
        continue;
      }
      if (base != 0) {
        if (adapter.base == base) return &adapter;
        continue;
      }
      if (choice) {
        if (choice->Matches(adapter.info)) return &adapter;
        continue;
      }
      if (first == nullptr) first = &adapter;
      if (controller == nullptr && adapter.info.kind == AdapterKind::SMBusController) {
        controller = &adapter;
      }
    }
    if (controller != nullptr) return controller;
    if (first != nullptr) return first;
    if (number >= 0) {
      *why = "there is no i2c adapter " + std::to_string(number) + " in the simulated computer";
    } else if (plugged == 0) {
      *why = "the simulated computer has no SMBus adapter (its scenario names no \"smbus\")";
    } else if (base != 0) {
      *why = NoAdapterAtBase(base, plugged);
    } else {
      *why = "no i2c adapter of the simulated computer matches --bus=" + choice->text();
    }
    return nullptr;
  }

  // Asks only for a base the wizard's box can take (BaseBoxAdvice).
  std::string NoAdapterAtBase(long base, int plugged) const {
    std::string shown;
    std::vector<long> bases;
    for (const Adapter& adapter : adapters) {
      if (!adapter.Present() || (adapter.base == 0 && plugged > 1)) continue;  // a bridge has none
      shown += (shown.empty() ? "" : ", ") + BoxHex(adapter.base);
      bases.push_back(adapter.base);
    }
    return "no SMBus controller sits at base address " + BoxHex(base) +
           " in the simulated computer: " +
           (bases.empty()       ? std::string("none of its adapters has one")
            : bases.size() == 1 ? "its adapter is at " + shown
                                : "its adapters are at " + shown) +
           ". " + BaseBoxAdvice(bases);
  }

  // `in_use` is the adapter the device's last transfer reached: once it is unplugged, transfers
  // fail as on Linux, saying the adapter is gone, and the device lets go of it.
  std::uint8_t SMBusTransfer(int number, long base, int& in_use, char op, std::uint8_t device,
                             std::uint8_t reg, std::uint8_t value) {
    FollowClock();
    return Transfer(TraceMedium::SMB, op, device, reg, value, [&]() -> Chip* {
      if (in_use >= 0) {
        Adapter* used = AdapterNumbered(in_use);
        if (used != nullptr && !used->Present()) {
          in_use = -1;
          Fail(TraceMedium::SMB, device, op, reg, ErrorCode::AdapterGone, GoneText(used->info));
        }
      }
      std::string why;
      Adapter* adapter = ChooseAdapter(number, base, &why);
      if (adapter == nullptr) {
        Fail(TraceMedium::SMB, device, op, reg,
             number >= 0 ? ErrorCode::NoDevice : ErrorCode::NoAdapter, why);
      }
      in_use = adapter->info.number;
      for (const BusChip& c : adapter->chips) {
        if (c.address == device) return c.chip.get();
      }
      return nullptr;
    });
  }
};

namespace {

using State = SimulatedHardware::State;

// Where sysfs would put an adapter of this parent and number, when the scenario does not say.
std::string DefaultPath(AdapterParent parent, int number) {
  char text[40];
  switch (parent) {
    case AdapterParent::Pci:
      std::snprintf(text, sizeof text, "pci-0000:00:%02x.%d", 0x10 + number / 8, number % 8);
      return text;
    case AdapterParent::Usb:
      return "usb-1-" + std::to_string(number + 1);
    case AdapterParent::Display:
      std::snprintf(text, sizeof text, "pci-0000:%02x:00.0", 1 + number % 255);
      return text;
    case AdapterParent::None:
      break;
  }
  return {};  // a virtual adapter sits nowhere
}

void AddAdapter(State& state, int number, const std::string& name, AdapterParent parent, long base,
                const std::vector<SMBusChipSetup>& chips, std::uint32_t& seed,
                const std::string& path = {},
                const std::optional<AdapterUnplug>& unplug = std::nullopt) {
  State::Adapter adapter;
  adapter.info.number = number;
  adapter.first_number = number;
  adapter.unplug = unplug;
  state.scheduled = state.scheduled || unplug.has_value();
  adapter.info.name = name;
  adapter.info.path = path.empty() ? DefaultPath(parent, number) : path;
  adapter.info.kind = ClassifyAdapter(FactsOf(name, parent));
  adapter.base = base;
  for (const SMBusChipSetup& chip : chips) {
    adapter.chips.push_back({chip.address, std::make_unique<Chip>(chip.chip, seed++, state.clock)});
  }
  state.adapters.push_back(std::move(adapter));
  std::sort(state.adapters.begin(), state.adapters.end(),
            [](const State::Adapter& a, const State::Adapter& b) {
              return a.info.number < b.info.number;
            });
}

class SimParallelDevice : public ParallelDevice {
 public:
  explicit SimParallelDevice(State& state)
      : state_(state), base_(state.ports.empty() ? 0 : state.ports.front().base) {}

  void SetLoadReset(int value) override { load_reset_ = value; }
  void SetBaseAddress(int base) override { base_ = base; }
  int BaseAddress() const override { return base_; }
  void SetDeviceAddress(std::uint8_t address) override { device_address_ = address; }
  void SetModeFlag(bool flag) override { mode_flag_ = flag; }
  bool ModeFlag() const override { return mode_flag_; }

  std::uint8_t ReadByte(std::uint8_t device, std::uint8_t reg) override {
    return state_.ParallelTransfer(base_, mode_flag_, 'R', device, reg, 0);
  }
  void WriteByte(std::uint8_t device, std::uint8_t& reg, std::uint8_t& value) override {
    state_.ParallelTransfer(base_, mode_flag_, 'W', device, reg, value);
  }

 private:
  State& state_;
  int base_;
  int load_reset_ = 0;
  std::uint8_t device_address_ = 0;
  bool mode_flag_ = false;
};

class SimParallelPorts : public ParallelPorts {
 public:
  explicit SimParallelPorts(State& state) : state_(state), device_(state) {}

  int BaseAddress() const override {
    return selected_ < state_.ports.size() ? state_.ports[selected_].base : 0;
  }
  ParallelDevice& Device() override { return device_; }
  std::uint8_t PortCount() const override {
    return static_cast<std::uint8_t>(std::min<std::size_t>(state_.ports.size(), 255));
  }
  void SetSelectedPort(std::uint8_t index) override {
    if (index >= state_.ports.size()) {
      const std::size_t n = state_.ports.size();
      throw BusError(ErrorCode::BadPort,
                     "printer port " + std::to_string(index) + " does not exist: " +
                         (n == 0 ? std::string("the simulated computer has no printer ports")
                                 : "the simulated computer has " + std::to_string(n) +
                                       (n == 1 ? " printer port (index 0)"
                                               : " printer ports (indices 0.." +
                                                     std::to_string(n - 1) + ")")));
    }
    selected_ = index;
    device_.SetBaseAddress(state_.ports[index].base);
  }

 private:
  State& state_;
  SimParallelDevice device_;
  std::size_t selected_ = 0;
};

class SimSMBus : public SMBusDevice {
 public:
  explicit SimSMBus(State& state) : state_(state) {}

  void WriteByte(std::uint8_t device, std::uint8_t reg, std::uint8_t value) override {
    state_.SMBusTransfer(number_, base_, in_use_, 'W', device, reg, value);
  }
  std::uint8_t ReadByte(std::uint8_t device, std::uint8_t reg) override {
    return state_.SMBusTransfer(number_, base_, in_use_, 'R', device, reg, 0);
  }
  long BaseAddress() const override {
    state_.FollowClock();
    std::string why;
    const State::Adapter* adapter = state_.ChooseAdapter(number_, base_, &why);
    return adapter != nullptr ? adapter->base : 0;
  }
  void SetDeviceAddress(std::uint8_t address) override { device_address_ = address; }
  void SetBaseAddress(long base) override { base_ = base; }
  std::vector<I2cAdapterInfo> Adapters() const override {
    state_.FollowClock();
    std::vector<I2cAdapterInfo> infos;
    for (const State::Adapter& adapter : state_.adapters) {
      if (adapter.Present()) infos.push_back(adapter.info);
    }
    std::sort(infos.begin(), infos.end(),
              [](const I2cAdapterInfo& a, const I2cAdapterInfo& b) { return a.number < b.number; });
    MarkSearched(infos, state_.choice);
    return infos;
  }
  void SelectAdapter(int number) override { number_ = number; }
  std::optional<I2cAdapterInfo> CurrentAdapter() const override {
    state_.FollowClock();
    std::string why;
    const State::Adapter* adapter = state_.ChooseAdapter(number_, base_, &why);
    if (adapter == nullptr) return std::nullopt;
    return adapter->info;
  }

 private:
  State& state_;
  std::uint8_t device_address_ = 0;
  long base_ = 0;    // the controller base asked for; 0: any
  int number_ = -1;  // the adapter asked for; -1: by base, --bus or name
  int in_use_ = -1;  // the adapter the last transfer reached
};

class SimBusLink : public BusLink {
 public:
  explicit SimBusLink(std::shared_ptr<State> state)
      : state_(std::move(state)), ports_(*state_), smbus_(*state_) {}

  ParallelPorts& GetParallelPorts() override { return ports_; }
  SMBusDevice& SMBus() override { return smbus_; }
  void SetMedium(BusMedium medium) override { medium_ = medium; }
  BusMedium Medium() const override { return medium_; }

 private:
  std::shared_ptr<State> state_;  // keeps the chips alive as long as this link
  SimParallelPorts ports_;
  SimSMBus smbus_;
  BusMedium medium_ = BusMedium::PrinterPort;
};

class SimSystemInfo : public SystemInfo {
 public:
  explicit SimSystemInfo(int build) : build_(std::to_string(build)) {}
  std::string OSBuild() const override { return build_; }

 private:
  std::string build_;
};

}  // namespace

SimulatedHardware::SimulatedHardware(const Scenario& scenario, BusTrace* trace)
    : state_(std::make_shared<State>()) {
  // Each chip gets its own stream of noise, so transfers to one chip do not change another's
  // readings.
  std::uint32_t seed = scenario.seed;
  for (const PrinterPortSetup& port : scenario.printer_ports) {
    State::Port p{port.base, {}};
    for (const BoardSetup& board : port.boards) {
      p.boards.push_back({board.address, board.answers_when_false, board.answers_when_true,
                          std::make_unique<Chip>(board.chip, seed++, state_->clock)});
    }
    state_->ports.push_back(std::move(p));
  }
  if (scenario.smbus.present) {
    const std::string name =
        !scenario.smbus.name.empty()
            ? scenario.smbus.name
            : "SMBus simulated adapter" + (scenario.smbus.base_address != 0
                                               ? " at " + HexDigits(scenario.smbus.base_address)
                                               : std::string());
    AddAdapter(*state_, scenario.smbus.number, name, AdapterParent::Pci,
               scenario.smbus.base_address, scenario.smbus.chips, seed, "pci-0000:00:1f.4");
  }
  for (const I2cAdapterSetup& adapter : scenario.i2c_adapters) {
    AddAdapter(
        *state_, adapter.number,
        adapter.name.empty() ? "I2C adapter " + std::to_string(adapter.number) : adapter.name,
        adapter.parent, adapter.base_address, adapter.chips, seed, adapter.path, adapter.unplug);
  }
  for (const Fault& fault : scenario.faults) state_->faults.push_back({fault});
  state_->os_build = scenario.os_build;
  state_->latency_us = scenario.latency_us;
  state_->trace = trace;
}

SimulatedHardware::~SimulatedHardware() = default;

std::unique_ptr<BusLink> SimulatedHardware::CreateBusLink() {
  return std::make_unique<SimBusLink>(state_);
}

std::unique_ptr<SystemInfo> SimulatedHardware::CreateSystemInfo() {
  return std::make_unique<SimSystemInfo>(state_->os_build);
}

std::string SimulatedHardware::WhyUnavailable(Bus bus) const {
  if (bus == Bus::PrinterPort) {
    return state_->ports.empty() ? "the simulated computer has no printer port (its scenario "
                                   "lists none under \"printer_ports\")"
                                 : std::string();
  }
  state_->FollowClock();
  const bool any = std::any_of(state_->adapters.begin(), state_->adapters.end(),
                               [](const State::Adapter& adapter) { return adapter.Present(); });
  return any ? std::string()
             : "the simulated computer has no SMBus adapter (its scenario has no \"smbus\")";
}

Chip* SimulatedHardware::BoardChip(int port, std::uint8_t board_address) {
  if (port < 0 || static_cast<std::size_t>(port) >= state_->ports.size()) return nullptr;
  for (State::Board& board : state_->ports[static_cast<std::size_t>(port)].boards) {
    if (board.address == board_address) return board.chip.get();
  }
  return nullptr;
}

Chip* SimulatedHardware::SMBusChip(std::uint8_t smbus_address, int adapter_number) {
  for (State::Adapter& adapter : state_->adapters) {
    if (adapter_number >= 0 && adapter.info.number != adapter_number) continue;
    for (State::BusChip& chip : adapter.chips) {
      if (chip.address == smbus_address) return chip.chip.get();
    }
  }
  return nullptr;
}

std::vector<Chip*> SimulatedHardware::AllChips() {
  std::vector<Chip*> chips;
  for (State::Port& port : state_->ports) {
    for (State::Board& board : port.boards) chips.push_back(board.chip.get());
  }
  for (State::Adapter& adapter : state_->adapters) {
    for (State::BusChip& chip : adapter.chips) chips.push_back(chip.chip.get());
  }
  return chips;
}

SimClock& SimulatedHardware::Clock() {
  return *state_->clock;
}

void SimulatedHardware::LimitSearchTo(std::optional<BusChoice> choice) {
  state_->choice = std::move(choice);
}

void SimulatedHardware::UnplugAdapter(int number) {
  if (State::Adapter* adapter = state_->AdapterNumbered(number)) adapter->plugged = false;
}

void SimulatedHardware::PlugAdapter(int number) {
  if (State::Adapter* adapter = state_->AdapterNumbered(number)) adapter->plugged = true;
}

void SimulatedHardware::SetLatencyMicroseconds(int us) {
  state_->latency_us = us;
}

void SimulatedHardware::AddFault(const Fault& fault) {
  state_->faults.push_back({fault});
}

void SimulatedHardware::ClearFaults() {
  state_->faults.clear();
}

void SimulatedHardware::SetTrace(BusTrace* trace) {
  state_->trace = trace;
}

}  // namespace buslink::sim
