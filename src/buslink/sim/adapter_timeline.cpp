// The I2C adapters of the simulated computer: their names and places as sysfs would give them,
// and a USB bridge coming and going on its unplug schedule.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "buslink/sim/hardware_state.h"

namespace buslink::sim {

using State = SimulatedHardware::State;

namespace {

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

}  // namespace

void State::AddAdapters(const Scenario& scenario, std::uint32_t& seed) {
  if (scenario.smbus.present) {
    const std::string name =
        !scenario.smbus.name.empty()
            ? scenario.smbus.name
            : "SMBus simulated adapter" + (scenario.smbus.base_address != 0
                                               ? " at " + HexDigits(scenario.smbus.base_address)
                                               : std::string());
    AddAdapter(*this, scenario.smbus.number, name, AdapterParent::Pci, scenario.smbus.base_address,
               scenario.smbus.chips, seed, "pci-0000:00:1f.4");
  }
  for (const I2cAdapterSetup& adapter : scenario.i2c_adapters) {
    AddAdapter(
        *this, adapter.number,
        adapter.name.empty() ? "I2C adapter " + std::to_string(adapter.number) : adapter.name,
        adapter.parent, adapter.base_address, adapter.chips, seed, adapter.path, adapter.unplug);
  }
}

void State::FollowSchedules() {
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

State::Adapter* State::AdapterNumbered(int number) {
  for (Adapter& adapter : adapters) {
    if (adapter.info.number == number) return &adapter;
  }
  return nullptr;
}

}  // namespace buslink::sim
