#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "buslink/bus_link.h"

// The working half of the wizard: probing the media for chips, the results lines and their tags.
// No widgets here; the window feeds the progress steps to its bar.
namespace wizard {

inline constexpr const char* kChipName = "KELVRAN";

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

// Called after every progress step with the step's size.
using ProgressStep = std::function<void(int step)>;

class DeviceSearch {
 public:
  // Each probe reads only the company identification register. A probe the component fails
  // counts as no chip at that address, and the search goes on; none of these throws.
  void SearchPrinterPorts(buslink::BusLink& link, const ProgressStep& advance);
  // base_address: the controller to search (0: the component's own choice); one the component
  // cannot reach makes every probe fail, so nothing is found on the SMBus.
  void SearchSMBus(buslink::BusLink& link, const ProgressStep& advance, long base_address);
  static void SearchUSB(const ProgressStep& advance);
  void Clear();

  const std::vector<PPFind>& pp_finds() const { return pp_finds_; }
  const std::vector<std::uint8_t>& smbus_finds() const { return smbus_finds_; }

 private:
  void ProbeBoards(buslink::ParallelDevice& device, std::uint8_t port, bool mode);

  std::vector<PPFind> pp_finds_;
  std::vector<std::uint8_t> smbus_finds_;  // 7-bit form
};

// Upper-case hexadecimal without prefix or leading zeros: "2E", "378".
std::string Hex(unsigned value);

// The SMBus controller base the search asks for: the hexadecimal number typed in the base
// address box when it differs from the base the component reported, otherwise 0 (the
// component's own choice). A box that is empty or holds no hexadecimal number gives 0 as well.
long SMBusBaseToSearch(std::string_view typed, long reported_base);

// "Found an KELVRAN at:2Eh, on printer port:378h" + 50 blanks + "Printer <line_number>".
std::string PrinterPortLine(std::uint8_t address8, int port_base, int line_number);
// "An KELVRAN was found at:2Dh, on the SMBus" + 98 blanks + "SMBus2D".
std::string SMBusLine(std::uint8_t address7);

// What a results line's tag says.
struct LineTag {
  enum class Kind { None, Printer, SMBus };
  Kind kind = Kind::None;
  int printer_line = 0;       // Printer: the line number, counted from 1
  std::uint8_t address7 = 0;  // SMBus: the address in the tag
};
// The printer tag is read as the whole number after "Printer ", so lines from the tenth on are
// told apart too.
LineTag ReadLineTag(std::string_view line);

}  // namespace wizard
