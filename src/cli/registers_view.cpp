#include "cli/registers_view.h"

#include <cstdio>
#include <string_view>

#include "access/link_new_com_port.h"
#include "chip/register_meaning.h"

namespace cli {

std::string RegisterLine(const chip::RegisterEntry& r, int value, const std::string& meaning) {
  std::string_view caption = r.caption;
  while (!caption.empty() && caption.back() == ' ') caption.remove_suffix(1);
  char head[96];
  std::snprintf(head, sizeof head, "0x%02X  %-20.*s  0x%02X  ", r.address,
                static_cast<int>(caption.size()), caption.data(), value);
  std::string line = head;
  for (int bit = 7; bit >= 0; --bit) line += ((value >> bit) & 1) != 0 ? '1' : '0';
  if (!meaning.empty()) return line + "  " + meaning;
  const chip::BitNames& names = chip::BitNamesOf(r.bit_names);
  const char* separator = "  ";
  for (int bit = 0; bit < 8; ++bit) {
    if (((value >> bit) & 1) == 0) continue;
    line += separator;
    line += names[static_cast<std::size_t>(bit)];
    separator = ", ";
  }
  return line;
}

std::string LineNow(devaccess::Declarations& d, const chip::RegisterEntry& r, int value) {
  if (!chip::HasMeaning(r.address)) return RegisterLine(r, value);
  int mode = 0;
  int divisors = 0;
  if (chip::MeaningDependsOnMode(r.address)) {
    mode = devaccess::ReadAt(d, chip::reg::kChannelMode);
    divisors = devaccess::ReadAt(d, chip::reg::kVidFanDivisor);
  }
  return RegisterLine(
      r, value,
      chip::RegisterMeaning(r.address, static_cast<std::uint8_t>(value),
                            static_cast<std::uint8_t>(mode), static_cast<std::uint8_t>(divisors)));
}

}  // namespace cli
