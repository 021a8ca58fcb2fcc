// One strip chart paint with a full history: 1000 x 400 pixels, 8 traces of 100,000 points
// each inside the time window. The min/max reduction per pixel column keeps this about the
// width of the chart, not the points; the display's budget is a few milliseconds per frame.
#include <benchmark/benchmark.h>

#include <QImage>
#include <chrono>
#include <cmath>

#include "widgets/strip_chart.h"

namespace {

constexpr int kWidth = 1000;
constexpr int kHeight = 400;

// What both benchmarks paint: the chart's size, the range of the second pair, the title and
// eight legends.
void SetUpChart(widgets::StripChart& chart) {
  chart.resize(kWidth, kHeight);
  chart.SetRange(1, 0.0, 16.0);
  chart.SetTextItemCount(9);
  chart.SetTextCaption(0, QStringLiteral("Voltage"));
  for (int t = 1; t < 9; ++t) {
    chart.SetTextCaption(t, QStringLiteral("legend %1").arg(t));
    chart.SetTextPosition(t, 0.05 * t, 0.91);
  }
}

// One paint of the whole chart an iteration.
void Paint(benchmark::State& state, widgets::StripChart& chart) {
  QImage image(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
  for (auto _ : state) {
    chart.render(&image);
    benchmark::DoNotOptimize(image.constBits());
  }
}

void BM_StripChartPaint(benchmark::State& state) {
  constexpr int kTraces = 8;
  constexpr int kPoints = 100000;
  widgets::StripChart chart;
  SetUpChart(chart);
  chart.SetHistoryCapacity(kPoints);
  chart.SetTimeWindow(20.0);
  chart.SetRange(0, -1000.0, 1000.0);
  // All points fall inside the 20 s window: one every 200 us.
  const auto start = std::chrono::steady_clock::time_point(std::chrono::seconds(100));
  for (int k = 0; k < kPoints; ++k) {
    const auto when = start + std::chrono::microseconds(200LL * k);
    for (int t = 0; t < kTraces; ++t) {
      const double v =
          2.0 * t + 1.0 + 0.8 * std::sin(k * 0.001 * (t + 1)) + 0.1 * ((k * 7919) % 13);
      chart.AddPointAt(t, when, v);
    }
  }
  Paint(state, chart);
  state.counters["points"] = static_cast<double>(kTraces) * chart.PointCount(0);
}
// The same chart without points: what the background, grid and captions cost on their own.
void BM_StripChartPaintEmpty(benchmark::State& state) {
  widgets::StripChart chart;
  SetUpChart(chart);
  Paint(state, chart);
}
BENCHMARK(BM_StripChartPaintEmpty)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);

BENCHMARK(BM_StripChartPaint)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);

}  // namespace
