#include "chip/register_write.h"

#include "chip/register_access.h"
#include "chip/register_catalogue.h"
#include "chip/snapshot.h"

namespace chip {

ReadBackError::ReadBackError(std::uint8_t address, std::uint8_t written, std::uint8_t read)
    : std::runtime_error(RegisterName(address) + " holds " + HexByte(read) + " after " +
                         HexByte(written) + " was written to it"),
      address_(address),
      written_(written),
      read_(read) {}

std::uint8_t WriteAndReadBack(std::uint8_t address, std::uint8_t value, const RegisterRead& read,
                              const RegisterWrite& write) {
  write(address, value);
  const std::uint8_t now = read(address);
  const bool resets = address == reg::kConfiguration1 && (value & ActionBits(address)) != 0;
  const auto compared = static_cast<std::uint8_t>(StoredBits(address) | KeptBits(address));
  if (!resets && ((now ^ value) & compared) != 0) {
    throw ReadBackError(address, value, now);
  }
  return now;
}

std::string RegisterName(std::uint8_t address) {
  std::string name = HexByte(address);
  for (const RegisterEntry& r : AllRegisters()) {
    if (r.address != address) continue;
    std::string_view caption = r.caption;
    while (!caption.empty() && caption.back() == ' ') caption.remove_suffix(1);
    name += " (" + std::string(caption) + ")";
    break;
  }
  return name;
}

}  // namespace chip
