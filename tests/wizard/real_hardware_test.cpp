// The wizard on the Linux backend: a typed SMBus base address picks the i2c-dev adapter, a bridge
// plugged in later is offered, and a computer without /dev/i2c-* and /dev/parport* opens the
// wizard without an error, offers no SMBus and says why it finds nothing (the built program too,
// started as a user starts it).
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "access/link_new_com_port.h"
#include "buslink/linux/fake_kernel.h"
#include "buslink/linux/linux_backend.h"
#include "buslink/linux/temp_tree.h"
#include "buslink/sim/scenario.h"
#include "buslink/sim/simulated_hardware.h"
#include "wizard/first_run_note.h"
#include "wizard_window.h"

namespace {

using buslink::linux_hw::testing::TempTree;
using ::testing::AllOf;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

// The chip at 2Dh answers only behind chip_node; the node of every read is kept.
struct TwoAdapters : buslink::linux_hw::testing::FakeKernel {
  int SmbusReadByteData(int fd, std::uint8_t reg) override {
    read_nodes.push_back(open_fds[fd]);
    return open_fds[fd] == chip_node ? FakeKernel::SmbusReadByteData(fd, reg) : -ENXIO;
  }
  std::string chip_node;
  std::vector<std::string> read_nodes;
};

// A typed SMBus base picks the adapter searched and the one the chip is handed over on; an
// adapter that may not be opened (i2c-2) is passed over and the search goes on to the next.
TEST(LinuxBackend, TypedBaseSearchesThatAdapterAndTheChipIsHandedOverOnIt) {
  TempTree tree;
  for (const char* node : {"/dev/i2c-1", "/dev/i2c-2", "/dev/i2c-3"}) tree.File(node);
  tree.File("/sys/class/i2c-dev/i2c-1/name", "SMBus I801 adapter at efa0\n");
  tree.File("/sys/class/i2c-dev/i2c-2/name", "CP2112 SMBus Bridge on hidraw0\n");
  tree.File("/sys/class/i2c-dev/i2c-3/name", "SMBus PIIX4 adapter port 0 at 0b00\n");
  const std::string first = tree.root() + "/dev/i2c-1";
  const std::string second = tree.root() + "/dev/i2c-3";
  auto kernel = std::make_shared<TwoAdapters>();
  kernel->open_errors[tree.root() + "/dev/i2c-2"] = EACCES;
  kernel->chip_node = second;
  kernel->smbus_chips[0x2D][0x3E] = 0x41;
  buslink::linux_hw::LinuxBackend backend(
      nullptr, buslink::linux_hw::LinuxOptions{tree.root(), kernel, {}, nullptr});
  WizardWindow w(backend);
  w.ToMedia(false, true);
  ASSERT_EQ(w.Base(), "EFA0") << "the adapter the backend picks by name";

  // As shown: every adapter, one after the other, the chip's line naming its adapter; one that
  // is not there, no error to report either; emptied: every adapter again; then the one at B00h
  // alone, whose line is the plain one.
  const QString named = SMBusLine(QStringLiteral("2D"),
                                  QStringLiteral("/dev/i2c-3, SMBus PIIX4 adapter port 0 at 0b00"));
  const std::vector<std::string> both = {first, first, first, second, second, second};
  const struct {
    const char* typed;
    std::vector<std::string> nodes;
    QStringList lines;
  } searches[] = {{nullptr, both, {named}},
                  {"2a0", {}, {}},
                  {"", both, {named}},
                  {"b00", {second, second, second}, {kSMBus2DLine}}};
  for (const auto& [typed, nodes, lines] : searches) {
    SCOPED_TRACE(typed != nullptr ? typed : "as shown");
    if (typed != nullptr) {
      w.Click("BackCMD");
      w.TypeBase(QString::fromLatin1(typed));
    }
    kernel->read_nodes.clear();
    w.Click("NextCMD");
    EXPECT_EQ(kernel->read_nodes, nodes);
    EXPECT_EQ(w.Lines(), lines);
    EXPECT_TRUE(w.boxes.shown.empty());
  }
  // Addresses a kernel driver holds count as no chip, and the reasons say so.
  kernel->transfer_error = EBUSY;
  w.Click("BackCMD");
  w.Click("NextCMD");
  EXPECT_EQ(w.Text("SearchResultsLBL"), kNoneFound);
  EXPECT_THAT(w.Text("SearchReasonsLBL").toStdString(),
              AllOf(HasSubstr("SMBus: address 0x2E on "), HasSubstr("in use by a kernel driver")));
  kernel->transfer_error = 0;
  w.Click("BackCMD");
  w.Click("NextCMD");
  w.Click("FinishCMD");
  EXPECT_EQ(w.d.device_address, 0x2D);
  kernel->read_nodes.clear();
  EXPECT_EQ(devaccess::ReadAt(w.d, 0x3E), 0x41);
  EXPECT_THAT(kernel->read_nodes, ElementsAre(second)) << "handed over on the typed adapter";
}

// A newcomer's first start on a computer with no printer port and no SMBus adapter: the first
// pages say why and offer the simulated hardware, which starts the program anew and ends this one;
// the disabled SMBus box's tool tip says why it is off, and the results and stderr say why nothing
// was found. With either bus there, or on simulated hardware, nothing of it shows.
TEST(LinuxBackend, WithNeitherBusTheFirstPagesOfferTheSimulatedHardware) {
  TempTree tree;
  auto kernel = std::make_shared<buslink::linux_hw::testing::FakeKernel>();
  kernel->smbus_chips[0x2D][0x3E] = 0x41;
  buslink::linux_hw::LinuxBackend backend(
      nullptr, buslink::linux_hw::LinuxOptions{tree.root(), kernel, {}, nullptr});
  const std::vector<std::string> why = {
      "Printer port: this computer has no printer port the kernel knows",
      "SMBus: no SMBus adapter is available because the i2c-dev module is not loaded",
      "kelvran-eval --simulate"};
  for (const bool starts : {false, true}) {
    SCOPED_TRACE(starts ? "the simulated program starts" : "it cannot be started");
    std::ostringstream errors;
    std::streambuf* const was = std::cerr.rdbuf(errors.rdbuf());
    WizardWindow w(backend);
    for (const std::string& line : why)
      EXPECT_THAT(w.Text("FirstRunLBL").toStdString(), HasSubstr(line));
    EXPECT_TRUE(w.Find("FirstRunNote")->isVisible());
    w.Click("NextCMD");
    EXPECT_TRUE(w.Find("FirstRunNote")->isVisible()) << "the medium page";
    EXPECT_THAT(w.Find("SMBusCheck")->toolTip().toStdString(), HasSubstr("modprobe i2c-dev"));
    w.Click("NextCMD");
    EXPECT_EQ(w.Shows(), "SearchResultsPanel CB--");
    EXPECT_FALSE(w.Find("FirstRunNote")->isVisible()) << "the results say it themselves";
    EXPECT_TRUE(w.Find("SearchReasonsLBL")->isVisible());
    for (const std::string& line : why)
      EXPECT_THAT(w.Text("SearchReasonsLBL").toStdString(), HasSubstr(line));
    EXPECT_THAT(errors.str(), HasSubstr("kelvran-eval: " + why.front()));
    std::cerr.rdbuf(was);
    w.Click("BackCMD");
    EXPECT_TRUE(w.Find("FirstRunNote")->isVisible());
    EXPECT_FALSE(w.Find("SearchReasonsLBL")->isVisible());

    int launched = 0;
    w.Find<wizard::FirstRunNote>("FirstRunNote")->SetLauncher([&launched, starts] {
      ++launched;
      return starts;
    });
    w.Click("FirstRunSimulateCMD");
    EXPECT_EQ(launched, 1);
    EXPECT_EQ(w.form.isVisible(), !starts) << "the wizard ends once the new program is on its way";
    EXPECT_EQ(w.Text("FirstRunLBL").contains(QStringLiteral("could not be started")), !starts);
    EXPECT_TRUE(w.boxes.shown.empty());
  }

  // A printer port is enough to search on. A USB bridge plugged in while the wizard shows is
  // offered when the medium page comes up again, and the search finds the chip behind it.
  tree.File("/proc/sys/dev/parport/parport0/base-addr", "888\t1912\n");
  tree.File("/dev/parport0");
  {
    WizardWindow w(backend);
    EXPECT_EQ(w.form.findChild<wizard::FirstRunNote*>(), nullptr);
    w.Click("NextCMD");
    EXPECT_EQ(w.Text("SMBusSearchDescLBL"), kNoSMBus);
    EXPECT_FALSE(w.Enabled("SMBusCheck"));
    w.Click("BackCMD");
    tree.File("/dev/i2c-7");
    tree.File("/sys/class/i2c-dev/i2c-7/name", "CP2112 SMBus Bridge on hidraw0\n");
    w.Click("NextCMD");
    EXPECT_EQ(w.Text("SMBusSearchDescLBL"),
              "The Southbridge or ICH of Intel chipsets. For unsupported Intel chipsets, enter "
              "SMBBA here (Hex).");
    EXPECT_EQ(w.Colour("SMBusSearchDescLBL"), kDarkGreen);
    EXPECT_TRUE(w.Enabled("SMBusCheck") && w.Enabled("SMBusBaseAddressTXT"));
    EXPECT_TRUE(w.Find("SMBusCheck")->toolTip().isEmpty());
    EXPECT_EQ(w.Base(), "0");
    w.ClickCheck("PPCheck");
    w.ClickCheck("SMBusCheck");
    w.Click("NextCMD");
    EXPECT_EQ(w.Lines(), QStringList{kSMBus2DLine});
  }
  buslink::sim::SimulatedHardware simulated(buslink::sim::Scenario::BuiltIn(), nullptr);
  WizardWindow w(simulated);
  EXPECT_EQ(w.form.findChild<wizard::FirstRunNote*>(), nullptr);
}

// The built program itself, on this computer's own /dev and /sys.
TEST(LinuxBackend, ProgramOpensWithoutTheNodesAndWaitsForTheUser) {
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
  EXPECT_FALSE(program.waitForFinished(2500)) << "ended with status " << program.exitCode();
  program.kill();
  program.waitForFinished(5000);
  const QString errors = QString::fromLocal8Bit(program.readAllStandardError());
  EXPECT_FALSE(errors.contains(QStringLiteral("kelvran-eval:")) ||
               errors.contains(QStringLiteral("ERROR")))  // sanitizer reports too
      << errors.toStdString();
  QFile trace(trace_file);
  ASSERT_TRUE(trace.exists()) << "the trace file was not opened";
  EXPECT_EQ(trace.size(), 0) << "the wizard's load touched a bus";
}

}  // namespace
