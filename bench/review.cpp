// The review of a long recording: how fast a file is read into memory and how much memory a row
// takes (at 10^5, 10^6 and 10^7 rows of the default Channel Mode's ten channels and the two
// status columns), and one frame of a 1600-pixel-wide pane of all ten traces at 10^7 rows,
// zoomed out on all of it and zoomed in on 1000 rows; the same zoomed out with a second 10^7-row
// recording compared, and how fast that second one is read.
//
// The recordings are made once in the temporary folder (10^7 rows is about 1.6 GB and takes a
// while) and removed when the program ends. The 10^7 cases take a minute or more: leave them
// out with --benchmark_filter='/100000$|/1000000$'.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QDir>
#include <QImage>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <string>

#include "chart/recording_plot.h"
#include "review/recording_source.h"
#include "support/recording_generator.h"

namespace {

// The process's resident memory now and at its peak since ResetPeak, in kB.
long StatusKilobytes(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  const std::string key = std::string(field) + ":";
  while (std::getline(status, line)) {
    if (line.rfind(key, 0) == 0) return std::atol(line.c_str() + key.size());
  }
  return 0;
}

void ResetPeak() {
  std::ofstream("/proc/self/clear_refs") << "5";
}

// A recording of rows rows, made on first use.
const std::string& RecordingOf(std::int64_t rows) {
  static std::map<std::int64_t, std::string> made;
  auto it = made.find(rows);
  if (it != made.end()) return it->second;
  const std::string path = QDir::tempPath().toStdString() + "/kelvran-bench-" +
                           std::to_string(::getpid()) + "-" + std::to_string(rows) + ".csv";
  recordings::Spec spec;
  spec.rows = rows;
  spec.v12_alarms = {{rows / 3, rows / 3 + 100}};
  if (!recordings::WriteFile(spec, path)) std::abort();
  static struct Cleanup {
    ~Cleanup() {
      for (const auto& [n, file] : made) std::remove(file.c_str());
    }
  } cleanup;
  return made.emplace(rows, path).first->second;
}

// Reads a whole recording into memory, as opening it does.
void BM_LoadRecording(benchmark::State& state) {
  const std::int64_t rows = state.range(0);
  const std::string& path = RecordingOf(rows);
  double bytes_per_row = 0.0;
  for (auto _ : state) {
    const long before = StatusKilobytes("VmRSS");
    ResetPeak();
    review::RecordingSource source(path);
    source.ReadMore();
    const long peak = StatusKilobytes("VmHWM");
    if (source.model().store().Size() != rows) state.SkipWithError("rows missing");
    bytes_per_row = static_cast<double>(peak - before) * 1024.0 / static_cast<double>(rows);
  }
  state.counters["rows_per_second"] =
      benchmark::Counter(static_cast<double>(rows), benchmark::Counter::kIsIterationInvariantRate);
  state.counters["peak_bytes_per_row"] = bytes_per_row;
}
BENCHMARK(BM_LoadRecording)
    ->Arg(100'000)
    ->Arg(1'000'000)
    ->Arg(10'000'000)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);

// A recording of 10^7 rows, read once. The second is another file of the same rows, read while
// the first is in memory, as Compare With... does.
const review::RecordingSource& Loaded(int which) {
  constexpr std::int64_t kRows = 10'000'000;
  static std::unique_ptr<review::RecordingSource> sources[2];
  if (!sources[which]) {
    if (which == 1) Loaded(0);
    sources[which] = std::make_unique<review::RecordingSource>(RecordingOf(kRows));
    sources[which]->ReadMore();
  }
  return *sources[which];
}

// One frame of a pane 1600 pixels wide over 10^7 rows (of one recording or of two compared): each
// iteration moves the view by a pixel, so the axes are drawn again as a pan or a zoom does, and
// the traces are reduced afresh.
void Frame(benchmark::State& state, std::int64_t rows_on_screen, int recordings) {
  std::vector<chart::RecordingPlot::Layer> layers;
  for (int r = 0; r < recordings; ++r) {
    const review::RecordingSource& source = Loaded(r);
    std::vector<chart::TraceStyle> traces;
    for (std::size_t s = 0; s < source.model().series().size(); ++s) {
      traces.push_back({static_cast<int>(s), source.model().series()[s].color, QString(), r == 1});
    }
    layers.push_back({&source.model().store(), traces, 0});
  }
  const chart::SeriesStore& store = Loaded(0).model().store();
  chart::RecordingPlot pane;
  pane.SetLayers(layers);
  pane.resize(1600 + 52, 400);  // a 1600-pixel plot inside the axes
  pane.SetValueView(0.0, 10000.0);
  chart::TimeAxis axis;
  axis.style = chart::TimeAxis::Style::Clock;
  pane.SetTimeAxis(axis);
  const std::int64_t first = store.TimeAt(0);
  const std::int64_t last = store.TimeAt(store.Size() - 1);
  const std::int64_t span =
      rows_on_screen == 0 ? last - first : store.TimeAt(rows_on_screen) - first;
  const std::int64_t start = rows_on_screen == 0 ? first : store.TimeAt(store.Size() / 2);
  const std::int64_t pixel = span / pane.PlotRect().width();
  QImage image(pane.size(), QImage::Format_ARGB32_Premultiplied);
  std::int64_t k = 0;
  for (auto _ : state) {
    ++k;
    pane.SetTimeSpan(start + (k % 2) * pixel, start + span + (k % 2) * pixel);
    pane.render(&image);
    benchmark::DoNotOptimize(image.constBits());
  }
  state.counters["plot_width"] = pane.PlotRect().width();
}
void BM_FrameAllOf10MillionRows(benchmark::State& state) {
  Frame(state, 0, 1);
}
void BM_Frame1000RowsOf10MillionRows(benchmark::State& state) {
  Frame(state, 1000, 1);
}
void BM_FrameAllOfTwo10MillionRowRecordings(benchmark::State& state) {
  Frame(state, 0, 2);
}
// Reading a second 10^7-row recording while the first is in memory, as comparing does.
void BM_LoadSecondRecording(benchmark::State& state) {
  constexpr std::int64_t kRows = 10'000'000;
  Loaded(0);
  for (auto _ : state) {
    review::RecordingSource source(RecordingOf(kRows));
    source.ReadMore();
    if (source.model().store().Size() != kRows) state.SkipWithError("rows missing");
  }
  state.counters["rows_per_second"] =
      benchmark::Counter(static_cast<double>(kRows), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_FrameAllOf10MillionRows)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_Frame1000RowsOf10MillionRows)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_FrameAllOfTwo10MillionRowRecordings)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_LoadSecondRecording)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);

}  // namespace
