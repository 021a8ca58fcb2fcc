// What the main window costs the machine while it monitors: the real window, shown on the
// offscreen platform, on the built-in simulated chip, with its 1 ms timers running in the event
// loop. Each run prints the process's CPU time (user + system) per wall second, as a percentage
// of one core, and the ticks per second of the tab's timer. KELVRAN_BENCH_SECONDS shortens a run
// (default 10 s).
//
// The window runs for a second before the measured run: what it costs once, such as the chart
// taking the memory of its traces' histories at their first points, is not a cost of monitoring.
// KELVRAN_BENCH_WARMUP_SECONDS=0 measures from the first tick instead.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <cstdlib>

#include "access/declarations.h"
#include "boxes/message_boxes.h"
#include "buslink/sim/simulated_hardware.h"
#include "display/main_form.h"

namespace {

enum Tab { kReadWrite = 1, kVisualDisplay = 2 };

// Answers the start notice with Yes, so entering the Visual Display tab runs EasySetup.
class YesBoxes : public boxes::MessageBoxes {
 public:
  boxes::MsgAnswer Show(QWidget*, const QString&, const QString&, const QString&, boxes::MsgIcon,
                        boxes::MsgButtons buttons) override {
    return buttons == boxes::MsgButtons::YesNo ? boxes::MsgAnswer::Yes : boxes::MsgAnswer::Ok;
  }
};

// User and system CPU seconds of the process so far.
struct CpuTimes {
  double user = 0.0;
  double system = 0.0;
};

CpuTimes CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  auto seconds = [](const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
  };
  return {seconds(usage.ru_utime), seconds(usage.ru_stime)};
}

int Milliseconds(const char* variable, double fallback_seconds) {
  const char* text = std::getenv(variable);
  const double seconds = text != nullptr ? std::atof(text) : fallback_seconds;
  return static_cast<int>((seconds >= 0.0 ? seconds : fallback_seconds) * 1000.0);
}

int RunMilliseconds() {
  const int ms = Milliseconds("KELVRAN_BENCH_SECONDS", 10.0);
  return ms > 0 ? ms : 10000;
}

// Runs the event loop for a while.
void RunEventLoop(int milliseconds) {
  QEventLoop loop;
  QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
  loop.exec();
}

// Runs the event loop for the measured run and reports its CPU share and how often ticks (which
// the caller's timer counts from zero) came. The system share is mostly the wake-ups of the 1 ms
// timers, and it is what varies most from run to run on a virtual machine; the user share is the
// program's own work.
void MeasureEventLoop(benchmark::State& state, const long& ticks) {
  QElapsedTimer wall;
  const CpuTimes before = CpuSeconds();
  wall.start();
  RunEventLoop(RunMilliseconds());
  const double seconds = static_cast<double>(wall.nsecsElapsed()) / 1e9;
  const CpuTimes after = CpuSeconds();
  const double user = after.user - before.user;
  const double system = after.system - before.system;
  state.counters["cpu_percent"] = 100.0 * (user + system) / seconds;
  state.counters["user_percent"] = 100.0 * user / seconds;
  state.counters["system_percent"] = 100.0 * system / seconds;
  state.counters["ticks_per_second"] = static_cast<double>(ticks) / seconds;
}

// Shows the window, enters the tab (and, on Read/Write, turns continuous reading on), then
// lets the event loop run.
void RunWindow(benchmark::State& state, Tab tab) {
  for (auto _ : state) {
    // A board at power-up, so that the start notice comes and EasySetup runs from it.
    buslink::sim::SimulatedHardware hardware(buslink::sim::Scenario::FromJson(
        R"({"printer_ports": [{"boards": [{}]}], "smbus": {"chips": [{}]}, "chip": {"noise": 1}})",
        "power-up"));
    devaccess::Declarations d;
    d.backend = &hardware;
    d.comms_medium = 0;
    d.device_address = 0x2D;
    YesBoxes boxes;
    display::MainForm window(d, boxes);
    window.show();
    QApplication::processEvents();
    auto* tabs = window.findChild<QTabWidget*>(QStringLiteral("Main_Form_Tab"));
    // EasySetup first, from the start notice, as a user who monitors the chip would.
    tabs->setCurrentIndex(kVisualDisplay);
    QTimer* timer = window.findChild<QTimer*>(QStringLiteral("visual_timer"));
    if (tab == kReadWrite) {
      tabs->setCurrentIndex(kReadWrite);
      window.findChild<QPushButton*>(QStringLiteral("SSRibbon5"))->setChecked(true);
      timer = window.findChild<QTimer*>(QStringLiteral("Timer3"));
    }
    QApplication::processEvents();  // settle the tab switch before measuring
    RunEventLoop(Milliseconds("KELVRAN_BENCH_WARMUP_SECONDS", 1.0));
    long ticks = 0;
    QObject::connect(timer, &QTimer::timeout, [&ticks] { ++ticks; });
    MeasureEventLoop(state, ticks);
    timer->stop();
  }
}

// The floor under both: a timer at 1 ms that does nothing, in the same event loop, no window. What
// the machine charges for a thousand wake-ups a second.
void BM_EmptyOneMillisecondTimer(benchmark::State& state) {
  for (auto _ : state) {
    QTimer timer;
    long ticks = 0;
    QObject::connect(&timer, &QTimer::timeout, [&ticks] { ++ticks; });
    timer.start(1);
    MeasureEventLoop(state, ticks);
  }
}

void BM_VisualDisplayAfterEasySetup(benchmark::State& state) {
  RunWindow(state, kVisualDisplay);
}
void BM_ReadWriteContinuousReading(benchmark::State& state) {
  RunWindow(state, kReadWrite);
}
BENCHMARK(BM_EmptyOneMillisecondTimer)
    ->Iterations(1)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kSecond);
BENCHMARK(BM_VisualDisplayAfterEasySetup)
    ->Iterations(1)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kSecond);
BENCHMARK(BM_ReadWriteContinuousReading)
    ->Iterations(1)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kSecond);

}  // namespace
