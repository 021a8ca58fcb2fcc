// The display tick of the Visual Display tab: the voltage group on the strip chart and +12V on
// the gauge, as the tab shows them first, on the simulated SMBus chip with conversions running.
// The tab is never shown, so the figures leave painting out; the strip chart's own benchmark
// measures that.
#include <benchmark/benchmark.h>

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <cstdio>
#include <memory>

#include "access/declarations.h"
#include "boxes/message_boxes.h"
#include "buslink/sim/simulated_hardware.h"
#include "display/visual_display_tab.h"
#include "resident_memory.h"

namespace {

// Started, FAN2 as an analog input (as EasySetup leaves it): eleven transfers a tick, six
// voltages and AIN2, the +12V value for the gauge, INT Status 1 and 2 and the status mirror.
constexpr const char* kScenario = R"({
  "smbus": {"present": true, "chips": [{"address": "0x2D"}]},
  "chip": {"registers": {"0x40": "0x03", "0x16": "0x02", "0x47": "0x5C"}, "noise": 1.0}
})";
constexpr int kTransfersPerTick = 11;

struct Bench {
  Bench() : hardware(buslink::sim::Scenario::FromJson(kScenario, "bench")) {
    d.backend = &hardware;
    d.comms_medium = 0;
    d.device_address = 0x2D;
    d.fan1_divisor = 1;
    d.fan2_divisor = 1;
    tab = std::make_unique<display::VisualDisplayTab>(d, boxes);
    tab->Enter();
    tab->StopTimer();
  }

  buslink::sim::SimulatedHardware hardware;
  devaccess::Declarations d;
  boxes::QtMessageBoxes boxes;
  std::unique_ptr<display::VisualDisplayTab> tab;
};

void BM_VoltageGroupTick(benchmark::State& state) {
  Bench bench;
  for (int i = 0; i < 2000; ++i) bench.tab->visual_timer_Timer();  // traces take their storage
  for (auto _ : state) bench.tab->visual_timer_Timer();
}
BENCHMARK(BM_VoltageGroupTick)->Unit(benchmark::kMicrosecond);

// Resident memory after 10,000 ticks and after 1,000,000: the chart's histories are bounded and
// the tick allocates nothing, so the two should be within a page or two.
void BM_ResidentMemoryOverALongRun(benchmark::State& state) {
  for (auto _ : state) {
    Bench bench;
    for (int i = 0; i < 10000; ++i) bench.tab->visual_timer_Timer();
    const long early = ResidentKilobytes();
    for (int i = 10000; i < 1000000; ++i) bench.tab->visual_timer_Timer();
    const long late = ResidentKilobytes();
    state.counters["rss_10k_ticks_kB"] = static_cast<double>(early);
    state.counters["rss_1M_ticks_kB"] = static_cast<double>(late);
    state.counters["growth_kB"] = static_cast<double>(late - early);
  }
}
BENCHMARK(BM_ResidentMemoryOverALongRun)->Iterations(1)->Unit(benchmark::kSecond);

// visual_timer running in the event loop while every transfer takes 400 us: the tab should
// reach nearly the bus's own limit of one tick per 11 transfers.
void BM_TicksPerSecondAt400usPerTransfer(benchmark::State& state) {
  constexpr int kLatencyUs = 400;
  Bench bench;
  bench.hardware.SetLatencyMicroseconds(kLatencyUs);
  auto* timer = bench.tab->findChild<QTimer*>(QStringLiteral("visual_timer"));
  long ticks = 0;
  QObject::connect(timer, &QTimer::timeout, [&ticks] { ++ticks; });
  double seconds = 0;
  for (auto _ : state) {
    ticks = 0;
    QEventLoop loop;
    QTimer::singleShot(3000, &loop, &QEventLoop::quit);
    QElapsedTimer clock;
    clock.start();
    timer->start(1);
    loop.exec();
    timer->stop();
    seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
  }
  const double rate = static_cast<double>(ticks) / seconds;
  const double limit = 1e6 / (kTransfersPerTick * kLatencyUs);
  state.counters["ticks_per_second"] = rate;
  state.counters["bus_limit_per_second"] = limit;
  state.counters["fraction_of_limit"] = rate / limit;
}
BENCHMARK(BM_TicksPerSecondAt400usPerTransfer)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
