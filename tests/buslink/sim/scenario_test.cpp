#include "buslink/sim/scenario.h"
#include "buslink/sim/scenario_faults.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "buslink/sim/chip.h"

namespace buslink::sim {
namespace {

using Registers = std::map<std::uint8_t, std::uint8_t>;

// A board at power-up in one line: one board at 0x5C on 0x378 and one SMBus chip at 0x2D, both
// stopped at power-on. After EasySetup's writes (VID code 12 gives Vccp1 limits 92..112) no
// reading of its chip breaks a limit, noise included: the default inputs are a healthy board.
TEST(ScenarioTest, BoardAtPowerUpIsOneLineAndSitsInsideTheEasySetupLimits) {
  const Scenario power_up = Scenario::FromJson(
      R"({"printer_ports": [{"boards": [{}]}], "smbus": {"chips": [{}]}, "chip": {"noise": 1}})",
      "power-up.json");
  Chip chip(power_up.printer_ports[0].boards[0].chip);
  EXPECT_FALSE(chip.Monitoring());
  const std::pair<std::uint8_t, std::uint8_t> easy_setup[] = {
      {0x40, 0x03}, {0x16, 0x02}, {0x47, 0x50}, {0x19, 0xFF}, {0x3C, 0xA8},
      {0x1B, 0x89}, {0x3B, 0xA9}, {0x2B, 0xD3}, {0x2C, 0xAB}, {0x2F, 0xD3},
      {0x30, 0xAB}, {0x31, 0xD3}, {0x32, 0xAB}, {0x33, 0xD3}, {0x34, 0xAB},
      {0x35, 0x8C}, {0x36, 0x72}, {0x37, 0x5A}, {0x38, 0x00}, {0x39, 0x5A},
      {0x3A, 0x00}, {0x43, 0x00}, {0x44, 0x00}, {0x2E, 92},   {0x2D, 112}};
  for (const auto& [reg, value] : easy_setup) chip.Write(reg, value);
  for (int tick = 0; tick < 500; ++tick) {
    ASSERT_EQ(chip.Read(0x41), 0x00) << "tick " << tick;
    ASSERT_EQ(chip.Read(0x42), 0x00) << "tick " << tick;
  }
  // The same with both fans measured, on the power-on channel mode.
  chip.Write(0x16, 0x00);
  chip.Write(0x3C, 0xFF);
  EXPECT_EQ(chip.Read(0x41), 0x00);
}

// Hardware the file does not name does not exist; entries that are named get their defaults, and
// numbers may be written as numbers or as text.
TEST(ScenarioTest, EntriesGetTheirDefaultsAndNumbersMayBeText) {
  const Scenario empty = Scenario::FromJson("{}", "empty.json");
  EXPECT_TRUE(empty.printer_ports.empty());
  EXPECT_FALSE(empty.smbus.present);
  const Scenario d = Scenario::FromJson(
      R"({"printer_ports": [{"boards": [{}]}, {}], "smbus": {"chips": [{}]}, "faults": [{}]})",
      "defaults.json");
  ASSERT_EQ(d.printer_ports.size(), 2U);
  EXPECT_EQ(d.printer_ports[0].base, 0x378);
  EXPECT_EQ(d.printer_ports[1].base, 0x278);
  EXPECT_EQ(d.printer_ports[0].boards[0].address, 0x5C);
  EXPECT_TRUE(d.smbus.present);
  EXPECT_EQ(d.smbus.base_address, 0x5000);
  EXPECT_EQ(d.smbus.chips[0].address, 0x2D);
  EXPECT_EQ(d.faults[0].times, std::nullopt) << "fails every matching transfer";

  const Scenario s = Scenario::FromJson(
      R"({"os_build": "2222", "latency_us": "0x10", "seed": 4294967295,
          "smbus": {"base_address": 20480, "chips": [{"address": 44}, {"address": "0X2e"}]},
          "chip": {"registers": {"64": 3, "0x16": "15"},
                   "inputs": {"v12": "11.5", "temp_internal": -5, "vid": "0x1F",
                              "chassis_intrusion": "true"},
                   "noise": "0.5"}})",
      "text.json");
  EXPECT_EQ(s.os_build, 2222);
  EXPECT_EQ(s.latency_us, 16);
  EXPECT_EQ(s.seed, 4294967295U);
  EXPECT_EQ(s.smbus.base_address, 0x5000);
  EXPECT_EQ(s.smbus.chips[0].address, 0x2C);
  EXPECT_EQ(s.smbus.chips[1].address, 0x2E);
  const ChipSetup& chip = s.smbus.chips[0].chip;
  EXPECT_EQ(chip.registers, (Registers{{0x40, 0x03}, {0x16, 0x0F}}));
  EXPECT_EQ(chip.inputs.v12, 11.5);
  EXPECT_EQ(chip.inputs.temp_internal, -5.0);
  EXPECT_EQ(chip.inputs.vid, 31);
  EXPECT_TRUE(chip.inputs.chassis_intrusion);
  EXPECT_EQ(chip.noise, 0.5);
}

TEST(ScenarioTest, ChipEntriesOverrideTheScenarioWideChip) {
  const Scenario s = Scenario::FromJson(
      R"({"chip": {"registers": {"0x40": 1, "0x19": 128}, "inputs": {"v12": 11, "vid": 3},
                   "noise": 2},
          "printer_ports": [{"boards": [
             {"address": "0x58", "registers": {"0x19": 7}, "inputs": {"vid": 5}},
             {"address": "0x5A"}]}]})",
      "override.json");
  const ChipSetup& own = s.printer_ports[0].boards[0].chip;
  EXPECT_EQ(own.registers, (Registers{{0x40, 1}, {0x19, 7}}));
  EXPECT_EQ(own.inputs.v12, 11.0) << "inputs merge key by key";
  EXPECT_EQ(own.inputs.vid, 5);
  EXPECT_EQ(own.noise, 2.0);
  EXPECT_EQ(s.printer_ports[0].boards[1].chip.registers, (Registers{{0x40, 1}, {0x19, 128}}));
}

// One row per kind of fault; each is one line: the source, then the path of the key at fault and
// what is wrong.
TEST(ScenarioTest, FaultsAreReportedOnOneLineNamingSourceAndKey) {
  const std::pair<const char*, const char*> rows[] = {
      {"{\n  \"os_build\": 1998,\n  \"seed\": ,\n}", "not valid JSON at line 3, column 11: "},
      {"[1]", "the top level must be a JSON object, not an array"},
      {R"({"os_bulid": 1998})", "unknown key os_bulid (known here: os_build, latency_us, seed, "},
      {R"({"printer_ports": [{"boards": [{"address": "0x5D"}]}]})",
       "printer_ports[0].boards[0].address: 0x5D is odd; a board address is the 8-bit form"},
      {R"({"chip": {"registers": {"0x100": 1}}})",
       "chip.registers: register 0x100 is outside 0x00..0xFF"},
      {R"({"chip": {"registers": {"START": 1}}})",
       "chip.registers: register \"START\" is not a register address"},
      {R"({"chip": {"registers": {"0x40": 1, "64": 3}}})",
       "chip.registers: register 0x40 is given twice (\"0x40\" and \"64\")"},
      {R"({"os_build": true})", "os_build: expected a number, got a boolean"},
      {R"({"os_build": "98x"})", "os_build: \"98x\" is not a whole number"},
      {R"({"latency_us": 1.5})", "latency_us: expected a whole number, got 1.5"},
      {R"({"printer_ports": {}})", "printer_ports: expected an array, got an object"},
      {R"({"chip": {"inputs": {"v12": "twelve"}}})", "chip.inputs.v12: \"twelve\" is not a number"},
      {R"({"chip": {"inputs": {"fan1_rpm": -10}}})",
       "chip.inputs.fan1_rpm: -10 must be a number of at least 0"},
      {R"({"chip": {"inputs": {"chassis_intrusion": 1}}})",
       "chip.inputs.chassis_intrusion: expected true or false, got 1"},
      {R"({"faults": [{"error": "BUSY"}]})",
       "faults[0].error: expected one of NACK, TIMEOUT, got \"BUSY\""},
      {R"({"printer_ports": [{"base": "0x378"}, {"base": 888}]})",
       "printer_ports[1].base: 0x378 is already the base of printer_ports[0]"},
      {R"({"printer_ports": [{"boards": [{"address": 92}, {"address": "0x5C"}]}]})",
       "printer_ports[0].boards[1].address: 0x5C is already taken by printer_ports[0].boards[0]"},
      {R"({"printer_ports": [{}, {}, {}, {}]})",
       "printer_ports[3]: a fourth or later printer port needs its \"base\""},
  };
  for (const auto& [json, fault] : rows) ExpectRefused(json, fault);
}

// A file is read, and its faults, or that it cannot be opened, are told with its path. (Every
// key of the format is in the guide's examples, which the built-in bench test loads.)
TEST(ScenarioTest, FilesAreReadAndNamedInTheirFaults) {
  const std::filesystem::path dir = ::testing::TempDir();
  const std::string good = (dir / "sim_good.json").string();
  const std::string bad = (dir / "sim_bad.json").string();
  const std::string missing = (dir / "no_such.json").string();
  std::ofstream(good) << R"({"faults": [{"register": "0x41", "skip": 5}]})";
  std::ofstream(bad) << R"({"printer_ports": [{"boards": [{"adress": 92}]}]})";
  EXPECT_EQ(Scenario::FromFile(good).faults.at(0).skip, 5);
  for (const auto& [path, says] :
       {std::pair{bad, bad + ": unknown key printer_ports[0].boards[0].adress (known here: "
                             "address, answers_under, registers, inputs, noise)"},
        std::pair{missing,
                  missing + ": cannot open the scenario file: No such file or directory"}}) {
    const std::string message =
        kelvran_test::MessageOf<ScenarioError>([&] { Scenario::FromFile(path); });
    EXPECT_EQ(message.rfind(says, 0), 0U) << message;
  }
  std::filesystem::remove(good);
  std::filesystem::remove(bad);
}

}  // namespace
}  // namespace buslink::sim
