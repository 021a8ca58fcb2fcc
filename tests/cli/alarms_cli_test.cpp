#include <gmock/gmock.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "cli/kelvran_run.h"
#include "cli/run.h"
#include "support/rows_read.h"

namespace cli {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using Lines = std::vector<std::string>;

struct AlarmsRun {
  int status;
  Lines out, err;
};

// kelvran in-process on a scenario of one SMBus chip, pacing its samples by the real clock.
AlarmsRun WithChip(Lines args, const std::string& chip) {
  Terminal terminal;
  terminal.sleep_until = [](std::chrono::steady_clock::time_point t) {
    std::this_thread::sleep_until(t);
  };
  const harness::RunResult r = harness::RunKelvran(
      std::move(args), R"({"smbus": {"chips": [{"address": "0x2D"}]}, "chip": )" + chip + "}",
      terminal);
  return {r.status, harness::SplitLines(r.out), harness::SplitLines(r.err)};
}

// +12V limits 11.500 V to 12.625 V on a converting chip.
std::string Chip(const std::string& v12, const std::string& registers = "") {
  return R"({"noise": 0, "registers": {"0x40": "0x01", "0x33": "0xC9", "0x34": "0xB7")" +
         registers + R"(}, "inputs": {"v12": )" + v12 + "}}";
}

// The script's way to wait for trouble: the row with the alarm is written, the alarm named on
// stderr, and the status is 4; a chip within its limits runs to the end of its count.
TEST(KelvranAlarms, WatchUntilAlarmEndsAtTheFirstAlarmWithStatusFour) {
  const AlarmsRun alarm =
      WithChip({"watch", "--until-alarm", "--csv", "--interval=0", "--count=5"}, Chip("13.0"));
  EXPECT_EQ(alarm.status, 4);
  ASSERT_EQ(alarm.out.size(), 3u);  // the limits, the column names and the one row
  EXPECT_TRUE(alarm.out[2].ends_with(",+12V")) << alarm.out[2];  // the alarms column
  EXPECT_THAT(alarm.err, ElementsAre("kelvran: alarm: +12V above its limit: 13.000 V (limits "
                                     "11.500 to 12.625 V)"));

  const AlarmsRun calm =
      WithChip({"watch", "--until-alarm", "--csv", "--interval=0", "--count=3"}, Chip("12.0"));
  EXPECT_EQ(calm.status, 0);
  EXPECT_EQ(calm.out.size(), 5u);
  std::string csv;
  for (const std::string& line : calm.out) csv += line + "\n";
  EXPECT_EQ(test_support::RowsRead(csv), 3) << "the review reads it as a recording";
  EXPECT_THAT(calm.err, ::testing::IsEmpty());

  // A supply that steps over its limit a moment after the start: the rows before are calm, the
  // last one carries the alarm.
  const AlarmsRun crossing =
      WithChip({"watch", "--until-alarm", "--csv", "--interval=100ms", "--count=50"},
               Chip(R"({"step": {"base": 12.0, "level": 13.0, "start": "500ms"}})"));
  EXPECT_EQ(crossing.status, 4);
  ASSERT_GE(crossing.out.size(), 4u);
  EXPECT_LE(crossing.out.size(), 13u);
  EXPECT_TRUE(crossing.out[2].ends_with(",")) << crossing.out[2];
  EXPECT_TRUE(crossing.out.back().ends_with(",+12V")) << crossing.out.back();
  EXPECT_NE(crossing.out.back().find(",13.000,"), std::string::npos) << crossing.out.back();
  EXPECT_THAT(crossing.err, ElementsAre(HasSubstr("+12V above its limit: 13.000 V")));

  // Bits of no channel end it too, named as such.
  const AlarmsRun opened =
      WithChip({"watch", "--until-alarm", "--interval=0", "--count=3"},
               R"({"registers": {"0x40": "0x01"}, "inputs": {"chassis_intrusion": true}})");
  EXPECT_EQ(opened.status, 4);
  EXPECT_THAT(opened.err, ElementsAre("kelvran: alarm: Chassis intrusion"));
}

// What latched is printed once: the read that printed it cleared it on the chip.
TEST(KelvranAlarms, AlarmsPrintsWhatLatchedAndSaysReadingClearedIt) {
  const AlarmsRun r = WithChip({"alarms"}, Chip("11.0"));
  EXPECT_EQ(r.status, 0);
  EXPECT_THAT(r.out, ElementsAre("+12V below its limit: 11.000 V (limits 11.500 to 12.625 V)"));
  EXPECT_THAT(r.err, ElementsAre(HasSubstr("reading INT Status 1 and 2 has cleared them")));

  const AlarmsRun none = WithChip({"alarms"}, Chip("12.0"));
  EXPECT_EQ(none.status, 0);
  EXPECT_THAT(none.out, ::testing::IsEmpty());
  EXPECT_THAT(none.err, ElementsAre(HasSubstr("no alarm has latched")));

  // A stopped chip keeps what a scenario pinned in its status registers, and compares nothing.
  // The channels come first, then the bits of no channel.
  const AlarmsRun stopped =
      WithChip({"alarms"}, R"({"registers": {"0x41": "0x20", "0x42": "0x10"}})");
  EXPECT_EQ(stopped.status, 0);
  EXPECT_THAT(stopped.out, ElementsAre(HasSubstr("External 1 "), "Chassis intrusion"));
  EXPECT_THAT(stopped.err, ElementsAre(HasSubstr("the chip is not converting")));
}

}  // namespace
}  // namespace cli
