#include "chip/register_access.h"

#include "chip/register_catalogue.h"

namespace chip {

namespace {

constexpr std::uint8_t kIntClear = 0x08;
constexpr std::uint8_t kReset = 0x10;
constexpr std::uint8_t kInitialisation = 0x80;
constexpr std::uint8_t kChassisClearCommand = 0x80;
constexpr std::uint8_t kTestRegister = 0x15;

}  // namespace

std::uint8_t StoredBits(std::uint8_t address) {
  if (IsReadOnly(address)) return 0x00;
  switch (address) {
    case reg::kConfiguration1:
      return static_cast<std::uint8_t>(~(kIntClear | kReset | kInitialisation));
    case reg::kChassisClear:
      return static_cast<std::uint8_t>(~kChassisClearCommand);
    case reg::kVidFanDivisor:
      return 0xF0;  // the fan divisors; bits 3:0 are VID0..VID3
    case reg::kVid4:
      return 0xFE;  // bit 0 is VID4
    default:
      return 0xFF;
  }
}

std::uint8_t ActionBits(std::uint8_t address) {
  switch (address) {
    case reg::kConfiguration1:
      return kReset | kInitialisation;
    case reg::kChassisClear:
      return kChassisClearCommand;
    default:
      return 0x00;
  }
}

std::uint8_t KeptBits(std::uint8_t address) {
  return address == reg::kConfiguration1 ? kIntClear : 0x00;
}

bool IsRestorable(std::uint8_t address) {
  return IsWritable(address) && address != kTestRegister;
}

}  // namespace chip
