// The error report and the ways the program ends. Each case ends the event loop, so each runs in
// a death test: a fresh process whose exit status and error output are checked.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDeadlineTimer>
#include <QMainWindow>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <tuple>

#include <fcntl.h>
#include <unistd.h>

#include "app/kelvran_application.h"
#include "app/startup.h"
#include "boxes/message_boxes.h"
#include "buslink/bus_error.h"
#include "buslink/sim/simulated_hardware.h"
#include "display/main_form.h"
#include "menus/menu_features.h"
#include "userfiles/scripted_feature_dialogs.h"

namespace {

using ::testing::ExitedWithCode;

// A recording whose rows on disk the fatal report counts, when set.
std::string g_recording;
// The simulated computer of the run, for a driver that pulls out an adapter.
buslink::sim::SimulatedHardware* g_hardware = nullptr;

// The rows of a recording on disk: every line after the column names that is not a comment.
int RowsOnDisk(const std::string& path) {
  std::ifstream in(path);
  int lines = 0;
  for (std::string line; std::getline(in, line);) lines += !line.empty() && line[0] != '#';
  return lines > 0 ? lines - 1 : 0;
}

const std::string kLeakReport = testing::TempDir() + "fatal_report_leaks.txt";

// Says on the error output what each box showed, so the parent process can check it.
class StderrBoxes : public boxes::MessageBoxes {
 public:
  boxes::MsgAnswer Show(QWidget*, const QString& purpose, const QString& title, const QString& text,
                        boxes::MsgIcon icon, boxes::MsgButtons buttons) override {
    ++count;
    std::fprintf(stderr, "box %s%s [%s] %s\n", purpose.toUtf8().constData(),
                 icon == boxes::MsgIcon::Critical ? " critical" : "", title.toUtf8().constData(),
                 text.toUtf8().constData());
    int running = 0;
    for (QWidget* w : QApplication::allWidgets())
      for (QTimer* t : w->findChildren<QTimer*>()) running += t->isActive();
    std::fprintf(stderr, "timers running %d\n", running);
    if (!g_recording.empty()) std::fprintf(stderr, "rows on disk %d\n", RowsOnDisk(g_recording));
    return buttons == boxes::MsgButtons::YesNo ? boxes::MsgAnswer::No : boxes::MsgAnswer::Ok;
  }
  int count = 0;
};

app::KelvranApplication& Application() {
  return *static_cast<app::KelvranApplication*>(qApp);
}

// The open window with this objectName ("InitForm", "MainForm"), or nullptr.
QWidget* TopLevel(const char* name) {
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (w->objectName() == QLatin1String(name)) return w;
  }
  return nullptr;
}

// Runs the program's windows on simulated hardware; drive plays the user from the event loop.
// Prints how many boxes were shown and the status, then ends the process with that status.
[[noreturn]] void RunProgramDriven(const std::string& scenario_json,
                                   const std::function<void()>& drive,
                                   const std::string& record_file = {}, bool leak_check = false) {
  StderrBoxes boxes;
  Application().SetMessageBoxes(&boxes);
  buslink::sim::SimulatedHardware hardware(buslink::sim::Scenario::FromJson(scenario_json, "t"));
  g_hardware = &hardware;
  app::Options options;
  options.simulate = true;
  options.record_file = record_file;
  options.record_interval_ms = 10;
  QTimer::singleShot(0, drive);
  const int status = app::RunWizard(Application(), options, hardware, boxes);
  std::fprintf(stderr, "boxes=%d status=%d\n", boxes.count, status);
  std::fflush(stderr);
  if (leak_check) {
    // An ordinary end runs the sanitizer build's leak checker, whose report on the error output
    // goes to a file the test reads.
    const int report = ::open(kLeakReport.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ::dup2(report, STDERR_FILENO);
    std::exit(status);
  }
  std::_Exit(status);
}

// Plays the user from the wizard's start to Finish on the SMBus chip; `then` runs once the main
// window is up. Says on the error output whether the main window came.
void FinishOnTheSMBusChip(const std::function<void(QWidget&)>& then) {
  QWidget* wizard = TopLevel("InitForm");
  const auto press = [wizard](const char* button) {
    QTest::mouseClick(wizard->findChild<QPushButton*>(button), Qt::LeftButton);
  };
  press("NextCMD");
  wizard->findChild<QWidget*>("PPCheck")->setProperty("checked", false);
  wizard->findChild<QWidget*>("SMBusCheck")->setProperty("checked", true);
  press("NextCMD");
  press("FinishCMD");
  QTimer::singleShot(0, [then] {
    QWidget* main_form = TopLevel("MainForm");
    std::fprintf(stderr, "main window %s\n", main_form != nullptr ? "shown" : "missing");
    if (main_form == nullptr || !main_form->isVisible()) return QApplication::exit(3);
    then(*main_form);
  });
}

const char* const kSMBusChip = R"({"smbus": {"present": true, "chips": [{"address": "0x2D"}]}})";

int g_ticks = 0;

// A widget that keeps a timer of its own, as Qt's widgets do for blinking and scrolling.
class SelfTimed : public QWidget {
 public:
  SelfTimed() { startTimer(1); }

 protected:
  void timerEvent(QTimerEvent*) override { ++g_ticks; }
};

// The report as a user meets it: the box stays up while its event loop runs the application for
// a while. Says what it showed and how many timer ticks came while it was up.
class LingeringBoxes : public boxes::MessageBoxes {
 public:
  boxes::MsgAnswer Show(QWidget*, const QString& purpose, const QString& title, const QString& text,
                        boxes::MsgIcon icon, boxes::MsgButtons) override {
    ++count;
    const int before = g_ticks;
    const QDeadlineTimer up(150);
    while (!up.hasExpired()) QApplication::processEvents(QEventLoop::AllEvents, 5);
    std::fprintf(stderr, "box %s%s [%s] %s; ticks while it was up: %d\n",
                 purpose.toUtf8().constData(), icon == boxes::MsgIcon::Critical ? " critical" : "",
                 title.toUtf8().constData(), text.toUtf8().constData(), g_ticks - before);
    return boxes::MsgAnswer::Ok;
  }
  int count = 0;
};

// Once the report is decided, no timer of the program runs again: repeating timers wherever they
// hang, timers a widget started for itself, and single-shot calls still pending. A second failure
// while the report is up brings no second report.
TEST(FatalReportDeathTest, ErrorEscapingAHandlerShowsOneReportWhileNoTimerRuns) {
  EXPECT_EXIT(
      {
        LingeringBoxes boxes;
        Application().SetMessageBoxes(&boxes);
        QPushButton button(QStringLiteral("Read"));
        button.show();
        SelfTimed own_timer;  // a second window
        own_timer.show();
        QTimer loose;  // belongs to no window
        loose.setInterval(1);
        QObject::connect(&loose, &QTimer::timeout, [] { ++g_ticks; });
        loose.start();
        auto* on_app = new QTimer(&Application());  // hangs off the application
        QObject::connect(on_app, &QTimer::timeout, [] { ++g_ticks; });
        on_app->start(1);
        QObject::connect(&button, &QPushButton::clicked, [] {
          // Pending when the failure comes: one due soon, one due at once.
          QTimer::singleShot(20, [] { ++g_ticks; });
          QTimer::singleShot(0, qApp, [] { ++g_ticks; });
          throw buslink::BusError(buslink::ErrorCode::Nack, "no chip acknowledged SMB address 2D");
        });
        QTimer::singleShot(30, [&] {
          QTest::mouseClick(&button, Qt::LeftButton);
          QTest::mouseClick(&button, Qt::LeftButton);
        });
        const int status = QApplication::exec();
        std::fprintf(stderr, "boxes=%d status=%d fatal=%d\n", boxes.count, status,
                     Application().FatalStatus());
        std::fflush(stderr);
        std::_Exit(status);
      },
      ExitedWithCode(1),
      "box fatal_error critical \\[kelvran-eval\\] no chip acknowledged SMB address 2D; ticks "
      "while "
      "it was up: 0\n"
      ".*boxes=1 status=1 fatal=1");
}

// A bus failure on the Visual Display tab ends the program with one report and status 1: a read
// that fails on entering it (every read after the three search probes), or a USB bridge pulled
// out while the display cycle reads through it, reported as gone.
TEST(ProgramEndDeathTest, ABusFailureOnTheVisualDisplayTabEndsWithTheReportAndStatus1) {
  const struct {
    const char* scenario;
    bool unplug;
    const char* says;
    const char* boxes;  // with the start notice, once the display cycle runs
  } cases[] = {
      {R"({"smbus": {"present": true, "chips": [{"address": "0x2D"}]}, "faults": [
           {"medium": "SMB", "op": "R", "skip": 3, "error": "NACK"}]})",
       false, "[^\n]*scenario fault[^\n]*NACK[^\n]*", "1"},
      {R"({"smbus": {"present": false}, "i2c_adapters": [{"number": 7, "parent": "usb",
           "name": "CP2112 SMBus Bridge on hidraw0", "chips": [{"address": "0x2D"}]}]})",
       true, "/dev/i2c-7 is gone: the USB adapter was unplugged\\?", "2"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.says);
    EXPECT_EXIT(
        RunProgramDriven(c.scenario,
                         [&c] {
                           FinishOnTheSMBusChip([&c](QWidget& main) {
                             main.findChild<QTabWidget*>("Main_Form_Tab")->setCurrentIndex(2);
                             if (c.unplug) {
                               QTimer::singleShot(100, [] { g_hardware->UnplugAdapter(7); });
                             }
                             // No report within a few seconds: fail, do not hang.
                             QTimer::singleShot(5000, [] { QApplication::exit(4); });
                           });
                         }),
        ExitedWithCode(1),
        std::string("main window shown\n.*box fatal_error critical \\[kelvran-eval\\] ") + c.says +
            "\ntimers running 0\n.*boxes=" + c.boxes + " status=1");
  }
}

// The signals a desktop session or a terminal sends end the program as closing its window does,
// with a recording's rows on disk and its last row whole.
TEST(ProgramEndDeathTest, EachSignalEndsARecordingCleanlyWithStatus0) {
  const std::string recording = testing::TempDir() + "program_signals.csv";
  for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
    SCOPED_TRACE(signal);
    std::remove(recording.c_str());
    EXPECT_EXIT(RunProgramDriven(
                    kSMBusChip,
                    [signal] {
                      FinishOnTheSMBusChip([signal](QWidget&) {
                        // Rows pile up in memory for under a second, then the signal comes.
                        QTimer::singleShot(300, [signal] { std::raise(signal); });
                      });
                    },
                    recording),
                ExitedWithCode(0), "boxes=0 status=0");
    std::ifstream in(recording, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_GT(RowsOnDisk(recording), 0);
    EXPECT_TRUE(text.ends_with('\n')) << "the last row is cut";
  }
}

// A transfer that fails in a timer's tick (the display cycle's INT Status read, a while into a
// recording started by --record) or in a menu action (a snapshot's reads) stops at our handler's
// edge: one report, no timer left running to read the chip behind it (the recording's included),
// and, in the sanitizer build, nothing left behind by frames that were skipped. The recording's
// buffered rows are on disk when the report shows, not only once the program has ended (a user
// may kill it while the report is up).
TEST(ProgramEndDeathTest, AFailureInATimerOrAMenuActionStopsAtTheHandlersEdge) {
  static ScriptedFeatureDialogs dialogs;
  const std::function<void(QWidget&)> in_a_timer = [](QWidget& main) {
    buslink::sim::Fault fault;
    fault.op = 'R';
    fault.reg = 0x41;
    fault.skip = 300;
    g_hardware->AddFault(fault);
    main.findChild<QTabWidget*>("Main_Form_Tab")->setCurrentIndex(2);
  };
  const std::function<void(QWidget&)> in_a_menu_action = [](QWidget& main) {
    static_cast<display::MainForm&>(main).menu_features().SetDialogs(dialogs);
    dialogs.files = {QString::fromStdString(testing::TempDir() + "edge_snapshot.json")};
    buslink::sim::Fault fault;
    fault.op = 'R';
    fault.reg = 0x20;
    g_hardware->AddFault(fault);
    // Chosen with the mouse, so the error would unwind through the input event's own frames.
    auto* menu = main.findChild<QMenu*>("menu_file");
    menu->popup(main.mapToGlobal(QPoint(0, 0)));
    QTest::mouseClick(
        menu, Qt::LeftButton, {},
        menu->actionGeometry(main.findChild<QAction*>("action_save_snapshot")).center());
  };
  g_recording = testing::TempDir() + "fatal_report_rows.csv";
  for (const auto& [then, record, rows] :
       {std::tuple{in_a_timer, g_recording, "rows on disk [1-9][0-9]*\n"},
        std::tuple{in_a_menu_action, std::string(), ""}}) {
    std::remove(kLeakReport.c_str());
    std::remove(g_recording.c_str());
    EXPECT_EXIT(RunProgramDriven(
                    kSMBusChip, [then] { FinishOnTheSMBusChip(then); }, record, true),
                ExitedWithCode(1),
                std::string("box fatal_error critical [^\n]*NACK[^\n]*\ntimers running 0\n") +
                    rows + ".*boxes=[12] status=1");
    // Frames unwound without their destructors leave Qt's objects behind (event points, guarded
    // pointers, strings); the font library's own cache is no part of the fault path.
    std::ifstream in(kLeakReport);
    const std::string report((std::istreambuf_iterator<char>(in)),
                             std::istreambuf_iterator<char>());
    EXPECT_EQ(report.find("Qt6"), std::string::npos) << report;
  }
}

}  // namespace
