#include "buslink/sim/smbus_adapters.h"

#include <algorithm>
#include <string>

#include "buslink/base_box_advice.h"

namespace buslink::sim {

using State = SimulatedHardware::State;

// The adapter a transfer goes to, as on Linux: the number asked for, else the one at the base
// asked for, else the first that --bus names, else the first SMBus controller, else the first.
// nullptr with a message when there is none. Allocates nothing when it finds one: it runs on
// every transfer.
State::Adapter* State::ChooseAdapter(int number, long base, std::string* why) {
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
std::string State::NoAdapterAtBase(long base, int plugged) const {
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
std::uint8_t State::SMBusTransfer(int number, long base, int& in_use, char op, std::uint8_t device,
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

long SimSMBus::BaseAddress() const {
  state_.FollowClock();
  std::string why;
  const State::Adapter* adapter = state_.ChooseAdapter(number_, base_, &why);
  return adapter != nullptr ? adapter->base : 0;
}

std::vector<I2cAdapterInfo> SimSMBus::Adapters() const {
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

std::optional<I2cAdapterInfo> SimSMBus::CurrentAdapter() const {
  state_.FollowClock();
  std::string why;
  const State::Adapter* adapter = state_.ChooseAdapter(number_, base_, &why);
  if (adapter == nullptr) return std::nullopt;
  return adapter->info;
}

}  // namespace buslink::sim
