#include "chart/recording_plot.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QImage>
#include <cmath>

#include "support/qstring_printer.h"
#include "support/test_times.h"

namespace chart {
namespace {

using test_support::kRed;
const QColor kBlue(0, 0, 255);
using test_support::kSecond;

class RecordingPlotTest : public ::testing::Test {
 protected:
  void SetUp() override {
    plot.resize(420, 220);
    plot.SetValueView(0.0, 100.0);
  }
  int Column(double fraction) const { return test_support::PlotColumn(plot.PlotRect(), fraction); }
  int Row(double v) const { return test_support::PlotRow(plot.PlotRect(), v, 0.0, 100.0); }
  QColor At(int x, int y) const { return shot.pixelColor(x, y); }
  void Shoot() { shot = plot.grab().toImage().convertToFormat(QImage::Format_RGB32); }

  RecordingPlot plot;
  QImage shot;
};

// A series of a store over a span of time: points where their times fall, a line on past the
// right edge towards the next point, and no line across a break.
TEST_F(RecordingPlotTest, DrawsAGivenStoreOverAGivenSpan) {
  SeriesStore store(2);
  for (int k = 0; k <= 100; ++k) {
    store.AppendRow(k * kSecond);
    if (k == 50) {
      store.BreakLast(1);
    } else {
      store.SetLast(1, k < 50 ? 20.0 : 80.0);
    }
  }
  plot.SetLayers({{&store, {{1, kRed, QStringLiteral("+12V")}}, 0}});
  plot.SetTimeSpan(40 * kSecond, 60 * kSecond);  // the step at 50 s in the middle
  Shoot();
  const int mid = Column(0.5);
  EXPECT_EQ(At(Column(0.25), Row(20.0)), kRed);
  EXPECT_EQ(At(Column(0.75), Row(80.0)), kRed);
  for (int x = mid - 2; x <= mid + 2; ++x) EXPECT_NE(At(x, Row(50.0)), kRed) << x;
  plot.SetTimeSpan(40 * kSecond + kSecond / 2, 60 * kSecond + kSecond / 2);
  Shoot();
  EXPECT_EQ(At(plot.PlotRect().right(), Row(80.0)), kRed);
  EXPECT_EQ(QAccessible::queryAccessibleInterface(&plot)->text(QAccessible::Description),
            QStringLiteral("traces: +12V"));
}

// Zoomed out on many rows a column, a noisy channel is a faint band with its mean as a line,
// and a mean that ramps slowly under noise ten times its step still shows as a line; a second
// channel in the same pane stays visible beside it.
TEST_F(RecordingPlotTest, DenseNoisyChannelsDrawAsBandsUnderTheirMeans) {
  SeriesStore store(2);
  constexpr int kRows = 200'000;
  for (int k = 0; k < kRows; ++k) {
    store.AppendRow(std::int64_t{k} * kSecond / 100);
    const double noise = 10.0 * ((k % 2) == 0 ? 1.0 : -1.0);
    store.SetLast(0, 20.0 + 40.0 * k / kRows + noise);
    store.SetLast(1, 80.0 + noise / 2.0);
  }
  plot.SetLayers({{&store, {{0, kRed, QString()}, {1, kBlue, QString()}}, 0}});
  plot.SetTimeSpan(0, store.TimeAt(kRows - 1));
  Shoot();
  for (const double f : {0.1, 0.5, 0.9}) {
    SCOPED_TRACE(f);
    const int x = Column(f);
    const double mean = 20.0 + 40.0 * f;
    EXPECT_EQ(At(x, Row(mean)), kRed);
    const QColor band = At(x, Row(mean + 6.0));
    EXPECT_NE(band, kRed);
    EXPECT_GT(band.red(), band.green() + 40);
    EXPECT_EQ(At(x, Row(80.0)), kBlue);
    EXPECT_GT(At(x, Row(83.0)).blue(), 40);
    EXPECT_NE(At(x, Row(83.0)), kBlue);
  }
}

// A second recording drawn over the first starts where its shift puts it, in dashes.
TEST_F(RecordingPlotTest, ASecondLayerIsShiftedAndDashed) {
  SeriesStore first(1);
  SeriesStore second(1);
  for (int k = 0; k <= 100; ++k) {
    first.AppendRow(k * kSecond);
    first.SetLast(0, 30.0);
    second.AppendRow(k * kSecond);
    second.SetLast(0, 70.0);
  }
  plot.SetLayers(
      {{&first, {{0, kRed, QString()}}, 0}, {&second, {{0, kRed, QString(), true}}, 50 * kSecond}});
  plot.SetTimeSpan(0, 100 * kSecond);
  Shoot();
  EXPECT_EQ(At(Column(0.25), Row(30.0)), kRed);
  EXPECT_NE(At(Column(0.25), Row(70.0)), kRed);
  int drawn = 0;
  int gaps = 0;
  for (int x = Column(0.6); x < Column(0.9); ++x) (At(x, Row(70.0)) == kRed ? drawn : gaps)++;
  EXPECT_GT(drawn, gaps);
  EXPECT_GT(gaps, 5);
}

}  // namespace
}  // namespace chart
