// A computer without /dev/i2c-* and /dev/parport*: the wizard on the Linux backend opens without
// an error, offers no SMBus and finds nothing on the printer port.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <functional>
#include <string>

#include "buslink/bus_trace.h"
#include "buslink/linux/linux_backend.h"
#include "support/qstring_printer.h"
#include "wizard_window.h"

namespace {

using ::testing::Each;
using ::testing::IsEmpty;
using ::testing::MatchesRegex;

const QRgb kDarkRed = qRgb(192, 0, 0);

void WriteFile(const QString& path, const QByteArray& content) {
  QDir().mkpath(QFileInfo(path).path());
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
  file.write(content);
}

struct Machine {
  const char* name;
  std::function<void(const QString& root)> build;  // what the kernel shows under the root
  std::size_t probes;                              // printer-port reads the search makes
};

void PrintTo(const Machine& m, std::ostream* os) {
  *os << m.name;
}

class WithoutNodes : public ::testing::TestWithParam<Machine> {};

TEST_P(WithoutNodes, WizardOffersNoSMBusAndSaysSorryWithoutAnError) {
  QTemporaryDir root;
  GetParam().build(root.path());
  buslink::BusTrace trace;
  trace.KeepLines(true);
  // The running kernel's calls: with no node under the root there is nothing they could open.
  buslink::linux_hw::LinuxBackend backend(&trace, root.path().toStdString());
  WizardWindow w(backend);
  EXPECT_TRUE(w.boxes.shown.empty()) << "the load failed";

  w.Click("NextCMD");
  EXPECT_EQ(w.Text("SMBusSearchDescLBL"),
            "Sorry, SMBus communication is only supported on Windows 95,98 and ME.");
  EXPECT_EQ(w.Colour("SMBusSearchDescLBL"), kDarkRed);
  EXPECT_FALSE(w.Enabled("SMBusCheck"));
  EXPECT_FALSE(w.Find<QCheckBox>("SMBusCheck")->isChecked());
  EXPECT_FALSE(w.Enabled("SMBusBaseAddressTXT"));
  EXPECT_EQ(w.Base(), "000");
  ASSERT_TRUE(w.Find<QCheckBox>("PPCheck")->isChecked());

  w.Click("NextCMD");
  EXPECT_EQ(w.form.wizard_state(), 4);
  EXPECT_THAT(w.Lines(), IsEmpty());
  EXPECT_EQ(w.Text("SearchResultsLBL"),
            "Sorry, no KELVRANs were found. Please check all connections and try again");
  EXPECT_EQ(w.Text("SearchInsLBL"), "Click Back to continue...");
  EXPECT_FALSE(w.Enabled("FinishCMD"));
  EXPECT_TRUE(w.Enabled("BackCMD"));
  EXPECT_TRUE(w.Enabled("CancelCMD"));
  EXPECT_TRUE(w.boxes.shown.empty());
  EXPECT_EQ(trace.Lines().size(), GetParam().probes);
  EXPECT_THAT(trace.Lines(), Each(MatchesRegex("PP (5C|58|5A) R 3E ERR [A-Z]+")));
}

INSTANTIATE_TEST_SUITE_P(
    Machines, WithoutNodes,
    ::testing::Values(
        Machine{"NothingAtAll", [](const QString&) {}, 0},
        // The kernel knows a printer port and has i2c-dev loaded, but ppdev is missing and no
        // adapter exists: the port is probed (three candidates under each wiring) and refuses.
        Machine{"PortWithoutPpdev",
                [](const QString& r) {
                  WriteFile(r + QStringLiteral("/proc/sys/dev/parport/parport0/base-addr"),
                            "888\t1912\n");
                  QDir().mkpath(r + QStringLiteral("/sys/class/i2c-dev"));
                  QDir().mkpath(r + QStringLiteral("/dev"));
                },
                6}),
    [](const ::testing::TestParamInfo<Machine>& p) { return p.param.name; });

// The built program itself, on this computer's own /dev and /sys.
TEST(RealProgram, OpensItsWindowsWithoutTheNodesAndStaysUntilEnded) {
  if (!QDir(QStringLiteral("/dev"))
           .entryList({QStringLiteral("i2c-*"), QStringLiteral("parport*")},
                      QDir::System | QDir::Files)
           .isEmpty()) {
    GTEST_SKIP() << "this computer has i2c-dev or ppdev nodes";
  }
  QTemporaryDir work;
  const QString trace_file = work.filePath(QStringLiteral("trace.log"));
  QProcess program;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  env.insert(QStringLiteral("XDG_RUNTIME_DIR"), work.path());
  program.setProcessEnvironment(env);
  program.start(QStringLiteral(KELVRAN_EVAL_PATH), {QStringLiteral("--bus-trace=") + trace_file});
  ASSERT_TRUE(program.waitForStarted(10000));
  // The wizard waits for the user; a program that ends by itself within this time failed.
  EXPECT_FALSE(program.waitForFinished(2500)) << "ended with status " << program.exitCode() << ": "
                                              << program.readAllStandardError().toStdString();
  program.kill();
  program.waitForFinished(5000);
  const QString errors = QString::fromLocal8Bit(program.readAllStandardError());
  EXPECT_FALSE(errors.contains(QStringLiteral("kelvran-eval:"))) << errors.toStdString();
  EXPECT_FALSE(errors.contains(QStringLiteral("ERROR")))
      << errors.toStdString();  // sanitizer reports
  QFile trace(trace_file);
  ASSERT_TRUE(trace.exists()) << "the trace file was not opened";
  EXPECT_EQ(trace.size(), 0) << "the wizard's load touched a bus";
}

}  // namespace
