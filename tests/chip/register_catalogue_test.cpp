#include "chip/register_catalogue.h"

#include "chip/channels.h"

#include "buslink/sim/chip.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

using chip::BitNameSet;

// Spot rows where a slip would go unnoticed on screen: look-alike captions, odd spacing, the
// registers with their own bit names, and one of each panel.
TEST(RegisterCatalogue, SpotRows) {
  const struct {
    int index;
    int address;
    const char* caption;
    BitNameSet set;
    const char* panel;
  } rows[] = {
      {2, 0x14, "Ext. Temp.Trip ", BitNameSet::A, "Limits"},
      {4, 0x16, "Channel Mode", BitNameSet::B, "Other Settings"},
      {19, 0x29, "FAN2/AIN1 ", BitNameSet::A, "Measured"},
      {37, 0x3C, "AIN/Fan2 High", BitNameSet::A, "Limits"},
      {39, 0x3F, "Revision", BitNameSet::K, "Measured"},
      {40, 0x40, "Configuration 1", BitNameSet::C, "Other Settings"},
      {46, 0x47, "VID 0-3/Fan Divisor", BitNameSet::H, "Measured"},
      {50, 0x4D, "INT Status Mirror 2", BitNameSet::E, "Measured"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE("index " + std::to_string(row.index));
    const chip::RegisterEntry* entry = chip::LookupRegister(row.index);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->address, row.address);
    EXPECT_EQ(entry->caption, row.caption);
    EXPECT_EQ(entry->bit_names, row.set);
    EXPECT_EQ(chip::PanelCaption(entry->panel), row.panel);
  }
}

// The bit names of the registers whose bits the user acts on.
TEST(RegisterCatalogue, BitNamesOfTheControlRegisters) {
  EXPECT_EQ(chip::BitNamesOf(BitNameSet::C),
            (chip::BitNames{"START", "INT Enable", "THERM Enable", "INT Clear", "RESET", "Reserved",
                            "THERM CLR", "Initialisation"}));
  EXPECT_EQ(chip::BitNamesOf(BitNameSet::H),
            (chip::BitNames{"VID", "VID", "VID", "VID", "FAN1 Divisor", "FAN1 Divisor.",
                            "FAN2 Divisor", "FAN2 Divisor"}));
  EXPECT_EQ(chip::BitNamesOf(BitNameSet::A)[7], "Bit 7");
}

}  // namespace

namespace chip {
namespace {

// The terminal program refuses writes by this list; the simulated chip ignores them by its own.
TEST(RegisterCatalogue, ReadOnlyRegistersAgreeWithTheSimulatedChip) {
  for (const RegisterEntry& r : AllRegisters()) {
    EXPECT_EQ(IsReadOnly(r.address), buslink::sim::Chip::IsReadOnly(r.address)) << r.caption;
  }
}

// The simulated chip measures and compares as the program's channel table reads it, under the
// modes that give the fans, both analog inputs, and External 2 with +Vcc on its 5 V scale.
constexpr std::uint8_t kModes[] = {0x00, 0x03, 0x0C};

buslink::sim::Chip Started(std::uint8_t mode, const buslink::sim::ChipInputs& inputs = {}) {
  buslink::sim::ChipSetup setup;
  setup.inputs = inputs;
  setup.registers = {{reg::kChannelMode, mode}, {reg::kConfiguration1, 0x01}};
  return buslink::sim::Chip(setup);
}

// A voltage set on an input reads back within one count, with the chart's offset and the gauge's.
TEST(SimulatedChip, VoltageReadingsShowTheInputWithinOneCount) {
  for (const std::uint8_t mode : kModes) {
    for (const Channel* c : ChannelsFor(mode)) {
      if (c->quantity != Quantity::Volts) continue;
      // The inputs run +2.5V to +Vccp2 at 0x20-0x25, then AIN 1 and AIN 2 at 0x28 and 0x29.
      const auto input =
          static_cast<std::size_t>(c->value_register - (c->value_register <= 0x25 ? 0x20 : 0x22));
      const double count = c->scale.k / 255.0;
      for (double fraction = 0.05; fraction < 0.99; fraction += 0.0173) {
        const double volts = c->scale.k * fraction;
        buslink::sim::ChipInputs inputs;
        inputs.shapes[input].Add(volts);
        const int raw = Started(mode, inputs).Read(static_cast<std::uint8_t>(c->value_register));
        EXPECT_NEAR(count * raw + c->scale.chart_offset, volts, count) << c->caption << " chart";
        EXPECT_NEAR(count * raw + c->scale.gauge_offset, volts, count) << c->caption << " gauge";
      }
    }
  }
}

// One limit broken at a time, high then low, latches exactly its channel's status bit, in the
// status register and its mirror; a fan's one limit is the count of its slowest speed.
TEST(SimulatedChip, AReadingOutsideALimitLatchesItsChannelsBitAlone) {
  for (const std::uint8_t mode : kModes) {
    for (const Channel* c : ChannelsFor(mode)) {
      for (const bool high : {true, false}) {
        if (c->fan != 0 && !high) continue;
        SCOPED_TRACE(std::string(c->caption) + (high ? " high" : " low"));
        buslink::sim::Chip chip = Started(mode);
        if ((mode & 0x04) != 0) {
          // 0x2B and 0x2C power up as voltage limits; as temperatures they read -1 and 0.
          chip.Write(0x2B, 0x7F);
          chip.Write(0x2C, 0x80);
        }
        EXPECT_EQ(chip.Read(reg::kIntStatus1), 0x00) << "nothing trips at power-on limits";
        EXPECT_EQ(chip.Read(reg::kIntStatus2), 0x00);
        const std::uint8_t raw = chip.Read(static_cast<std::uint8_t>(c->value_register));
        const int limit = high && c->fan == 0 ? c->high_register : c->low_register;
        chip.Write(static_cast<std::uint8_t>(limit),
                   static_cast<std::uint8_t>(high ? raw - 1 : raw + 1));
        const auto status = static_cast<std::uint8_t>(c->alarm_register);
        EXPECT_EQ(
            chip.Read(status == reg::kIntStatus1 ? reg::kIntStatusMirror1 : reg::kIntStatusMirror2),
            1 << c->alarm_bit);
        EXPECT_EQ(chip.Read(status), 1 << c->alarm_bit);
        EXPECT_EQ(chip.Read(status == reg::kIntStatus1 ? reg::kIntStatus2 : reg::kIntStatus1),
                  0x00);
      }
    }
  }
  buslink::sim::Chip chip = Started(0x0C);
  chip.Write(0x35, 0x00);
  chip.Write(0x36, 0xF0);
  EXPECT_EQ(chip.Read(reg::kIntStatus2), 0x00) << "+Vccp2 unmeasured while its pin serves diode 2";
}

}  // namespace
}  // namespace chip
