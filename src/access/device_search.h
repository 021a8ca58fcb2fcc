#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "buslink/bus_link.h"

// The device search: which addresses are probed, in which order, and what counts as the chip.
// The wizard shows its progress and results; the terminal program prints them.
namespace devaccess {

// The bus addresses the chip can answer at, 8-bit form (7-bit address shifted left by one). The
// fourth slot holds nothing but still counts as a progress step on the SMBus and USB.
inline constexpr std::array<std::optional<std::uint8_t>, 4> kCandidateAddresses = {
    std::optional<std::uint8_t>(0x5C), std::optional<std::uint8_t>(0x58),
    std::optional<std::uint8_t>(0x5A), std::nullopt};

// The progress bar gets this much room per ticked medium.
inline constexpr int kProgressPerMedium = 33;
// One step per printer port (33 / 4) and per candidate slot on the SMBus and USB (33 / 3).
inline constexpr int kPrinterPortStep = kProgressPerMedium / 4;
inline constexpr int kSlotStep =
    kProgressPerMedium / (static_cast<int>(kCandidateAddresses.size()) - 1);

// One chip answer on a printer port.
struct PPFind {
  std::uint8_t address;  // 8-bit form
  std::uint8_t port;     // 0-based index for ParallelPorts.SelectedPort
  bool mode_flag;        // ModeFlag under which it answered, as the component reports it
};

// One chip answer on the SMBus.
struct SMBusFind {
  std::uint8_t address7;
  // The adapter it answered on, as the backend names it; nullopt when the backend names none.
  std::optional<buslink::I2cAdapterInfo> adapter;
};

// Called after every progress step with the step's size.
using ProgressStep = std::function<void(int step)>;

class DeviceSearch {
 public:
  // Each probe reads only the company identification register. A probe the component fails
  // counts as no chip at that address, and the search goes on; none of these throws.
  void SearchPrinterPorts(buslink::BusLink& link, const ProgressStep& advance);
  // base_address: the controller to search; one the component cannot reach makes every probe
  // fail, so nothing is found on the SMBus. 0: every adapter the component marks searched, one
  // after the other (the bar's four steps shared out among them), or, when it knows of none,
  // the component's own choice, whose failure then says why.
  void SearchSMBus(buslink::BusLink& link, const ProgressStep& advance, long base_address);
  static void SearchUSB(const ProgressStep& advance);
  void Clear();

  const std::vector<PPFind>& pp_finds() const { return pp_finds_; }
  const std::vector<SMBusFind>& smbus_finds() const { return smbus_finds_; }
  // The adapters the last SMBus search saw, each marked searched or not, and how many it probed.
  const std::vector<buslink::I2cAdapterInfo>& smbus_adapters() const { return smbus_adapters_; }
  int adapters_searched() const { return adapters_searched_; }
  // What stopped the probes of each medium, each message once: everything but a silent address
  // (no answer, no answer in time), which is simply no chip there.
  const std::vector<std::string>& pp_problems() const { return pp_problems_; }
  const std::vector<std::string>& smbus_problems() const { return smbus_problems_; }

 private:
  void ProbeBoards(buslink::ParallelDevice& device, std::uint8_t port, bool mode);
  // The candidates on the adapter the component has selected; `steps` are the bar's steps.
  void ProbeAdapter(buslink::SMBusDevice& smbus, const ProgressStep& advance,
                    const std::array<int, kCandidateAddresses.size()>& steps);
  void NoteNotSearched();

  std::vector<PPFind> pp_finds_;
  std::vector<SMBusFind> smbus_finds_;
  std::vector<buslink::I2cAdapterInfo> smbus_adapters_;
  int adapters_searched_ = 0;
  std::vector<std::string> pp_problems_;
  std::vector<std::string> smbus_problems_;
};

}  // namespace devaccess
