#include "buslink/sim/built_in_bench.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "buslink/sim/scenario.h"
#include "buslink/sim/simulated_hardware.h"
#include "support/file_text.h"

namespace buslink::sim {
namespace {

constexpr std::uint8_t kExt1Bit = 0x20;  // INT Status 1
constexpr double kPeriod = 120.0;        // External 1 peaks a minute in, then every two minutes

// Ten minutes of the built-in bench, read as a monitor would (both status registers every half
// second of simulated time): External 1 is the only alarm, it comes within 150 s, lasts a few
// seconds around each peak and passes again; FAN1 speeds up and slows down within the first
// minute. Both chips behave so.
TEST(BuiltInBenchTest, ExternalTemperatureAlarmComesEarlyAndPassesAndNothingElseTrips) {
  SimulatedHardware hardware(Scenario::BuiltIn());
  for (Chip* chip : {hardware.SMBusChip(0x2D), hardware.BoardChip(0, 0x5C)}) {
    ASSERT_NE(chip, nullptr);
    EXPECT_EQ(chip->Read(0x40), 0x03) << "START set, as EasySetup leaves it";
    std::vector<double> alarms;
    std::uint8_t other_status1 = 0;
    std::uint8_t status2 = 0;
    std::set<int> fan1_counts;
    int lowest_ext1 = 127;
    for (double t = 0.0; t <= 600.0; t += 0.5) {
      hardware.Clock().Set(t);
      const std::uint8_t status1 = chip->Read(0x41);
      status2 |= chip->Read(0x42);
      other_status1 |= static_cast<std::uint8_t>(status1 & ~kExt1Bit);
      if ((status1 & kExt1Bit) != 0) alarms.push_back(t);
      if (t < 60.0) fan1_counts.insert(chip->Read(0x28));
      lowest_ext1 =
          std::min(lowest_ext1, static_cast<int>(static_cast<std::int8_t>(chip->Read(0x26))));
    }
    EXPECT_EQ(other_status1, 0x00);
    EXPECT_EQ(status2, 0x00);
    ASSERT_FALSE(alarms.empty());
    EXPECT_LE(alarms.front(), 150.0);
    std::map<int, double> seconds_per_peak;
    for (double t : alarms) {
      const int peak = static_cast<int>(std::lround((t - 60.0) / kPeriod));
      EXPECT_NEAR(t, 60.0 + peak * kPeriod, 8.0) << "alarms only around the peaks";
      seconds_per_peak[peak] += 0.5;
    }
    EXPECT_EQ(seconds_per_peak.size(), 5U) << "every two minutes";
    for (const auto& [peak, seconds] : seconds_per_peak) {
      EXPECT_GE(seconds, 2.0) << "peak " << peak;
      EXPECT_LE(seconds, 12.0) << "peak " << peak;
    }
    EXPECT_LT(lowest_ext1, 40) << "and back down between the peaks";
    ASSERT_FALSE(fan1_counts.empty());
    EXPECT_GT(*fan1_counts.rbegin() - *fan1_counts.begin(), 30) << "FAN1 changes speed";
    EXPECT_LT(*fan1_counts.rbegin(), 0xA9) << "never below its limit";
  }
}

// The same seed gives the same readings at the same simulated times however often the chip was
// read in between; another seed, or the other chip, gives other noise.
TEST(BuiltInBenchTest, SameSeedSameReadingsAtTheSameTimes) {
  SimulatedHardware busy(Scenario::BuiltIn());
  SimulatedHardware idle(Scenario::BuiltIn());
  Scenario reseeded = Scenario::BuiltIn();
  reseeded.seed = 2;
  SimulatedHardware other(reseeded);
  int other_seed_differs = 0;
  int other_chip_differs = 0;
  for (double t = 2.0; t < 60.0; t += 1.25) {
    for (double u = t - 1.0; u < t; u += 0.1) {
      busy.Clock().Set(u);
      for (int reg = 0x20; reg <= 0x29; ++reg)
        busy.SMBusChip(0x2D)->Read(static_cast<std::uint8_t>(reg));
    }
    for (SimulatedHardware* h : {&busy, &idle, &other}) h->Clock().Set(t);
    for (int reg = 0x20; reg <= 0x29; ++reg) {
      const auto r = static_cast<std::uint8_t>(reg);
      const std::uint8_t reading = idle.SMBusChip(0x2D)->Read(r);
      EXPECT_EQ(busy.SMBusChip(0x2D)->Read(r), reading) << "register " << reg << " at " << t;
      other_seed_differs += other.SMBusChip(0x2D)->Read(r) != reading ? 1 : 0;
      other_chip_differs += idle.BoardChip(0, 0x5C)->Read(r) != reading ? 1 : 0;
    }
  }
  EXPECT_GT(other_seed_differs, 50);
  EXPECT_GT(other_chip_differs, 50);
}

// Fenced blocks of one language in a Markdown text.
std::vector<std::string> Blocks(const std::string& markdown, const std::string& language) {
  std::vector<std::string> blocks;
  const std::string open = "```" + language + "\n";
  for (std::size_t at = markdown.find(open); at != std::string::npos;
       at = markdown.find(open, at)) {
    at += open.size();
    const std::size_t end = markdown.find("```", at);
    blocks.push_back(markdown.substr(at, end - at));
    at = end;
  }
  return blocks;
}

// The guide shows the built-in bench as it is, and every scenario it shows loads (the profiles it
// shows are written beside them, each under the name its first line gives: "# NAME: what").
TEST(BuiltInBenchTest, TheGuideShowsTheBuiltInBenchAndEveryExampleLoads) {
  const std::string guide = kelvran_test::FileText(KELVRAN_SIMULATOR_GUIDE);
  ASSERT_FALSE(guide.empty());
  EXPECT_NE(guide.find(BuiltInBenchJson()), std::string::npos)
      << "docs/simulator.md shows another built-in bench than the program's";
  const std::filesystem::path dir = std::filesystem::path(::testing::TempDir()) / "guide";
  std::filesystem::create_directories(dir);
  for (const std::string& csv : Blocks(guide, "csv")) {
    ASSERT_EQ(csv.rfind("# ", 0), 0U) << "a profile's first line names its file:\n" << csv;
    std::ofstream(dir / csv.substr(2, csv.find_first_of(":\n") - 2)) << csv;
  }
  const std::vector<std::string> examples = Blocks(guide, "json");
  EXPECT_GE(examples.size(), 5U);
  for (const std::string& example : examples) {
    EXPECT_NO_THROW(Scenario::FromJson(example, (dir / "example.json").string())) << example;
  }
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace buslink::sim
