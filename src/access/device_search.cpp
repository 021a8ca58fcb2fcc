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

void DeviceSearch::SearchSMBus(buslink::BusLink& link, const ProgressStep& advance,
                               long base_address) {
  buslink::SMBusDevice* smbus = nullptr;
  try {
    buslink::SMBusDevice& device = link.SMBus();
    device.SetBaseAddress(base_address);
    smbus = &device;
  } catch (const std::exception& e) {
    NoteFailure(smbus_problems_, e);
    // no adapter, or not the one asked for: the slots are still stepped so the bar ends where
    // it should
  }
  for (const std::optional<std::uint8_t>& slot : kCandidateAddresses) {
    advance(kSlotStep);
    if (!slot || smbus == nullptr) continue;
    const auto a7 = static_cast<std::uint8_t>(*slot / 2);
    if (IsChipAt([&] { return smbus->ReadByte(a7, chip::reg::kCompanyId); }, smbus_problems_)) {
      smbus_finds_.push_back(a7);
    }
  }
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
}

}  // namespace devaccess
