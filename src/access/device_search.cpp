#include "access/device_search.h"

#include <algorithm>
#include <exception>

#include "buslink/bus_error.h"
#include "chip/register_catalogue.h"

namespace devaccess {

namespace {

void Note(std::vector<std::string>& problems, const std::string& message) {
  if (std::find(problems.begin(), problems.end(), message) == problems.end()) {
    problems.push_back(message);
  }
}

// A failure that says why nothing can be found, as opposed to an address where nothing answers.
void NoteFailure(std::vector<std::string>& problems, const std::exception& e) {
  if (const auto* bus = dynamic_cast<const buslink::BusError*>(&e); bus != nullptr) {
    if (bus->code() == buslink::ErrorCode::Nack || bus->code() == buslink::ErrorCode::Timeout) {
      return;
    }
  }
  Note(problems, e.what());
}

bool IsChipAt(const std::function<std::uint8_t()>& read_company_id,
              std::vector<std::string>& problems) {
  try {
    return read_company_id() == chip::kCompanyIdValue;
  } catch (const std::exception& e) {
    NoteFailure(problems, e);
    return false;  // a probe the bus refuses finds nothing there; the search goes on
  }
}

}  // namespace

void DeviceSearch::ProbeBoards(buslink::ParallelDevice& device, std::uint8_t port, bool mode) {
  for (const std::optional<std::uint8_t>& slot : kCandidateAddresses) {
    if (!slot) continue;
    const std::uint8_t a = *slot;
    if (!IsChipAt([&] { return device.ReadByte(a, chip::reg::kCompanyId); }, pp_problems_)) {
      continue;
    }
    bool flag = mode;
    try {
      flag = device.ModeFlag();  // the record keeps what the component reports
    } catch (const std::exception&) {
      // keep the setting just made
    }
    pp_finds_.push_back({a, port, flag});
  }
}

void DeviceSearch::SearchPrinterPorts(buslink::BusLink& link, const ProgressStep& advance) {
  buslink::ParallelPorts* ports = nullptr;
  std::uint8_t count = 0;
  try {
    ports = &link.GetParallelPorts();
    count = ports->PortCount();
  } catch (const std::exception& e) {
    NoteFailure(pp_problems_, e);
    return;  // no printer ports to step through: nothing is listed for this medium
  }
  for (unsigned p = 0; p < count; ++p) {
    advance(kPrinterPortStep);
    const auto port = static_cast<std::uint8_t>(p);
    try {
      ports->SetSelectedPort(port);
    } catch (const std::exception&) {
      continue;  // probing now would address whichever port was selected before
    }
    // Boards are wired one of two ways; a board may answer under either setting or both.
    for (const bool mode : {false, true}) {
      buslink::ParallelDevice* device = nullptr;
      try {
        device = &ports->Device();
        device->SetModeFlag(mode);
      } catch (const std::exception&) {
        continue;
      }
      ProbeBoards(*device, port, mode);
    }
  }
}

void DeviceSearch::ProbeAdapter(buslink::SMBusDevice& smbus, const ProgressStep& advance,
                                const std::array<int, kCandidateAddresses.size()>& steps) {
  const std::optional<buslink::I2cAdapterInfo> adapter = smbus.CurrentAdapter();
  for (std::size_t i = 0; i < kCandidateAddresses.size(); ++i) {
    advance(steps[i]);
    if (!kCandidateAddresses[i]) continue;
    const auto a7 = static_cast<std::uint8_t>(*kCandidateAddresses[i] / 2);
    if (IsChipAt([&] { return smbus.ReadByte(a7, chip::reg::kCompanyId); }, smbus_problems_)) {
      smbus_finds_.push_back({a7, adapter});
    }
  }
}

void DeviceSearch::NoteNotSearched() {
  constexpr std::size_t kNamed = 3;
  std::string skipped;
  std::size_t count = 0;
  for (const buslink::I2cAdapterInfo& adapter : smbus_adapters_) {
    if (adapter.searched) continue;
    if (++count <= kNamed) {
      skipped += (skipped.empty() ? "" : "; ") + adapter.Label() + ": " + adapter.not_searched;
    }
  }
  if (count == 0) return;
  if (count > kNamed) skipped += "; and " + std::to_string(count - kNamed) + " more";
  Note(smbus_problems_,
       "not searched: " + skipped + " (kelvran-eval --bus=N searches adapter N whatever it is)");
}

void DeviceSearch::SearchSMBus(buslink::BusLink& link, const ProgressStep& advance,
                               long base_address) {
  constexpr std::size_t kSlots = kCandidateAddresses.size();
  std::array<int, kSlots> slot_steps{};
  slot_steps.fill(kSlotStep);
  smbus_adapters_.clear();
  adapters_searched_ = 0;
  buslink::SMBusDevice* smbus = nullptr;
  try {
    buslink::SMBusDevice& device = link.SMBus();
    device.SetBaseAddress(base_address);
    device.SelectAdapter(-1);
    smbus_adapters_ = device.Adapters();
    smbus = &device;
  } catch (const std::exception& e) {
    NoteFailure(smbus_problems_, e);
  }
  if (smbus == nullptr) {
    // no component: the slots are still stepped so the bar ends where it should
    for (const int step : slot_steps) advance(step);
    return;
  }
  std::vector<int> targets;
  for (const buslink::I2cAdapterInfo& adapter : smbus_adapters_) {
    if (adapter.searched) targets.push_back(adapter.number);
  }
  if (base_address != 0 || smbus_adapters_.empty()) {
    // The controller at a typed base, or the component's own choice, which fails saying why
    // when there is no adapter at all.
    adapters_searched_ = 1;
    ProbeAdapter(*smbus, advance, slot_steps);
    return;
  }
  if (targets.empty()) {
    NoteNotSearched();
    for (const int step : slot_steps) advance(step);
    return;
  }
  // The bar moves as far as for one adapter, its steps shared out among all of them.
  const int total = kSlotStep * static_cast<int>(kSlots);
  const int count = static_cast<int>(kSlots * targets.size());
  int done = 0;
  for (const int number : targets) {
    for (std::size_t i = 0; i < kSlots; ++i, ++done) {
      slot_steps[i] = total * (done + 1) / count - total * done / count;
    }
    try {
      smbus->SelectAdapter(number);
    } catch (const std::exception& e) {
      NoteFailure(smbus_problems_, e);
      for (const int step : slot_steps) advance(step);  // the bar still ends where it should
      continue;
    }
    ++adapters_searched_;
    ProbeAdapter(*smbus, advance, slot_steps);
  }
  try {
    smbus->SelectAdapter(-1);
  } catch (const std::exception&) {
    // the next search or Finish chooses again
  }
  if (smbus_finds_.empty()) NoteNotSearched();
}

void DeviceSearch::SearchUSB(const ProgressStep& advance) {
  // USB is offered in name only: the steps move the bar, nothing is sent.
  for (std::size_t i = 0; i < kCandidateAddresses.size(); ++i) advance(kSlotStep);
}

void DeviceSearch::Clear() {
  pp_finds_.clear();
  smbus_finds_.clear();
  pp_problems_.clear();
  smbus_problems_.clear();
  smbus_adapters_.clear();
  adapters_searched_ = 0;
}

}  // namespace devaccess
