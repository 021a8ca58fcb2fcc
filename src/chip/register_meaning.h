#pragma once

#include <cstdint>
#include <string>

// What the byte in a measurement or limit register stands for, in a person's units, for the
// terminal program's register listings.
namespace chip {

// Whether the register is a reading or a limit of some channel under some Channel Mode, or one of
// the temperature trip points.
bool HasMeaning(int address);
// Whether the meaning depends on Channel Mode or on the fan divisors in 0x47.
bool MeaningDependsOnMode(int address);

// "+12V reading 12.000 V", "Fan 1 low limit 2657 RPM (Channel Mode 0x00, divisor 2)",
// "AIN 1 low limit: unused under Channel Mode 0x00"; empty for any other register.
std::string RegisterMeaning(int address, std::uint8_t raw, std::uint8_t channel_mode,
                            std::uint8_t vid_fan_divisor);

}  // namespace chip
