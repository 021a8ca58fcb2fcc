// One strip chart paint with a full history: 1000 x 400 pixels, 8 traces of 100,000 points
// each inside the time window. The min/max reduction per pixel column keeps this about the
// width of the chart, not the points; the display's budget is a few milliseconds per frame.
// A running chart's frame draws only the columns time has added: a small part of that.
#include <benchmark/benchmark.h>

#include <QImage>
#include <chrono>
#include <cmath>

#include "chart/strip_chart.h"

namespace {

constexpr int kWidth = 1000;
constexpr int kHeight = 400;

// What both benchmarks paint: the chart's size, the range of the second pair, the title and
// eight legends.
void SetUpChart(chart::StripChart& chart) {
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
void Paint(benchmark::State& state, chart::StripChart& chart) {
  QImage image(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
  for (auto _ : state) {
    chart.render(&image);
    benchmark::DoNotOptimize(image.constBits());
  }
}

constexpr int kTraces = 8;
constexpr int kPoints = 100000;
const auto kStart = std::chrono::steady_clock::time_point(std::chrono::seconds(100));

// Traces that wander over most of the plot's height.
double Value(int k, int t) {
  return 2.0 * t + 1.0 + 0.8 * std::sin(k * 0.001 * (t + 1)) + 0.1 * ((k * 7919) % 13);
}

// Traces that stay within a register step or two, as a chip's supply voltages do.
double FlatValue(int k, int t) {
  return 2.0 * t + 1.0 + 0.0625 * ((k * 7919) % 2);
}

using ValueOf = double (*)(int k, int t);

// A full history: all points fall inside the 20 s window, one every 200 us.
void FillChart(chart::StripChart& chart, ValueOf value = Value) {
  SetUpChart(chart);
  chart.SetHistoryCapacity(kPoints);
  chart.SetTimeWindow(20.0);
  chart.SetRange(0, -1000.0, 1000.0);
  for (int k = 0; k < kPoints; ++k) {
    const auto when = kStart + std::chrono::microseconds(200LL * k);
    for (int t = 0; t < kTraces; ++t) chart.AddPointAt(t, when, value(k, t));
  }
}

// Everything drawn afresh, as after a resize or a change of range.
void BM_StripChartPaint(benchmark::State& state) {
  chart::StripChart chart;
  FillChart(chart);
  QImage image(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
  for (auto _ : state) {
    chart.SetTimeOffset(0.0);  // asks for every column again
    chart.render(&image);
    benchmark::DoNotOptimize(image.constBits());
  }
  state.counters["points"] = static_cast<double>(kTraces) * chart.PointCount(0);
}

// One frame of a running chart: one new point per trace, a plot column later than the last, the
// plot brought up to date as the repaint timer does, and the repaint of what changed. Wandering
// traces change most rows; flat ones a few bands.
void Frame(benchmark::State& state, ValueOf value) {
  chart::StripChart chart;
  FillChart(chart, value);
  chart.show();  // a hidden chart leaves its plot to the paint that shows it
  QImage image(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
  chart.render(&image);
  const QRect plot = chart.PlotRect();
  const auto column = std::chrono::nanoseconds(20'000'000'000LL / plot.width());
  auto when = kStart + std::chrono::microseconds(200LL * (kPoints - 1));
  int k = kPoints;
  double changed_pixels = 0.0;
  for (auto _ : state) {
    when += column;
    for (int t = 0; t < kTraces; ++t) chart.AddPointAt(t, when, value(k, t));
    ++k;
    const QRegion changed = chart.RefreshPlot();
    chart.render(&image, changed.boundingRect().topLeft(), changed);
    benchmark::DoNotOptimize(image.constBits());
    for (const QRect& r : changed) changed_pixels += static_cast<double>(r.width()) * r.height();
  }
  state.counters["changed_share"] = changed_pixels / static_cast<double>(state.iterations()) /
                                    (static_cast<double>(plot.width()) * plot.height());
}
void BM_StripChartFrame(benchmark::State& state) {
  Frame(state, Value);
}
void BM_StripChartFrameFlatTraces(benchmark::State& state) {
  Frame(state, FlatValue);
}
// The same chart without points: what the background, grid and captions cost on their own.
void BM_StripChartPaintEmpty(benchmark::State& state) {
  chart::StripChart chart;
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

BENCHMARK(BM_StripChartFrame)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);

BENCHMARK(BM_StripChartFrameFlatTraces)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);

}  // namespace
