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

// A bad scenario (each kind of fault), a missing scenario file, a trace file that cannot be made
// and an unknown option all stop the program before any window: status 2, a line naming the file
// and the fault, and no trace started.
TEST(Program, BadInputStopsTheProgramWithOneLineAndStatus2) {
  struct Row {
    const char* scenario;  // written to a file and passed with --simulate and --bus-trace
    QStringList args;      // otherwise
    const char* says;
    int lines = 1;  // a refused option adds a hint to --help
  };
  const Row rows[] = {
      {"{ \"os_build\": 1998, ", {}, "not valid JSON"},
      {R"({"printer_port": []})", {}, "unknown key printer_port"},
      {R"({"smbus": {"chips": [{"address": "0x80"}]}})", {}, "smbus.chips[0].address: 0x80"},
      {R"({"chip": {"registers": {"0x40": 256}}})", {}, "chip.registers.0x40: 256 is outside"},
      {R"({"latency_us": [1]})", {}, "latency_us: expected"},
      {nullptr, {"--simulate=/nonexistent/boards.json"}, "/nonexistent/boards.json: cannot open"},
      {nullptr, {"--simulate", "--bus-trace=/nonexistent/dir/t.log"}, "/nonexistent/dir/t.log"},
      {nullptr, {"--simulate", "--frobnicate"}, "unknown option '--frobnicate'", 2},
  };
  QTemporaryDir dir;
  const QString scenario = dir.filePath(QStringLiteral("scenario.json"));
  const QString trace = dir.filePath(QStringLiteral("trace.log"));
  for (const Row& row : rows) {
    SCOPED_TRACE(row.says);
    QStringList args = row.args;
    std::string starts = "kelvran-eval: ";
    if (row.scenario != nullptr) {
      QFile file(scenario);
      ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
      file.write(row.scenario);
      file.close();
      args = QStringList{"--simulate=" + scenario, "--bus-trace=" + trace};
      starts += scenario.toStdString() + ": ";
    }
    const Outcome run = RunProgram(args);
    ASSERT_TRUE(run.finished) << "the program opened its windows";
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_THAT(run.err, StartsWith(starts));
    EXPECT_THAT(run.err, HasSubstr(row.says));
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), row.lines) << run.err;
    EXPECT_FALSE(QFile::exists(trace)) << "the scenario is read before anything else happens";
  }
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
