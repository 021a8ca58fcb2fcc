// Runs the built kelvran-eval and looks at its exit status and what it printed.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <algorithm>
#include <string>

namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

struct Outcome {
  int status = -1;
  bool finished = false;
  std::string out;
  std::string err;
};

Outcome RunProgram(const QStringList& args) {
  QProcess process;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  process.setProcessEnvironment(env);
  process.start(QStringLiteral(KELVRAN_EVAL_PATH), args);
  Outcome run;
  // A program that got as far as its windows would wait for the user: it must not get there.
  run.finished = process.waitForFinished(20000);
  if (!run.finished) {
    process.kill();
    process.waitForFinished();
    return run;
  }
  run.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
  run.out = process.readAllStandardOutput().toStdString();
  run.err = process.readAllStandardError().toStdString();
  return run;
}

std::size_t LineCount(const std::string& text) {
  return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

struct BadScenario {
  const char* name;
  const char* json;
  const char* fault;  // a piece of what the line must say
};

class BadScenarios : public ::testing::TestWithParam<BadScenario> {};

TEST_P(BadScenarios, StopTheProgramBeforeAnyWindowWithOneLineAndStatus2) {
  const BadScenario& c = GetParam();
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("scenario.json"));
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(c.json);
  file.close();
  const QString trace = dir.filePath(QStringLiteral("trace.log"));

  const Outcome run =
      RunProgram({QStringLiteral("--simulate=") + path, QStringLiteral("--bus-trace=") + trace});
  ASSERT_TRUE(run.finished) << "the program opened its windows";
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.out, "");
  EXPECT_THAT(run.err, StartsWith("kelvran-eval: " + path.toStdString() + ": "));
  EXPECT_THAT(run.err, HasSubstr(c.fault));
  EXPECT_EQ(LineCount(run.err), 1u) << run.err;
  EXPECT_FALSE(QFile::exists(trace)) << "the scenario is read before anything else happens";
}

INSTANTIATE_TEST_SUITE_P(
    Table, BadScenarios,
    ::testing::Values(
        BadScenario{"BadJson", "{ \"os_build\": 1998, ", "JSON"},
        BadScenario{"UnknownKey", R"({"printer_port": []})", "printer_port"},
        BadScenario{"AddressOutOfRange",
                    R"({"smbus": {"present": true, "chips": [{"address": "0x80"}]}})", "address"},
        BadScenario{"RegisterValueOutOfRange", R"({"chip": {"registers": {"0x40": 256}}})", "0x40"},
        BadScenario{"WrongType", R"({"latency_us": [1]})", "latency_us"}),
    [](const ::testing::TestParamInfo<BadScenario>& p) { return p.param.name; });

TEST(Program, MissingScenarioFileIsOneLineAndStatus2) {
  const Outcome run = RunProgram({QStringLiteral("--simulate=/nonexistent/boards.json")});
  ASSERT_TRUE(run.finished);
  EXPECT_EQ(run.status, 2);
  EXPECT_THAT(run.err, StartsWith("kelvran-eval: /nonexistent/boards.json: "));
  EXPECT_EQ(LineCount(run.err), 1u) << run.err;
}

TEST(Program, TraceFileThatCannotBeOpenedIsOneLineAndStatus2) {
  const Outcome run = RunProgram(
      {QStringLiteral("--simulate"), QStringLiteral("--bus-trace=/nonexistent/dir/trace.log")});
  ASSERT_TRUE(run.finished);
  EXPECT_EQ(run.status, 2);
  EXPECT_THAT(run.err, StartsWith("kelvran-eval: "));
  EXPECT_THAT(run.err, HasSubstr("/nonexistent/dir/trace.log"));
  EXPECT_EQ(LineCount(run.err), 1u) << run.err;
}

TEST(Program, UnknownOptionIsRefusedWithStatus2) {
  const Outcome run = RunProgram({QStringLiteral("--simulate"), QStringLiteral("--frobnicate")});
  ASSERT_TRUE(run.finished);
  EXPECT_EQ(run.status, 2);
  EXPECT_THAT(run.err, StartsWith("kelvran-eval: unknown option '--frobnicate'\n"));
  EXPECT_EQ(run.out, "");
}

TEST(Program, HelpAndVersionPrintAndEndWithStatus0) {
  const Outcome help = RunProgram({QStringLiteral("--help")});
  ASSERT_TRUE(help.finished);
  EXPECT_EQ(help.status, 0);
  EXPECT_THAT(help.out, StartsWith("Usage: kelvran-eval"));
  EXPECT_EQ(help.err, "");
  const Outcome version = RunProgram({QStringLiteral("--version")});
  ASSERT_TRUE(version.finished);
  EXPECT_EQ(version.status, 0);
  EXPECT_THAT(version.out, StartsWith("kelvran-eval "));
}

}  // namespace
