#pragma once

#include <cstdint>

namespace chip {

// Which bits of a register a write can set and read back. Measurements, identification and
// status are read-only (0); the VID pins in 0x47 and 0x49 read the socket whatever is written;
// Configuration 1's RESET, Initialisation and INT Clear act on the chip rather than store a
// setting, as does the intrusion clear in 0x46. Every other catalogue register stores all eight.
std::uint8_t StoredBits(std::uint8_t address);

// What a restore writes for a saved value: the stored bits only, so a restore never resets,
// pauses or clears the chip as a side effect.
inline std::uint8_t RestoreValue(std::uint8_t address, std::uint8_t saved) {
  return static_cast<std::uint8_t>(saved & StoredBits(address));
}

inline bool IsWritable(std::uint8_t address) {
  return StoredBits(address) != 0;
}

}  // namespace chip
