#include "chip/alarm_bits.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "chip/register_catalogue.h"
#include "support/register_file.h"

namespace chip {
namespace {

// Every status bit under the Channel Modes that change what a bit means: bit 2 makes the 2.5V
// pin the second diode, bits 0 and 1 make the fan pins analog inputs.
TEST(AlarmBits, EachBitNamesItsChannelUnderTheChannelMode) {
  const struct {
    int slot;
    int mode;
    std::string_view name;
    bool channel;
    bool critical;
  } cases[] = {
      {0, 0x00, "+2.5V", true, false},      {0, 0x04, "External 2", true, true},
      {1, 0x00, "+Vccp1", true, false},     {2, 0x08, "+Vcc", true, false},
      {3, 0x00, "+5V", true, false},        {4, 0x00, "Internal", true, true},
      {5, 0x00, "External 1", true, true},  {6, 0x00, "Fan 1", true, false},
      {6, 0x01, "AIN 1", true, false},      {7, 0x02, "AIN 2", true, false},
      {8, 0x00, "+12V", true, false},       {9, 0x00, "+Vccp2", true, false},
      {10, 0x00, "", false, false},         {11, 0x00, "", false, false},
      {12, 0x00, "Chassis", false, true},   {13, 0x00, "THERM", false, true},
      {14, 0x00, "D1 Fault", false, false}, {15, 0x00, "D2 Fault", false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "slot " << c.slot << " mode " << c.mode);
    const AlarmBit bit = AlarmBitOf(c.slot, c.mode);
    EXPECT_EQ(bit.name, c.name);
    EXPECT_EQ(bit.channel != nullptr, c.channel);
    EXPECT_EQ(bit.critical, c.critical);
    if (bit.channel != nullptr) {
      const int reg = c.slot < 8 ? reg::kIntStatus1 : reg::kIntStatus2;
      EXPECT_EQ(bit.channel->alarm_register, reg);
      EXPECT_EQ(bit.channel->alarm_bit, c.slot % 8);
    }
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
      {v12, Reading(channel::kV12, 12.652, 11.4, 12.6), "+12V above its limit",
       "12.652 V (limits 11.400 to 12.600 V)"},
      {v12, Reading(channel::kV12, 11.0, 11.4, 12.6), "+12V below its limit",
       "11.000 V (limits 11.400 to 12.600 V)"},
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
  EXPECT_EQ(ClearedSummary(v12), "+12V back within its limits");
  EXPECT_EQ(AlarmSummary(AlarmBitOf(12, 0), nullptr), "Chassis intrusion");
  EXPECT_EQ(ClearedSummary(AlarmBitOf(12, 0)), "Chassis intrusion cleared");
  EXPECT_EQ(AlarmSummary(AlarmBitOf(13, 0), nullptr), "THERM interrupt");
  EXPECT_EQ(AlarmSummary(AlarmBitOf(15, 0), nullptr), "External 2 diode fault");
  EXPECT_EQ(AlarmSummary(AlarmBitOf(11, 0), nullptr), "INT Status 2 bit 3");
}

// A register file behind a Sampler, with the status registers handing their bits to the store as
// the register transfer does.
struct Registers : kelvran_test::RegisterFile {
  AlarmStore store;
  Registers() {
    on_read = [this](std::uint8_t a) {
      if (a == reg::kIntStatus1) store.Latch(regs[a], 0);
      if (a == reg::kIntStatus2) store.Latch(0, regs[a]);
    };
  }
};

TEST(AlarmBits, LinesNameEachLatchedChannelWithItsReadingThenTheOtherBits) {
  Registers r;
  r.regs[reg::kChannelMode] = 0x00;
  r.regs[reg::kVidFanDivisor] = 0x50;  // both divisors 2
  r.regs[0x24] = 0xD0;                 // +12V 13.062 V
  r.regs[0x33] = 0xC9;                 // high 12.625 V
  r.regs[0x34] = 0xB7;                 // low 11.500 V
  r.regs[0x28] = 0xFF;                 // Fan 1 stalled
  r.regs[0x3B] = 0x7F;
  r.regs[reg::kIntStatus1] = 0x40;  // Fan 1
  r.regs[reg::kIntStatus2] = 0x11;  // +12V, Chassis
  Sampler sampler(r.Reader(), r.store);
  const std::vector<std::string> lines = AlarmLines(sampler.Take());
  EXPECT_EQ(lines,
            (std::vector<std::string>{"+12V above its limit: 13.062 V (limits 11.500 to 12.625 V)",
                                      "Fan 1 below its limit: stalled (low limit 5314 RPM)",
                                      "Chassis intrusion"}));

  r.regs[reg::kIntStatus1] = 0;
  r.regs[reg::kIntStatus2] = 0;
  EXPECT_TRUE(AlarmLines(sampler.Take()).empty());
}

// One channel alone: a fan needs its divisor before its count means a speed, and has no high
// limit to read.
TEST(AlarmBits, ReadChannelReadsWhatTheChannelNeedsAndNoMore) {
  Registers r;
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
