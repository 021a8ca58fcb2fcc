// Runs the built kelvran-eval and looks at its exit status and what it printed.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

struct Outcome {
  int status = -1;
  bool finished = false;
  std::string out;
  std::string err;
};

// The environment the program runs in: this one, on the offscreen platform unless `change`
// alters it.
Outcome RunProgram(const QStringList& args,
                   const std::function<void(QProcessEnvironment&)>& change = {}) {
  QProcess process;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  if (change) change(env);
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
  // A crash (an abort with its core dump) is no status at all.
  run.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
  run.out = process.readAllStandardOutput().toStdString();
  run.err = process.readAllStandardError().toStdString();
  return run;
}

// No display of any kind but the one variable set; a Wayland display is looked for in
// XDG_RUNTIME_DIR, which a root shell or a container may not have.
std::function<void(QProcessEnvironment&)> WithoutDisplay(const char* variable, const char* value,
                                                         const QString& runtime_dir) {
  return [=](QProcessEnvironment& env) {
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime_dir);
    for (const char* name :
         {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY", "WAYLAND_SOCKET", "XDG_SESSION_TYPE"}) {
      env.remove(QString::fromLatin1(name));
    }
    env.insert(QString::fromLatin1(variable), QString::fromLatin1(value));
  };
}

// A bad scenario, a missing scenario file, a trace file that cannot be made
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
      // One fault of a scenario: each kind's message is the scenario parser's table.
      {R"({"printer_port": []})", {}, "unknown key printer_port"},
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

// --help says how to run the program and where its help and permissions are; both end with
// status 0.
TEST(Program, HelpAndVersionPrintAndEndWithStatus0) {
  const Outcome help = RunProgram({QStringLiteral("--help")});
  ASSERT_TRUE(help.finished);
  EXPECT_EQ(help.status, 0);
  EXPECT_THAT(help.out, StartsWith("Usage: kelvran-eval"));
  for (const char* needed :
       {"--simulate[=FILE]", "--bus-trace=FILE", "--record=FILE[,INTERVAL]", "--a11y-ids",
        "--version", "/dev/i2c-", "/dev/parport", "/usr/share/doc/kelvran-eval/simulator.md",
        "/usr/share/doc/kelvran-eval/linux-permissions.md", "i2c group", "KELVRAN.html",
        "--simulate to use", "--bus=N|NAME", "hid-cp2112"}) {
    EXPECT_THAT(help.out, HasSubstr(needed));
  }
  EXPECT_EQ(help.err, "");
  const Outcome version = RunProgram({QStringLiteral("--version")});
  ASSERT_TRUE(version.finished);
  EXPECT_EQ(version.status, 0);
  EXPECT_THAT(version.out, ::testing::MatchesRegex("kelvran-eval [0-9]+\\.[0-9]+\\.[0-9]+\n"));
}

// Over ssh without X forwarding, in a container, on a server: the window has nowhere to go. The
// program says so, says how to get a display and which program needs none, and ends with status
// 2 before it makes any file; no abort, no core dump.
TEST(Program, WithoutADisplayItSaysWhatIsMissingAndEndsWithStatus2) {
  // Each way of having no display is display_check_test's table; here the program's own path:
  // nothing listens for display 4711 (its socket, or TCP port 10711).
  QTemporaryDir dir;
  const QString trace = dir.filePath(QStringLiteral("trace.log"));
  const Outcome run = RunProgram({"--simulate", "--bus-trace=" + trace},
                                 WithoutDisplay("DISPLAY", ":4711", dir.path()));
  ASSERT_TRUE(run.finished) << "the program waited for a window";
  EXPECT_EQ(run.status, 2) << run.err;
  EXPECT_EQ(run.out, "");
  EXPECT_THAT(run.err, StartsWith("kelvran-eval: no display to open the window on: the X display "
                                  ":4711 (DISPLAY) does not answer"));
  EXPECT_THAT(run.err, HasSubstr("ssh -X"));
  EXPECT_THAT(run.err, HasSubstr("kelvran does the same work in a terminal"));
  EXPECT_THAT(run.err, Not(HasSubstr("Reinstalling")));
  EXPECT_FALSE(QFile::exists(trace)) << "the program made its trace file all the same";
}

// A platform plugin that cannot start for a reason the look beforehand does not see: one line
// with its name and Qt's reason, status 2, no abort. (What Qt says for each way of failing:
// platform_start_test.)
TEST(Program, APlatformPluginThatCannotStartIsNamedWithQtsReason) {
  QTemporaryDir dir;
  const Outcome run =
      RunProgram({"--simulate"}, WithoutDisplay("QT_QPA_PLATFORM", "kelvran-nosuch", dir.path()));
  ASSERT_TRUE(run.finished) << "the program waited for a window";
  EXPECT_EQ(run.status, 2) << run.err;
  EXPECT_THAT(run.err, StartsWith("kelvran-eval: cannot open the window: Qt's platform plugin "
                                  "\"kelvran-nosuch\" is not installed (installed: "));
  EXPECT_THAT(run.err, HasSubstr("kelvran does the same work in a terminal"));
  EXPECT_THAT(run.err, Not(HasSubstr("Reinstalling")));
  EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 2) << run.err;
}

}  // namespace
