#include "buslink/sim/chip.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <vector>

namespace buslink::sim {
namespace {

constexpr std::uint8_t kStart = 0x01;

Chip StartedChip(ChipInputs inputs = {}, std::uint8_t channel_mode = 0x00) {
  ChipSetup setup;
  setup.inputs = inputs;
  setup.registers = {{0x16, channel_mode}, {0x40, kStart}};
  return Chip(setup);
}

// While START is clear nothing converts and a status read clears nothing, so a scenario can pin
// measurements and status bits; writes to the read-only registers are ignored.
TEST(ChipTest, PowersUpStoppedAndHoldsPinnedAndReadOnlyRegisters) {
  ChipSetup setup;
  setup.registers = {{0x24, 0x80}, {0x41, 0x81}, {0x42, 0x03}, {0x4D, 0x10}};
  setup.inputs.v12 = 5.0;
  setup.noise = 3.0;
  Chip chip(setup);
  EXPECT_FALSE(chip.Monitoring());
  EXPECT_EQ(chip.Read(0x3E), 0x41);
  for (int round = 0; round < 2; ++round) {
    EXPECT_EQ(chip.Read(0x24), 0x80);
    EXPECT_EQ(chip.Read(0x41), 0x81) << "a status read does not clear while stopped";
    EXPECT_EQ(chip.Read(0x42), 0x03);
    EXPECT_EQ(chip.Read(0x4D), 0x10);
  }
  // Which registers are read-only the catalogue test checks against the program's own list.
  for (std::uint8_t reg = 0x13; reg <= 0x4D; ++reg) {
    if (!Chip::IsReadOnly(reg)) continue;
    chip.Poke(reg, 0x5A);
    chip.Write(reg, 0xA5);
    EXPECT_EQ(chip.Read(reg), 0x5A) << "read-only register 0x" << std::hex << int{reg};
  }
}

// The program shows a voltage reading as k / 255 * raw + offset, with one offset on the strip
// chart and another on the gauge. Whatever the scenario sets must come back within one count on
// both.
TEST(ChipTest, VoltageReadingsShowTheInputWithinOneCount) {
  struct VoltChannel {
    const char* name;
    std::uint8_t reg;
    std::uint8_t mode;
    double ChipInputs::*input;
    double k;
    double strip_offset;
    double gauge_offset;
  };
  const VoltChannel channels[] = {
      {"+2.5V", 0x20, 0x00, &ChipInputs::v25, 3.32, 0.013, 0.026},
      {"+Vccp1", 0x21, 0x00, &ChipInputs::vccp1, 3.586, 0.014, 0.014},
      {"+Vcc 3.3V scale", 0x22, 0x00, &ChipInputs::vcc, 4.383, 0.0172, 0.0172},
      {"+Vcc 5V scale", 0x22, 0x08, &ChipInputs::vcc, 6.64, 0.026, 0.026},
      {"+5V", 0x23, 0x00, &ChipInputs::v5, 6.64, 0.026, 0.026},
      {"+12V", 0x24, 0x00, &ChipInputs::v12, 15.938, 0.01, 0.062},
      {"+Vccp2", 0x25, 0x00, &ChipInputs::vccp2, 3.586, 0.014, 0.014},
      {"AIN1", 0x28, 0x01, &ChipInputs::ain1, 2.49, 0.01, 0.01},
      {"AIN2", 0x29, 0x02, &ChipInputs::ain2, 2.49, 0.01, 0.01},
  };
  for (const VoltChannel& c : channels) {
    const double count = c.k / 255.0;
    for (double fraction = 0.05; fraction < 0.99; fraction += 0.0173) {
      const double volts = c.k * fraction;
      ChipInputs inputs;
      inputs.*c.input = volts;
      const int raw = StartedChip(inputs, c.mode).Read(c.reg);
      EXPECT_NEAR(count * raw + c.strip_offset, volts, count) << c.name << " strip chart";
      EXPECT_NEAR(count * raw + c.gauge_offset, volts, count) << c.name << " gauge";
    }
  }
}

TEST(ChipTest, TemperaturesAreWholeDegreesInTwosComplementComparedSigned) {
  const std::pair<double, std::uint8_t> rows[] = {{25.0, 25},     {24.6, 25},    {-1.0, 0xFF},
                                                  {127.0, 0x7F},  {200.0, 0x7F}, {1e300, 0x7F},
                                                  {-128.0, 0x80}, {-300.0, 0x80}};
  for (const auto& [degrees, raw] : rows) {
    ChipInputs inputs;
    inputs.temp_internal = inputs.temp_ext1 = inputs.temp_ext2 = degrees;
    Chip chip = StartedChip(inputs, 0x04);
    EXPECT_EQ(chip.Read(0x27), raw) << "internal " << degrees;
    EXPECT_EQ(chip.Read(0x26), raw) << "external 1 " << degrees;
    EXPECT_EQ(chip.Read(0x20), raw) << "external 2 " << degrees;
    // Limits compare as signed bytes: inside the power-on -128..127, below a low limit of 0.
    EXPECT_EQ(chip.Read(0x41) & 0x30, 0x00) << degrees;
    chip.Write(0x38, 0x00);
    chip.Write(0x3A, 0x00);
    EXPECT_EQ(chip.Read(0x41) & 0x30, degrees < 0 ? 0x30 : 0x00) << degrees;
  }
}

TEST(ChipTest, FanCountFollowsRpmAndItsOwnDivisor) {
  struct Row {
    double rpm;
    std::uint8_t reg47;  // FAN1 divisor in bits 5:4, FAN2 divisor in bits 7:6
    std::uint8_t fan1;
    std::uint8_t fan2;
  };
  const Row rows[] = {
      {4500, 0x50, 150, 150},  // divisor 2
      {10000, 0xF0, 17, 17},   // divisor 8: 16.875
      {3000, 0xA0, 113, 113},  // divisor 4: 112.5 rounds up
      {4500, 0x70, 38, 150},   // FAN1 divisor 8, FAN2 divisor 2
      {5294, 0x00, 255, 255},  // 255.007
      {0, 0x50, 255, 255},     // stalled
      {1e9, 0x00, 1, 1},       // never 0
  };
  for (const Row& row : rows) {
    ChipInputs inputs;
    inputs.fan1_rpm = inputs.fan2_rpm = row.rpm;
    Chip chip = StartedChip(inputs);
    chip.Write(0x47, row.reg47);
    EXPECT_EQ(chip.Read(0x28), row.fan1) << "FAN1 at " << row.rpm << " rpm, 0x47 = " << +row.reg47;
    EXPECT_EQ(chip.Read(0x29), row.fan2) << "FAN2 at " << row.rpm << " rpm, 0x47 = " << +row.reg47;
  }
}

// One limit broken at a time, high then low; each must latch exactly its own status bit, in the
// status register and its mirror.
TEST(ChipTest, MeasurementOutsideItsLimitsLatchesItsStatusBit) {
  struct Row {
    const char* what;
    std::uint8_t mode;
    std::uint8_t high_reg, high;  // a high limit below the reading
    std::uint8_t low_reg, low;    // a low limit above it; 0x00: none
    std::uint8_t status_reg, bit;
  };
  // Default inputs read: +2.5V 191, Vccp1 106, Vcc 191, +5V 191, +12V 191, Vccp2 123, ext1 40,
  // int 30, ext2 35, FAN1 150 (divisor 2), FAN2 225, AIN1 101, AIN2 153.
  const Row rows[] = {
      {"+2.5V", 0x00, 0x2B, 180, 0x2C, 200, 0x41, 0x01},
      {"ext temp 2 (signed limits)", 0x04, 0x2B, 30, 0x2C, 50, 0x41, 0x01},
      {"Vccp1", 0x00, 0x2D, 100, 0x2E, 110, 0x41, 0x02},
      {"Vcc", 0x00, 0x2F, 150, 0x30, 200, 0x41, 0x04},
      {"+5V", 0x00, 0x31, 150, 0x32, 200, 0x41, 0x08},
      {"+12V", 0x00, 0x33, 150, 0x34, 200, 0x42, 0x01},
      {"Vccp2", 0x00, 0x35, 100, 0x36, 130, 0x42, 0x02},
      {"Vccp2 unmeasured while its pin serves diode 2", 0x04, 0x35, 0, 0x36, 0xF0, 0x42, 0x00},
      {"ext temp 1", 0x00, 0x37, 39, 0x38, 41, 0x41, 0x20},
      {"int temp", 0x00, 0x39, 29, 0x3A, 31, 0x41, 0x10},
      {"FAN1 count", 0x00, 0x3B, 149, 0x00, 0, 0x41, 0x40},
      {"AIN1", 0x01, 0x3B, 100, 0x1A, 110, 0x41, 0x40},
      {"FAN2 count", 0x00, 0x3C, 224, 0x00, 0, 0x41, 0x80},
      {"AIN2", 0x02, 0x3C, 150, 0x1B, 160, 0x41, 0x80},
  };
  for (const Row& row : rows) {
    for (const auto& [limit_reg, limit] :
         {std::pair{row.high_reg, row.high}, std::pair{row.low_reg, row.low}}) {
      if (limit_reg == 0x00) continue;
      SCOPED_TRACE(std::string(row.what) + (limit_reg == row.high_reg ? " high" : " low"));
      Chip chip = StartedChip({}, row.mode);
      if ((row.mode & 0x04) != 0) {
        // 0x2B and 0x2C power up as voltage limits; as temperatures they read -1 and 0.
        chip.Write(0x2B, 0x7F);
        chip.Write(0x2C, 0x80);
      }
      EXPECT_EQ(chip.Read(0x41), 0x00) << "nothing trips at power-on limits";
      EXPECT_EQ(chip.Read(0x42), 0x00);
      chip.Write(limit_reg, limit);
      EXPECT_EQ(chip.Read(row.status_reg == 0x41 ? 0x4C : 0x4D), row.bit) << "mirror";
      EXPECT_EQ(chip.Read(row.status_reg), row.bit);
      EXPECT_EQ(chip.Read(row.status_reg == 0x41 ? 0x42 : 0x41), 0x00) << "other status";
    }
  }
}

TEST(ChipTest, StatusBitStaysLatchedUntilReadAndWhileIntClearPauses) {
  Chip chip = StartedChip();
  chip.Write(0x33, 0xD3);  // +12V high limit 13.2 V
  chip.inputs().v12 = 14.0;
  EXPECT_EQ(chip.Read(0x24), 223);  // converts and latches
  chip.inputs().v12 = 12.0;
  EXPECT_EQ(chip.Read(0x24), 191);
  EXPECT_EQ(chip.Read(0x4D) & 0x01, 0x01) << "the mirror reads without clearing";
  EXPECT_EQ(chip.Read(0x42) & 0x01, 0x01) << "latched while the voltage was high";
  EXPECT_EQ(chip.Read(0x42) & 0x01, 0x00) << "the read cleared it and the input is fine now";
  EXPECT_EQ(chip.Read(0x4D) & 0x01, 0x00) << "the mirror shows the same latch";
  chip.inputs().v12 = 14.0;
  EXPECT_EQ(chip.Read(0x42) & 0x01, 0x01) << "a status read measures afresh";
  EXPECT_EQ(chip.Read(0x42) & 0x01, 0x01) << "and latches again while the fault lasts";

  chip.Write(0x40, 0x09);  // START and INT Clear: monitoring pauses
  chip.Poke(0x24, 0x11);
  EXPECT_FALSE(chip.Monitoring());
  EXPECT_EQ(chip.Read(0x24), 0x11);
  EXPECT_EQ(chip.Read(0x42), 0x00);
  chip.Write(0x40, kStart);
  EXPECT_EQ(chip.Read(0x42), 0x01);
}

TEST(ChipTest, ChassisIntrusionLatchesUntilClearedThroughRegister46) {
  ChipSetup setup;
  setup.inputs.chassis_intrusion = true;
  Chip chip(setup);  // START clear: intrusion does not depend on conversions
  EXPECT_EQ(chip.Read(0x42), 0x10);
  chip.Write(0x40, kStart);
  EXPECT_EQ(chip.Read(0x42), 0x10) << "a status read does not clear the intrusion latch";
  chip.Write(0x46, 0x40);
  EXPECT_EQ(chip.Read(0x4D), 0x10) << "only bit 7 clears";
  chip.Write(0x46, 0x80);
  EXPECT_EQ(chip.Read(0x46), 0x00) << "the clear bit clears itself";
  EXPECT_EQ(chip.Read(0x42), 0x00);
  EXPECT_EQ(chip.Read(0x4D), 0x00) << "the case stays open: no new event";
  chip.inputs().chassis_intrusion = false;
  EXPECT_EQ(chip.Read(0x4D), 0x00);
  chip.inputs().chassis_intrusion = true;
  EXPECT_EQ(chip.Peek(0x4D), 0x10) << "Peek shows the new event too";
  EXPECT_EQ(chip.Read(0x4D), 0x10) << "opened again";
}

TEST(ChipTest, VidPinsOverlayWhateverIsWritten) {
  ChipSetup setup;
  setup.inputs.vid = 0x15;
  setup.registers = {{0x47, 0x3A}, {0x49, 0x00}};
  Chip chip(setup);
  EXPECT_EQ(chip.Read(0x47), 0x35);
  EXPECT_EQ(chip.Read(0x49), 0x01);
  chip.Write(0x49, 0xFE);
  EXPECT_EQ(chip.Read(0x49), 0xFF) << "VID4 from its pin";
  chip.inputs().vid = 0x0C;
  EXPECT_EQ(chip.Read(0x47), 0x3C) << "divisor bits as written, VID0-3 from the pins";
  EXPECT_EQ(chip.Read(0x49), 0xFE);
}

TEST(ChipTest, ResetBitsRestorePowerOnValuesButKeepMeasurementsAndIntrusion) {
  for (std::uint8_t reset : {std::uint8_t{0x10}, std::uint8_t{0x80}}) {
    ChipSetup setup;
    setup.inputs.chassis_intrusion = true;
    setup.registers = {{0x16, 0x0F}, {0x19, 0x12}, {0x2B, 0x01}, {0x41, 0xFF},
                       {0x42, 0x13}, {0x24, 0x77}, {0x47, 0xF0}};
    Chip chip(setup);
    chip.Write(0x40, static_cast<std::uint8_t>(reset | kStart));
    EXPECT_EQ(chip.Read(0x40), 0x00) << "START clear, the reset bit cleared itself";
    EXPECT_EQ(chip.Read(0x16), 0x00);
    EXPECT_EQ(chip.Read(0x19), 0xFF) << "analog output at full scale";
    EXPECT_EQ(chip.Read(0x2B), 0xFF);
    EXPECT_EQ(chip.Read(0x47), 0x5C) << "both fan divisors 2, VID pins overlaid";
    EXPECT_EQ(chip.Read(0x41), 0x00) << "status cleared";
    EXPECT_EQ(chip.Read(0x42), 0x10) << "status cleared but for the intrusion latch";
    EXPECT_EQ(chip.Read(0x4D), 0x10);
    EXPECT_EQ(chip.Read(0x24), 0x77) << "the last measurement stays";
  }
}

TEST(ChipTest, NoiseStaysWithinItsCountsAndRepeatsWithTheSeed) {
  ChipSetup setup;
  setup.registers = {{0x40, kStart}};
  setup.noise = 1.0;
  Chip a(setup, 7);
  Chip b(setup, 7);
  std::set<int> seen;
  for (int i = 0; i < 200; ++i) {
    seen.insert(a.Read(0x24));
    EXPECT_EQ(b.Read(0x24), a.Peek(0x24)) << "same seed, same readings";
  }
  EXPECT_EQ(seen, (std::set<int>{190, 191, 192})) << "the reading wanders by one count";
}

// An input with a shape takes its value at the clock's time of each read and is compared with its
// limits like any other. Chips handed one clock follow it together.
TEST(ChipTest, ShapedInputsFollowTheClockWhileTheChipRuns) {
  ChipSetup setup;
  setup.registers = {{0x40, kStart}, {0x33, 0xD3}};  // +12V high limit 13.2 V
  InputShape ext1;
  ext1.Add(InputShape::Ramp{.from = 20, .to = 80, .over = 60});
  InputShape v12;
  v12.Add(12.0);
  v12.Add(InputShape::Pulse{.level = 2, .start = 10, .length = 5});
  setup.inputs.shapes[static_cast<std::size_t>(AnalogInput::TempExt1)] = ext1;
  setup.inputs.shapes[static_cast<std::size_t>(AnalogInput::V12)] = v12;
  Chip chip(setup);
  for (const auto& [seconds, degrees] : {std::pair{0.0, 20}, {30.0, 50}, {60.0, 80}, {600.0, 80}}) {
    chip.clock().Set(seconds);
    EXPECT_EQ(chip.Read(0x26), degrees) << seconds << " s";
  }
  chip.clock().Set(5);
  EXPECT_EQ(chip.Read(0x42), 0x00);
  chip.clock().Set(12);
  EXPECT_EQ(chip.Read(0x24), 223) << "14 V during the pulse";
  EXPECT_EQ(chip.Read(0x42), 0x01) << "above the +12V limit";
  chip.clock().Set(20);
  EXPECT_EQ(chip.Read(0x42), 0x00) << "the pulse has passed";

  const auto clock = std::make_shared<SimClock>();
  Chip a(setup, 1, clock);
  Chip b(setup, 2, clock);
  clock->Set(45);
  EXPECT_EQ(a.Read(0x26), 65);
  EXPECT_EQ(b.Read(0x26), 65);
}

}  // namespace
}  // namespace buslink::sim
