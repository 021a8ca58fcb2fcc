#include "app/command_line.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using app::Options;
using app::ParseCommandLine;
using ::testing::HasSubstr;

struct GoodLine {
  std::vector<std::string> args;
  Options::Action action;
  bool simulate;
  std::string scenario;
  std::string trace;
  bool a11y;
};

class GoodCommandLines : public ::testing::TestWithParam<GoodLine> {};

TEST_P(GoodCommandLines, SetTheOptions) {
  const GoodLine& c = GetParam();
  const app::ParseOutcome out = ParseCommandLine(c.args);
  ASSERT_TRUE(out.ok()) << out.error;
  EXPECT_EQ(out.options.action, c.action);
  EXPECT_EQ(out.options.simulate, c.simulate);
  EXPECT_EQ(out.options.scenario_file, c.scenario);
  EXPECT_EQ(out.options.bus_trace_file, c.trace);
  EXPECT_EQ(out.options.a11y_ids, c.a11y);
}

using A = Options::Action;
INSTANTIATE_TEST_SUITE_P(
    Table, GoodCommandLines,
    ::testing::Values(GoodLine{{}, A::Run, false, "", "", false},
                      GoodLine{{"--simulate"}, A::Run, true, "", "", false},
                      GoodLine{{"--simulate=boards.json"}, A::Run, true, "boards.json", "", false},
                      GoodLine{{"--simulate=a=b.json"}, A::Run, true, "a=b.json", "", false},
                      GoodLine{{"--simulate=x.json", "--simulate"}, A::Run, true, "", "", false},
                      GoodLine{{"--bus-trace=/tmp/t.log"}, A::Run, false, "", "/tmp/t.log", false},
                      GoodLine{
                          {"--bus-trace", "t.log", "--simulate"}, A::Run, true, "", "t.log", false},
                      GoodLine{{"--a11y-ids", "--simulate"}, A::Run, true, "", "", true},
                      GoodLine{{"--help"}, A::Help, false, "", "", false},
                      GoodLine{{"-h"}, A::Help, false, "", "", false},
                      GoodLine{{"--version"}, A::Version, false, "", "", false},
                      GoodLine{{"--version", "--help"}, A::Help, false, "", "", false}));

struct BadLine {
  std::vector<std::string> args;
  std::string says;
};

class BadCommandLines : public ::testing::TestWithParam<BadLine> {};

TEST_P(BadCommandLines, AreRefusedWithAnErrorNamingTheProblem) {
  const BadLine& c = GetParam();
  const app::ParseOutcome out = ParseCommandLine(c.args);
  EXPECT_FALSE(out.ok());
  EXPECT_THAT(out.error, HasSubstr(c.says));
  EXPECT_EQ(out.error.find('\n'), std::string::npos) << "one line";
}

INSTANTIATE_TEST_SUITE_P(
    Table, BadCommandLines,
    ::testing::Values(BadLine{{"--frobnicate"}, "unknown option '--frobnicate'"},
                      BadLine{{"--simulate", "-platform"}, "unknown option '-platform'"},
                      BadLine{{"--simulate="}, "--simulate= needs a scenario file name"},
                      BadLine{{"--bus-trace"}, "--bus-trace needs a file name"},
                      BadLine{{"--bus-trace="}, "--bus-trace= needs a file name"},
                      BadLine{{"--simulate", "boards.json"}, "unexpected argument 'boards.json'"},
                      BadLine{{"--Simulate"}, "unknown option '--Simulate'"}));

TEST(HelpText, ExplainsBackendsPermissionsAndTheHelpFile) {
  const std::string help = app::HelpText();
  for (const char* needed : {"--simulate[=FILE]", "--bus-trace=FILE", "--a11y-ids", "--version",
                             "/dev/i2c-", "/dev/parport", "docs/simulator.md",
                             "docs/linux-permissions.md", "i2c group", "KELVRAN.html"}) {
    EXPECT_THAT(help, HasSubstr(needed));
  }
}

TEST(VersionText, NamesTheProgramAndItsVersion) {
  EXPECT_THAT(app::VersionText(),
              ::testing::MatchesRegex("kelvran-eval [0-9]+\\.[0-9]+\\.[0-9]+\n"));
}

}  // namespace
