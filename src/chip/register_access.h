#pragma once

#include <cstdint>

namespace chip {

// Which bits of a register a write can set and read back. Measurements, identification and
// status are read-only (0); the VID pins in 0x47 and 0x49 read the socket whatever is written;
// Configuration 1's RESET, Initialisation and INT Clear act on the chip rather than store a
// setting, as does the intrusion clear in 0x46. Every other catalogue register stores all eight.
std::uint8_t StoredBits(std::uint8_t address);

// The bits a write acts on rather than stores: RESET and Initialisation in Configuration 1
// reset the chip, bit 7 of 0x46 clears the intrusion latch. A write carries them only when the
// user asks for them, never because a read showed them set.
std::uint8_t ActionBits(std::uint8_t address);

// The bits that are a setting of the chip's own rather than of the set-up: INT Clear (monitoring
// paused). A restore leaves them as the chip has them.
std::uint8_t KeptBits(std::uint8_t address);

// What a restore writes for a saved value over the chip's value now: the saved stored bits and
// the chip's own kept bits, so a restore never resets, pauses or clears the chip as a side
// effect.
inline std::uint8_t RestoreValue(std::uint8_t address, std::uint8_t saved, std::uint8_t now) {
  return static_cast<std::uint8_t>((saved & StoredBits(address)) | (now & KeptBits(address)));
}

// What changing one bit of a register that reads `now` writes: every other bit as read, except
// the action bits, which are never written back.
inline std::uint8_t WithBit(std::uint8_t address, std::uint8_t now, int bit, bool on) {
  const auto mask = static_cast<std::uint8_t>(1U << bit);
  const auto kept = static_cast<std::uint8_t>(now & ~ActionBits(address) & ~mask);
  return static_cast<std::uint8_t>(on ? kept | mask : kept);
}

inline bool IsWritable(std::uint8_t address) {
  return StoredBits(address) != 0;
}

// Writable registers that a snapshot may put back: the test register is never among them.
bool IsRestorable(std::uint8_t address);

}  // namespace chip
