#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

namespace chip {

// The chip's name as every window and message writes it.
inline constexpr char kChipName[] = "KELVRAN";

// The chip's register addresses that the program uses by name.
namespace reg {
inline constexpr std::uint8_t kAnalogOutput = 0x19;
inline constexpr std::uint8_t kChannelMode = 0x16;
inline constexpr std::uint8_t kV25 = 0x20;
inline constexpr std::uint8_t kVccp1 = 0x21;
inline constexpr std::uint8_t kVcc = 0x22;
inline constexpr std::uint8_t kV5 = 0x23;
inline constexpr std::uint8_t kV12 = 0x24;
inline constexpr std::uint8_t kVccp2 = 0x25;
inline constexpr std::uint8_t kExtTemp = 0x26;
inline constexpr std::uint8_t kIntTemp = 0x27;
inline constexpr std::uint8_t kFan1Ain1 = 0x28;
inline constexpr std::uint8_t kFan2Ain2 = 0x29;
inline constexpr std::uint8_t kCompanyId = 0x3E;
inline constexpr std::uint8_t kRevision = 0x3F;
inline constexpr std::uint8_t kConfiguration1 = 0x40;
inline constexpr std::uint8_t kIntStatus1 = 0x41;
inline constexpr std::uint8_t kIntStatus2 = 0x42;
inline constexpr std::uint8_t kIntMask1 = 0x43;
inline constexpr std::uint8_t kIntMask2 = 0x44;
inline constexpr std::uint8_t kChassisClear = 0x46;
inline constexpr std::uint8_t kVidFanDivisor = 0x47;
inline constexpr std::uint8_t kVid4 = 0x49;
inline constexpr std::uint8_t kConfiguration2 = 0x4A;
inline constexpr std::uint8_t kIntStatusMirror1 = 0x4C;
inline constexpr std::uint8_t kIntStatusMirror2 = 0x4D;
}  // namespace reg

// What Company ID reads on this chip.
inline constexpr std::uint8_t kCompanyIdValue = 0x41;

// The names shown above a register's eight bits, bit 0 first.
enum class BitNameSet { A, B, C, D, E, F, G, H, I, J, K };
using BitNames = std::array<std::string_view, 8>;
const BitNames& BitNamesOf(BitNameSet set);

enum class RegisterPanel { Measured, Limits, OtherSettings };
std::string_view PanelCaption(RegisterPanel panel);

struct RegisterEntry {
  int index;  // label index on the Read/Write tab, 1..50
  std::uint8_t address;
  std::string_view caption;
  std::string_view description;
  BitNameSet bit_names;
  RegisterPanel panel;
};

inline constexpr int kRegisterCount = 50;

// Measurements, identification, revision and status: the chip ignores writes to them.
bool IsReadOnly(int address);

// nullptr for any index outside 1..50.
const RegisterEntry* LookupRegister(int index);
std::span<const RegisterEntry> AllRegisters();

}  // namespace chip
