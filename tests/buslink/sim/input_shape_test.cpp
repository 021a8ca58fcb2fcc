#include "buslink/sim/input_shape.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "buslink/sim/profile.h"
#include "buslink/sim/scenario.h"
#include "buslink/sim/scenario_faults.h"
#include "support/thrown.h"

namespace buslink::sim {
namespace {

// The +12V input of a chip whose scenario gives it `shape`.
InputShape Shape(const std::string& shape, const std::string& source = "shape.json") {
  const Scenario s = Scenario::FromJson(
      R"({"smbus": {"chips": [{}]}, "chip": {"inputs": {"v12": )" + shape + "}}}", source);
  return s.smbus.chips.at(0).chip.inputs.shapes[static_cast<std::size_t>(AnalogInput::V12)];
}

struct At {
  double seconds;
  double value;
};

void ExpectValues(const std::string& shape, const std::vector<At>& expected,
                  const std::string& source = "shape.json") {
  const InputShape s = Shape(shape, source);
  ASSERT_FALSE(s.empty()) << shape;
  for (const At& at : expected) {
    EXPECT_NEAR(s.Value(at.seconds, 0), at.value, 1e-9) << shape << " at " << at.seconds << " s";
  }
}

// Each shape, and sums of them, at chosen times on the simulated clock.
TEST(InputShapeTest, ShapesTakeTheirValuesAtChosenTimes) {
  const std::pair<const char*, std::vector<At>> rows[] = {
      {R"({"sine": {"mean": 12, "amplitude": 0.5, "period": "4s"}})",
       {{0, 12}, {1, 12.5}, {2, 12}, {3, 11.5}, {5, 12.5}, {401, 12.5}}},
      {R"({"sine": {"amplitude": 2, "period": 8, "phase": "2s"}})", {{0, -2}, {2, 0}, {4, 2}}},
      {R"({"ramp": {"from": 10, "to": 20, "over": "10s", "start": "5s"}})",
       {{0, 10}, {5, 10}, {10, 15}, {15, 20}, {100, 20}}},
      {R"({"ramp": {"from": 0, "to": 4, "over": "2s", "then": "repeat"}})",
       {{0.5, 1}, {2.5, 1}, {3, 2}, {201.5, 3}}},
      {R"({"ramp": {"from": 0, "to": 4, "over": "2s", "then": "bounce"}})",
       {{1, 2}, {2, 4}, {3, 2}, {4, 0}, {5, 2}}},
      {R"({"ramp": {"from": 30, "to": 90, "over": "1.5min"}})", {{45, 60}, {90, 90}}},
      {R"({"step": {"base": 1, "level": 3, "start": "1min"}})", {{59.9, 1}, {60, 3}, {1e6, 3}}},
      {R"({"pulse": {"level": 5, "start": "10s", "length": "2s", "every": "30s"}})",
       {{9.99, 0}, {10, 5}, {11.9, 5}, {12, 0}, {40, 5}, {41.5, 5}, {42.5, 0}}},
      {R"({"step": {"base": 7, "level": 9, "length": "250ms"}})", {{0, 9}, {0.2, 9}, {0.3, 7}}},
      // Parts add: a sine with a pulse on top of it.
      {R"({"sine": {"mean": 12, "amplitude": 1, "period": "4s"},
           "pulse": {"level": 0.5, "start": "1s", "length": "1s"}})",
       {{1, 13.5}, {2, 12}, {3, 11}}},
      // So do the numbers and shapes of a list.
      {R"([40, {"ramp": {"from": 0, "to": 10, "over": "10s"}}, -5,
           {"ramp": {"from": 0, "to": 1, "over": "1h"}}])",
       {{0, 35}, {3600, 46}, {7200, 46}}},
  };
  for (const auto& [shape, values] : rows) ExpectValues(shape, values);
}

// A profile is straight lines between its points; before its first time it holds the first value,
// after its last it holds or runs back (repeating folds time as a ramp's does).
TEST(InputShapeTest, CsvProfilesInterpolateAndHoldOrBounce) {
  const std::filesystem::path dir = ::testing::TempDir();
  std::ofstream(dir / "profile_test.csv") << "time,volts\n5,1\n15,2\n25,0\n";
  const std::string source = (dir / "scenario.json").string();  // the profile sits beside it
  ExpectValues(R"({"csv": "profile_test.csv"})",
               {{0, 1}, {5, 1}, {10, 1.5}, {20, 1}, {25, 0}, {1000, 0}}, source);
  ExpectValues(R"({"csv": {"file": "profile_test.csv", "then": "bounce"}})",
               {{30, 1}, {40, 1.5}, {45, 1}, {55, 2}}, source);
  ExpectValues(R"({"csv": ")" + (dir / "profile_test.csv").string() + R"("})", {{10, 1.5}},
               "elsewhere/scenario.json");
  std::filesystem::remove(dir / "profile_test.csv");
}

// Noise is roughly normal, bounded, drawn anew every 10 ms, and a function of the time and the
// stream alone: the same time gives the same sample, another input's stream another one.
TEST(InputShapeTest, NoiseHasItsSigmaStaysBoundedAndRepeatsAtTheSameTime) {
  const InputShape noise = Shape(R"({"noise": {"sigma": 2}})");
  double sum = 0.0;
  double squares = 0.0;
  double largest = 0.0;
  constexpr int kSamples = 20000;
  for (int i = 0; i < kSamples; ++i) {
    const double seconds = i * InputShape::kNoiseSlotSeconds + 0.005;
    const double x = noise.Value(seconds, 7);
    sum += x;
    squares += x * x;
    largest = std::max(largest, std::fabs(x));
    ASSERT_EQ(noise.Value(seconds, 7), x) << "the same time, the same sample";
    ASSERT_EQ(noise.Value(seconds + 0.004, 7), x) << "one sample for the whole 10 ms";
  }
  const double mean = sum / kSamples;
  EXPECT_NEAR(mean, 0.0, 0.05);
  EXPECT_NEAR(std::sqrt(squares / kSamples - mean * mean), 2.0, 0.05);
  EXPECT_LE(largest, 3.5 * 2);
  EXPECT_GT(largest, 2.5 * 2) << "the tails are there";

  int same = 0;
  for (int i = 0; i < 100; ++i) {
    const double seconds = i * 0.37;
    same += noise.Value(seconds, 7) == noise.Value(seconds, 8) ? 1 : 0;
    same += noise.Value(seconds, 7) == noise.Value(seconds + 0.015, 7) ? 1 : 0;
  }
  EXPECT_EQ(same, 0) << "other streams and other slots draw other samples";

  // Two noise parts of one input are independent: their sum spreads by sqrt(2) sigma.
  const InputShape twice = Shape(R"([{"noise": {"sigma": 1}}, {"noise": {"sigma": 1}}])");
  double twice_squares = 0.0;
  for (int i = 0; i < kSamples; ++i) {
    const double x = twice.Value(i * InputShape::kNoiseSlotSeconds, 7);
    twice_squares += x * x;
  }
  EXPECT_NEAR(std::sqrt(twice_squares / kSamples), std::sqrt(2.0), 0.05);
}

TEST(InputShapeTest, DurationsTakeTheirUnits) {
  const std::pair<const char*, std::optional<double>> rows[] = {
      {"30s", 30.0},         {"250ms", 0.25},        {"1.5min", 90.0},        {"2h", 7200.0},
      {"30", 30.0},          {"0.5", 0.5},           {"-2s", -2.0},           {"", std::nullopt},
      {"s", std::nullopt},   {"30 s", std::nullopt}, {"30sec", std::nullopt}, {"1m", std::nullopt},
      {"inf", std::nullopt}, {"nan", std::nullopt},  {"3S", std::nullopt},
  };
  for (const auto& [text, seconds] : rows) EXPECT_EQ(SecondsFromText(text), seconds) << text;
}

// Each wrong shape is one line naming the key at fault, like every other fault of a scenario.
TEST(InputShapeTest, BadShapesAreFaultsNamingTheirKey) {
  const std::pair<const char*, const char*> rows[] = {
      {R"({"sine": {"mean": 1, "period": "1s"}})", "missing key chip.inputs.v12.sine.amplitude"},
      {R"({"sine": {"amplitude": 1, "period": "0s"}})",
       "chip.inputs.v12.sine.period: \"0s\" must be longer than 0"},
      {R"({"sine": {"amplitude": 1, "period": "30 sec"}})",
       "chip.inputs.v12.sine.period: \"30 sec\" is not a duration (30s, 250ms, 1.5min, 2h or "
       "seconds)"},
      {R"({"sine": {"amplitude": 1, "period": 1, "phase": "-1s"}})",
       "chip.inputs.v12.sine.phase: \"-1s\" must not be negative"},
      {R"({"sin": {}})",
       "unknown key chip.inputs.v12.sin (known here: sine, ramp, step, pulse, "
       "noise, csv)"},
      {R"({"step": {"level": 1, "every": "10s"}})",
       "chip.inputs.v12.step.every: a step that repeats needs its \"length\""},
      {R"({"pulse": {"level": 1, "length": "2s", "every": "2s"}})",
       "chip.inputs.v12.pulse.every: \"2s\" must be longer than the length, \"2s\""},
      {R"({})",
       "chip.inputs.v12: an empty shape; give one or more of sine, ramp, step, pulse, "
       "noise, csv"},
      {R"([])", "chip.inputs.v12: an empty list; give numbers and shapes to add up"},
      {R"([1, {"noise": {"sigma": 1}}, true])",
       "chip.inputs.v12[2]: expected a number, got a "
       "boolean"},
      {R"(true)",
       "chip.inputs.v12: expected a number or a shape such as {\"sine\": {...}}, got "
       "a boolean"},
      {R"({"csv": "no_such_profile.csv"})",
       "chip.inputs.v12.csv: no_such_profile.csv: cannot open the profile: No such file or "
       "directory"},
      {R"({"csv": "/"})", "chip.inputs.v12.csv: /: not a regular file"},
  };
  for (const auto& [shape, fault] : rows) {
    ExpectRefused(R"({"chip": {"inputs": {"v12": )" + std::string(shape) + "}}}", fault);
  }
}

TEST(InputShapeTest, CsvProfilesAcceptCommonSpellingsAndNameTheLineAtFault) {
  using Points = InputShape::Points;
  const std::pair<const char*, Points> good[] = {
      {"0,1\n10,2\n", {{0, 1}, {10, 2}}},
      {"\xEF\xBB\xBFtime [s], +12V [V]\r\n0, 12.0\r\n1.5min ,12.5\r\n", {{0, 12}, {90, 12.5}}},
      {"# cooling run\n\n  # after the fan stopped\ntime,degrees\n250ms,40\n2s,-3.5",
       {{0.25, 40}, {2, -3.5}}},
      {"5,1", {{5, 1}}},
  };
  for (const auto& [text, points] : good) EXPECT_EQ(ProfileFromCsv(text, "p.csv"), points) << text;

  const std::pair<const char*, const char*> bad[] = {
      {"", "p.csv: no points (lines of time,value)"},
      {"0,1\n1;2\n",
       "p.csv line 2: expected two fields, time and value, separated by a comma; got "
       "\"1;2\""},
      {"time,value\nlater,3\n", "p.csv line 2: \"later\" is not a time"},
      {"0,1\n1,twelve\n", "p.csv line 2: \"twelve\" is not a number"},
      {"0,1\n-1,2\n", "p.csv line 2: the time -1 is before 0"},
      {"0,1\n10,2\n10s,3\n",
       "p.csv line 3: the time 10s does not come after the previous line's 10"},
      {"0,1\n5,nan\n", "p.csv line 2: \"nan\" is not a number"},
      {"0,1\n5,-2e9\n", "p.csv line 2: the value -2e9 is beyond 1e9"},
      {"2e9,1\n", "p.csv line 1: the time 2e9 is beyond 1e9 seconds"},
  };
  for (const auto& [text, fault] : bad) {
    const std::string message =
        kelvran_test::MessageOf<ProfileError>([&] { ProfileFromCsv(text, "p.csv"); });
    EXPECT_EQ(message.rfind(fault, 0), 0U) << text << " => " << message;
  }
}

}  // namespace
}  // namespace buslink::sim
