#include <gmock/gmock.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "cli/run.h"

namespace cli {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using Lines = std::vector<std::string>;

Lines SplitLines(const std::string& text) {
  Lines lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

struct Result {
  int status;
  Lines out, err;
};

// kelvran in-process on a scenario of one SMBus chip, pacing its samples by the real clock.
Result Kelvran(Lines args, const std::string& chip) {
  const std::string scenario = ::testing::TempDir() + "kelvran_alarms_" +
                               ::testing::UnitTest::GetInstance()->current_test_info()->name() +
                               ".json";
  std::ofstream(scenario) << R"({"smbus": {"chips": [{"address": "0x2D"}]}, "chip": )" << chip
                          << "}";
  args.push_back("--simulate=" + scenario);
  Terminal terminal;
  terminal.sleep_until = [](std::chrono::steady_clock::time_point t) {
    std::this_thread::sleep_until(t);
  };
  std::ostringstream out, err;
  const int status = Run(args, out, err, terminal);
  return {status, SplitLines(out.str()), SplitLines(err.str())};
}

// The cell of a CSV line under the column named column (the names being the line that starts
// with "time,").
std::string Cell(const Lines& csv, std::size_t row, const std::string& column) {
  const auto split = [](const std::string& line) {
    Lines cells;
    std::istringstream in(line);
    for (std::string cell; std::getline(in, cell, ',');) cells.push_back(cell);
    return cells;
  };
  const auto header = std::find_if(csv.begin(), csv.end(),
                                   [](const std::string& l) { return l.starts_with("time,"); });
  if (header == csv.end()) return "<no column names>";
  const Lines names = split(*header);
  const Lines cells = split(csv.at(row));
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (names[i] == column) return i < cells.size() ? cells[i] : "";  // getline drops a last ""
  }
  return "<no " + column + ">";
}

// +12V limits 11.500 V to 12.625 V on a converting chip.
std::string Chip(const std::string& v12, const std::string& registers = "") {
  return R"({"noise": 0, "registers": {"0x40": "0x01", "0x33": "0xC9", "0x34": "0xB7")" +
         registers + R"(}, "inputs": {"v12": )" + v12 + "}}";
}

// The script's way to wait for trouble: the row with the alarm is written, the alarm named on
// stderr, and the status is 4; a chip within its limits runs to the end of its count.
TEST(KelvranAlarms, WatchUntilAlarmEndsAtTheFirstAlarmWithStatusFour) {
  const Result alarm =
      Kelvran({"watch", "--until-alarm", "--csv", "--interval=0", "--count=5"}, Chip("13.0"));
  EXPECT_EQ(alarm.status, 4);
  ASSERT_EQ(alarm.out.size(), 3u);  // the limits, the column names and the one row
  EXPECT_EQ(Cell(alarm.out, 2, "alarms"), "+12V");
  EXPECT_THAT(alarm.err, ElementsAre("kelvran: alarm: +12V above its limit: 13.000 V (limits "
                                     "11.500 to 12.625 V)"));

  const Result calm =
      Kelvran({"watch", "--until-alarm", "--csv", "--interval=0", "--count=3"}, Chip("12.0"));
  EXPECT_EQ(calm.status, 0);
  EXPECT_EQ(calm.out.size(), 5u);
  EXPECT_THAT(calm.err, ::testing::IsEmpty());

  // A supply that steps over its limit a moment after the start: the rows before are calm, the
  // last one carries the alarm.
  const Result crossing =
      Kelvran({"watch", "--until-alarm", "--csv", "--interval=100ms", "--count=50"},
              Chip(R"({"step": {"base": 12.0, "level": 13.0, "start": "500ms"}})"));
  EXPECT_EQ(crossing.status, 4);
  ASSERT_GE(crossing.out.size(), 4u);
  EXPECT_LE(crossing.out.size(), 13u);
  EXPECT_EQ(Cell(crossing.out, 2, "alarms"), "");
  EXPECT_EQ(Cell(crossing.out, crossing.out.size() - 1, "alarms"), "+12V");
  EXPECT_EQ(Cell(crossing.out, crossing.out.size() - 1, "+12V [V]"), "13.000");
  EXPECT_THAT(crossing.err, ElementsAre(HasSubstr("+12V above its limit: 13.000 V")));

  // Bits of no channel end it too, named as such.
  const Result opened =
      Kelvran({"watch", "--until-alarm", "--interval=0", "--count=3"},
              R"({"registers": {"0x40": "0x01"}, "inputs": {"chassis_intrusion": true}})");
  EXPECT_EQ(opened.status, 4);
  EXPECT_THAT(opened.err, ElementsAre("kelvran: alarm: Chassis intrusion"));
}

// What latched is printed once: the read that printed it cleared it on the chip.
TEST(KelvranAlarms, AlarmsPrintsWhatLatchedAndSaysReadingClearedIt) {
  const Result r = Kelvran({"alarms"}, Chip("11.0"));
  EXPECT_EQ(r.status, 0);
  EXPECT_THAT(r.out, ElementsAre("+12V below its limit: 11.000 V (limits 11.500 to 12.625 V)"));
  EXPECT_THAT(r.err, ElementsAre(HasSubstr("reading INT Status 1 and 2 has cleared them")));

  const Result none = Kelvran({"alarms"}, Chip("12.0"));
  EXPECT_EQ(none.status, 0);
  EXPECT_THAT(none.out, ::testing::IsEmpty());
  EXPECT_THAT(none.err, ElementsAre(HasSubstr("no alarm has latched")));

  // A stopped chip keeps what a scenario pinned in its status registers, and compares nothing.
  const Result stopped = Kelvran({"alarms"}, R"({"registers": {"0x41": "0x20"}})");
  EXPECT_EQ(stopped.status, 0);
  EXPECT_THAT(stopped.out, ElementsAre(HasSubstr("External 1 ")));
  EXPECT_THAT(stopped.err, ElementsAre(HasSubstr("the chip is not converting")));
}

TEST(KelvranAlarms, TheCommandLineKnowsTheAlarmOptions) {
  std::ostringstream out, err;
  EXPECT_EQ(cli::Run({"alarms", "--until-alarm"}, out, err, Terminal{}), 2);
  EXPECT_THAT(err.str(), HasSubstr("--until-alarm belongs to the watch command"));
  EXPECT_EQ(cli::Run({"alarms", "extra"}, out, err, Terminal{}), 2);
  std::ostringstream help;
  EXPECT_EQ(cli::Run({"watch", "--help"}, help, err, Terminal{}), 0);
  EXPECT_THAT(help.str(), HasSubstr("4 an alarm (watch --until-alarm)"));
  EXPECT_THAT(help.str(), HasSubstr("--until-alarm"));
}

}  // namespace
}  // namespace cli
