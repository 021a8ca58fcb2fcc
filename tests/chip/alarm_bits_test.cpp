#include "chip/alarm_bits.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "chip/register_catalogue.h"
#include "support/register_file.h"

namespace chip {
namespace {

// A status bit under the Channel Modes that change what it means (bit 2 makes the 2.5V pin the
// second diode, bits 0 and 1 make the fan pins analog inputs); temperatures, the chassis and THERM
// are critical. Which bit each channel latches is checked against the simulated chip.
TEST(AlarmBits, EachBitNamesItsChannelUnderTheChannelMode) {
  const struct {
    int slot, mode;
    std::string_view name;
    bool channel, critical;
  } cases[] = {
      {0, 0x00, "+2.5V", true, false},   {0, 0x04, "External 2", true, true},
      {4, 0x00, "Internal", true, true}, {6, 0x01, "AIN 1", true, false},
      {10, 0x00, "", false, false},      {12, 0x00, "Chassis", false, true},
      {13, 0x00, "THERM", false, true},  {15, 0x00, "D2 Fault", false, false},
  };
  for (const auto& c : cases) {
    const AlarmBit bit = AlarmBitOf(c.slot, c.mode);
    EXPECT_EQ(bit.name, c.name) << c.slot;
    EXPECT_EQ(bit.channel != nullptr, c.channel) << c.slot;
    EXPECT_EQ(bit.critical, c.critical) << c.slot;
  }
  EXPECT_TRUE(IsLatched({0x00, 0x01}, 8));
  EXPECT_FALSE(IsLatched({0x01, 0x00}, 8));
  EXPECT_TRUE(IsLatched({0x80, 0x00}, 7));
}

ChannelReading Reading(const Channel& c, double value, double low, double high,
                       bool stalled = false) {
  ChannelReading r;
  r.channel = &c;
  r.value = value;
  r.low = low;
  r.high = high;
  r.has_high = c.high_register >= 0;
  r.stalled = stalled;
  return r;
}

TEST(AlarmBits, SummariesSayWhichWayTheReadingLeftItsLimits) {
  const AlarmBit v12 = AlarmBitOf(8, 0);
  const AlarmBit fan1 = AlarmBitOf(6, 0);
  const AlarmBit ext1 = AlarmBitOf(5, 0);
  const struct {
    AlarmBit bit;
    ChannelReading reading;
    std::string summary;
    std::string text;
  } cases[] = {
      // Latched, but within (or at) its limits by the time it was read: no direction is known.
      {v12, Reading(channel::kV12, 12.5, 11.4, 12.6), "+12V left its limits",
       "12.500 V (limits 11.400 to 12.600 V)"},
      {ext1, Reading(channel::kExternal1, 90, 0, 90), "External 1 left its limits",
       "90 °C (limits 0 to 90 °C)"},
      // A fan has one limit, its slowest speed; a stalled fan has no speed.
      {fan1, Reading(channel::kFan1, 2100, 2657, 0), "Fan 1 below its limit",
       "2100 RPM (low limit 2657 RPM)"},
      {fan1, Reading(channel::kFan1, 0, 2657, 0, true), "Fan 1 below its limit",
       "stalled (low limit 2657 RPM)"},
      {fan1, Reading(channel::kFan1, 9000, 2657, 0), "Fan 1 below its limit",
       "9000 RPM (low limit 2657 RPM)"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(AlarmSummary(c.bit, &c.reading), c.summary);
    EXPECT_EQ(ReadingText(c.reading), c.text);
  }
  EXPECT_EQ(AlarmSummary(v12, nullptr), "+12V left its limits");
  EXPECT_EQ(ClearedSummary(AlarmBitOf(12, 0)), "Chassis intrusion cleared");
  EXPECT_EQ(AlarmSummary(AlarmBitOf(13, 0), nullptr), "THERM interrupt");
  EXPECT_EQ(AlarmSummary(AlarmBitOf(15, 0), nullptr), "External 2 diode fault");
  EXPECT_EQ(AlarmSummary(AlarmBitOf(11, 0), nullptr), "INT Status 2 bit 3");
}

// One channel alone: a fan needs its divisor before its count means a speed, and has no high
// limit to read.
TEST(AlarmBits, ReadChannelReadsWhatTheChannelNeedsAndNoMore) {
  kelvran_test::RegisterFile r;
  r.regs[reg::kVidFanDivisor] = 0x60;  // Fan 1 divisor 4
  r.regs[0x28] = 0x87;
  r.regs[0x3B] = 0xA9;
  const ChannelReading fan = ReadChannel(channel::kFan1, r.Reader());
  EXPECT_EQ(r.reads, (std::vector<std::uint8_t>{0x47, 0x28, 0x3B}));
  EXPECT_EQ(ReadingText(fan), "2500 RPM (low limit 1997 RPM)");
  EXPECT_EQ(SideOf(fan), LimitSide::Within);

  r.reads.clear();
  r.regs[0x26] = 0xF6;  // -10 degrees
  r.regs[0x37] = 0x5A;
  r.regs[0x38] = 0x00;
  const ChannelReading ext1 = ReadChannel(channel::kExternal1, r.Reader());
  EXPECT_EQ(r.reads, (std::vector<std::uint8_t>{0x26, 0x38, 0x37}));
  EXPECT_EQ(ReadingText(ext1), "-10 °C (limits 0 to 90 °C)");
  EXPECT_EQ(SideOf(ext1), LimitSide::Below);
}

}  // namespace
}  // namespace chip
