#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "access/device_search.h"
#include "access/search_reasons.h"
#include "chip/register_catalogue.h"

// The wizard's results lines and their tags. No widgets here; the window feeds the search's
// progress steps to its bar.
namespace wizard {

using chip::kChipName;

// The search itself is shared with the terminal program.
using devaccess::DeviceSearch;
using devaccess::kCandidateAddresses;
using devaccess::kPrinterPortStep;
using devaccess::kProgressPerMedium;
using devaccess::kSlotStep;
using devaccess::PPFind;
using devaccess::ProgressStep;

using devaccess::MediumReport;

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
// When the search covered several adapters the line names the chip's, where the user sees it,
// and still ends in the tag: "An KELVRAN was found at:2Dh, on the SMBus (/dev/i2c-7, CP2112
// SMBus Bridge on hidraw0)" + 98 blanks + "SMBus2D".
std::string SMBusLine(std::uint8_t address7, const std::string& adapter);

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
