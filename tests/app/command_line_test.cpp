#include "app/command_line.h"

#include <cmath>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/arguments.h"

namespace {

using app::ParseCommandLine;
using ::testing::HasSubstr;
using A = app::Options::Action;

TEST(CommandLine, GoodLinesSetTheOptions) {
  struct Row {
    std::vector<std::string> args;
    A action;
    bool simulate;
    std::string scenario;
    std::string trace;
    bool a11y;
    std::string record = "";
    int interval_ms = 1000;
    std::string bus = "";
  };
  const Row rows[] = {
      {{}, A::Run, false, "", "", false},
      {{"--simulate=boards.json"}, A::Run, true, "boards.json", "", false},
      {{"--simulate=a=b.json"}, A::Run, true, "a=b.json", "", false},
      {{"--simulate=x.json", "--simulate"}, A::Run, true, "", "", false},
      {{"--bus-trace=/tmp/t.log"}, A::Run, false, "", "/tmp/t.log", false},
      {{"--bus-trace", "t.log", "--simulate"}, A::Run, true, "", "t.log", false},
      {{"--a11y-ids", "--simulate"}, A::Run, true, "", "", true},
      {{"-h"}, A::Help, false, "", "", false},
      {{"--version"}, A::Version, false, "", "", false},
      {{"--help", "--version"}, A::Help, false, "", "", false},
      {{"--record=soak.csv"}, A::Run, false, "", "", false, "soak.csv"},
      {{"--record=a,b.csv,10ms"}, A::Run, false, "", "", false, "a,b.csv", 10},
      // An adapter by number or by name.
      {{"--bus=7"}, A::Run, false, "", "", false, "", 1000, "7"},
      {{"--bus", "CP2112", "--simulate"}, A::Run, true, "", "", false, "", 1000, "CP2112"},
      {{"--bus=SMBus stub"}, A::Run, false, "", "", false, "", 1000, "SMBus stub"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(::testing::PrintToString(row.args));
    const app::ParseOutcome out = ParseCommandLine(row.args);
    ASSERT_TRUE(out.ok()) << out.error;
    EXPECT_EQ(out.options.action, row.action);
    EXPECT_EQ(out.options.simulate, row.simulate);
    EXPECT_EQ(out.options.scenario_file, row.scenario);
    EXPECT_EQ(out.options.bus_trace_file, row.trace);
    EXPECT_EQ(out.options.a11y_ids, row.a11y);
    EXPECT_EQ(out.options.record_file, row.record);
    EXPECT_EQ(out.options.record_interval_ms, row.interval_ms);
    EXPECT_EQ(out.options.bus, row.bus);
  }
}

TEST(CommandLine, BadLinesAreRefusedWithOneLineNamingTheProblem) {
  const std::pair<std::vector<std::string>, std::string> rows[] = {
      {{"--frobnicate"}, "unknown option '--frobnicate'"},
      {{"--simulate", "-platform"}, "unknown option '-platform'"},
      {{"--simulate="}, "--simulate= needs a scenario file name"},
      {{"--bus-trace"}, "--bus-trace needs a file name"},
      {{"--bus-trace="}, "--bus-trace= needs a file name"},
      {{"--simulate", "boards.json"}, "unexpected argument 'boards.json'"},
      {{"--compare=b.csv"}, "--compare goes with --view"},
      {{"--record"}, "--record"},
      {{"--record="}, "--record"},
      {{"--record=,1s"}, "--record"},
      {{"--record=x.csv,0ms"}, "--record"},
      {{"--record=x.csv,61min"}, "--record"},
      {{"--bus"}, "--bus"},
      {{"--bus="}, "--bus"},
      {{"--bus=" + std::string(65, 'x')}, "--bus"},
  };
  for (const auto& [args, says] : rows) {
    const app::ParseOutcome out = ParseCommandLine(args);
    EXPECT_FALSE(out.ok()) << says;
    EXPECT_THAT(out.error, HasSubstr(says));
    EXPECT_EQ(out.error.find('\n'), std::string::npos) << "one line";
  }
}

// A duration is read alike by the window's --record and by kelvran's --interval: the same text
// gives the same time in both, or is refused by both.
TEST(CommandLine, BothProgramsReadADurationAlike) {
  const struct {
    const char* text;
    long long ms;  // -1: refused
  } cases[] = {{"250ms", 250},  {"1.5s", 1500},   {"30", 30000},
               {"0.5", 500},    {"2min", 120000}, {"2m", 120000},
               {"1h", 3600000}, {"", -1},         {"fast", -1},
               {"-1", -1},      {"+1s", -1},      {"1e3", -1},
               {"1.2.3", -1},   {"ms", -1},       {"inf", -1},
               {"0.4ms", -1},   {"367d", -1},     {"99999999999999999999h", -1}};
  for (const auto& c : cases) {
    const cli::ParsedArguments terminal =
        cli::ParseArguments({"watch", std::string("--interval=") + c.text});
    const app::ParseOutcome window = ParseCommandLine({std::string("--record=x.csv,") + c.text});
    EXPECT_EQ(terminal.ok(), c.ms >= 0) << c.text << ": " << terminal.error;
    EXPECT_EQ(window.ok(), c.ms >= 0) << c.text << ": " << window.error;
    if (c.ms < 0) continue;
    EXPECT_EQ(std::llround(terminal.args.interval_seconds * 1000), c.ms) << c.text;
    EXPECT_EQ(window.options.record_interval_ms, c.ms) << c.text;
  }
}

}  // namespace
