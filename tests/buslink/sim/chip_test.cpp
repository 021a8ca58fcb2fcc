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

// A status bit latched by a conversion and cleared by its read: the exporter's alarm test; the
// bit in its register and mirror: the catalogue's simulated-chip test.
TEST(ChipTest, AStatusReadMeasuresAfreshAndIntClearPauses) {
  Chip chip = StartedChip();
  chip.Write(0x33, 0xD3);  // +12V high limit 13.2 V
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

// That a seed repeats its noise the built-in bench test shows.
TEST(ChipTest, NoiseStaysWithinItsCounts) {
  ChipSetup setup;
  setup.registers = {{0x40, kStart}};
  setup.noise = 1.0;
  Chip chip(setup, 7);
  std::set<int> seen;
  for (int i = 0; i < 200; ++i) seen.insert(chip.Read(0x24));
  EXPECT_EQ(seen, (std::set<int>{190, 191, 192})) << "the reading wanders by one count";
}

}  // namespace
}  // namespace buslink::sim
