#include "chart/strip_chart.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QImage>
#include <QTest>
#include <chrono>
#include <cmath>
#include <functional>
#include <vector>

#include "support/qstring_printer.h"
#include "support/test_times.h"

namespace chart {
namespace {

using test_support::kRed;

std::chrono::steady_clock::time_point At(double seconds) {
  return std::chrono::steady_clock::time_point(std::chrono::seconds(1000)) +
         std::chrono::duration_cast<std::chrono::steady_clock::duration>(
             std::chrono::duration<double>(seconds));
}

class StripChartTest : public ::testing::Test {
 protected:
  void SetUp() override {
    chart.resize(420, 220);
    chart.SetTimeWindow(20.0);
    chart.SetRange(0, -1000.0, 1000.0);
    chart.SetRange(1, 0.0, 100.0);
    chart.SetTraceColor(0, kRed);
  }
  int Column(double fraction) const { return test_support::PlotColumn(chart.PlotRect(), fraction); }
  // The row a value is drawn on, worked out from the plot rectangle and the view pair.
  int Row(double v) const {
    return test_support::PlotRow(chart.PlotRect(), v, chart.RangeLow(1), chart.RangeHigh(1));
  }
  bool Red(int x, int y) { return shot.pixelColor(x, y) == kRed; }
  void Shoot() { shot = chart.grab().toImage().convertToFormat(QImage::Format_RGB32); }
  // Topmost and bottommost red rows in a pixel column, or (-1, -1).
  std::pair<int, int> RedExtent(int x) {
    int top = -1;
    int bottom = -1;
    for (int y = 0; y < shot.height(); ++y) {
      if (!Red(x, y)) continue;
      if (top < 0) top = y;
      bottom = y;
    }
    return {top, bottom};
  }

  StripChart chart;
  QImage shot;
};

// 60 seconds of a trace that sits at 80 and drops to 20 at 50 s: with a 20 s window the plot
// shows 40..60 s, the drop in the middle, at any point rate.
TEST_F(StripChartTest, ShowsTheLastWindowOfSecondsWhateverThePointRate) {
  for (const double rate : {1000.0, 10.0, 1.0}) {
    SCOPED_TRACE(rate);
    chart.ClearChart();
    for (int k = 0; k <= static_cast<int>(60.0 * rate); ++k)
      chart.AddPointAt(0, At(k / rate), k / rate < 50.0 ? 80.0 : 20.0);
    Shoot();
    EXPECT_TRUE(Red(Column(0.0) + 1, Row(80)));  // 40 s, the left edge
    EXPECT_TRUE(Red(Column(0.25), Row(80)));     // 45 s
    EXPECT_FALSE(Red(Column(0.25), Row(20)));
    EXPECT_TRUE(Red(Column(0.8), Row(20)));  // 56 s
    EXPECT_FALSE(Red(Column(0.8), Row(80)));
    EXPECT_TRUE(Red(Column(1.0), Row(20)));  // the newest point
  }
}

TEST_F(StripChartTest, AFullHistoryDropsTheOldestPoints) {
  chart.SetHistoryCapacity(8192);  // eight seconds at 1000 points a second
  chart.SetTraceColor(0, kRed);
  for (int k = 0; k <= 30000; ++k) chart.AddPointAt(0, At(k / 1000.0), 50.0);
  EXPECT_EQ(chart.PointCount(0), 8192);
  Shoot();
  EXPECT_FALSE(Red(Column(0.25), Row(50)));  // 15 s: dropped
  EXPECT_TRUE(Red(Column(0.75), Row(50)));   // 25 s: kept
}

// Twenty points in every pixel column: each column must span exactly from its maximum to its
// minimum, stretched to the previous column's last point so the line stays joined.
TEST_F(StripChartTest, EachColumnSpansItsPointsExtremes) {
  chart.SetTimeWindow(10.0);
  const int width = chart.PlotRect().width();
  const double column_seconds = 10.0 / width;
  std::vector<std::vector<double>> columns(static_cast<std::size_t>(width));
  int k = 0;
  for (int c = 0; c < width; ++c) {
    for (int j = 0; j < 20; ++j, ++k) {
      const double v = 50.0 + 40.0 * std::sin(k * 0.013) + (k % 97 == 0 ? 8.0 : 0.0);
      columns[static_cast<std::size_t>(c)].push_back(v);
      chart.AddPointAt(0, At((c + (j + 0.5) / 20.0) * column_seconds), v);
    }
  }
  // The newest point sets the right edge at 10 s, so column c covers [c, c + 1) columns.
  chart.AddPointAt(0, At(10.0), columns.back().back());
  columns.back().push_back(columns.back().back());

  Shoot();
  for (int c = 0; c < width; ++c) {
    const auto& points = columns[static_cast<std::size_t>(c)];
    const auto [lo, hi] = std::minmax_element(points.begin(), points.end());
    int top = Row(*hi);
    int bottom = Row(*lo);
    if (c > 0) {
      const int joined = Row(columns[static_cast<std::size_t>(c - 1)].back());
      top = std::min(top, joined);
      bottom = std::max(bottom, joined);
    }
    ASSERT_EQ(RedExtent(chart.PlotRect().left() + c), std::make_pair(top, bottom)) << c;
  }
}

// A history denser than the chart's columns by far (minutes at a thousand points a second) is
// drawn as a faint band from minimum to maximum under its mean, as the review draws it.
TEST_F(StripChartTest, ADenseHistoryIsABandUnderItsMean) {
  chart.SetHistoryCapacity(200000);
  chart.SetTimeWindow(200.0);
  for (int k = 0; k < 200000; ++k) chart.AddPointAt(0, At(k / 1000.0), k % 2 == 0 ? 60.0 : 40.0);
  Shoot();
  const QColor band = shot.pixelColor(Column(0.5), Row(55.0));
  EXPECT_TRUE(Red(Column(0.5), Row(50.0)));
  EXPECT_NE(band, kRed);
  EXPECT_GT(band.red(), 40);
}

// Pair 1 is the view, pair 0 the stops that hold a value; ends may be set one at a time, the
// high end first, as the display does.
TEST_F(StripChartTest, TheViewPairPlacesValuesAndTheStopsHoldThem) {
  chart.SetRangeHigh(1, 200.0);
  chart.SetRangeHigh(0, 100.0);
  chart.SetRangeLow(0, 0.0);
  chart.AddPointAt(0, At(0.0), 150.0);
  chart.AddPointAt(0, At(20.0), 150.0);
  Shoot();
  EXPECT_TRUE(Red(Column(0.5), Row(100.0)));
  EXPECT_FALSE(Red(Column(0.5), Row(150.0)));

  chart.SetRangeHigh(1, 50.0);
  chart.SetRangeLow(1, 0.0);
  chart.SetRange(0, -1000.0, 1000.0);
  chart.ClearChart();
  chart.AddPointAt(0, At(0.0), 25.0);
  chart.AddPointAt(0, At(20.0), 25.0);
  Shoot();
  const QRect plot = chart.PlotRect();
  EXPECT_NEAR(RedExtent(Column(0.5)).first, plot.top() + (plot.height() - 1) / 2.0, 1.0);
}

// The grid lies under the traces: a flat trace across the plot covers the vertical grid lines
// and the plot's frame on its row and leaves them whole elsewhere, and the value grid's rows
// stay grey between the traces.
TEST_F(StripChartTest, TheGridLiesUnderTheTraces) {
  const QColor grid(48, 48, 48);
  chart.AddPointAt(0, At(0.0), 30.0);
  chart.AddPointAt(0, At(20.0), 30.0);
  Shoot();
  const QRect plot = chart.PlotRect();
  for (const int x : {plot.left(), Column(0.5), plot.right()}) {  // 0 s, -10 s and -20 s lines
    SCOPED_TRACE(x);
    EXPECT_TRUE(Red(x, Row(30.0)));
    EXPECT_EQ(shot.pixelColor(x, Row(50.0)), grid);
  }
  EXPECT_EQ(shot.pixelColor(Column(0.25) + 3, Row(40.0)), grid);  // the value grid's 40 row
  EXPECT_EQ(shot.pixelColor(Column(0.25) + 3, Row(50.0)), QColor(0, 0, 0));
}

// A running chart keeps the columns whose time has passed and repaints only what its new points
// changed. Frames painted each over just the part the chart reports (as its repaint timer does)
// add up to what a fresh drawing shows, with traces that cross each other and a caption, for
// points denser and sparser than the pixels; and flat traces repaint only the rows about them.
TEST_F(StripChartTest, RunningFramesRepaintOnlyWhatChanged) {
  chart.SetTraceColor(1, QColor(0, 0, 255));
  chart.SetTextItemCount(1);
  chart.SetTextCaption(0, QStringLiteral("crossed by both traces"));
  chart.SetTextPosition(0, 0.3, 0.45);
  chart.show();
  QImage screen(chart.size(), QImage::Format_RGB32);
  const QRect plot = chart.PlotRect();
  double changed_share = 0.0;
  for (const bool flat : {false, true}) {
    for (const double rate : {400.0, 3.0}) {
      SCOPED_TRACE(testing::Message() << "flat " << flat << ", rate " << rate);
      chart.ClearChart();
      chart.render(&screen);
      double t = 0.0;
      for (int frame = 0; frame < 60; ++frame) {
        for (int k = 0; k < 7; ++k, t += 1.0 / rate) {
          chart.AddPointAt(0, At(t), flat ? 30.0 : 50.0 + 45.0 * std::sin(t * 1.7));
          chart.AddPointAt(1, At(t), flat ? 70.0 + k % 2 : 50.0 + 45.0 * std::cos(t * 0.9));
        }
        const QRegion changed = chart.RefreshPlot();
        if (!changed.isEmpty()) chart.render(&screen, changed.boundingRect().topLeft(), changed);
        changed_share = 0.0;
        for (const QRect& r : changed) changed_share += r.width() * r.height();
        changed_share /= plot.width() * plot.height();
      }
      chart.SetTimeOffset(0.0);  // draws every column again
      Shoot();
      ASSERT_TRUE(screen == shot);
    }
    if (flat) {
      EXPECT_LT(changed_share, 0.1);
    }
  }
}

// The captions are laid out once and kept: after each change the chart shows them as a chart
// made afresh with the same changes does.
TEST_F(StripChartTest, CaptionsShowEveryChange) {
  const std::vector<std::function<void(StripChart&)>> changes = {
      [](StripChart& c) { c.SetTextItemCount(2), c.SetTextCaption(1, QStringLiteral("12V")); },
      [](StripChart& c) { c.SetTextCaption(1, QStringLiteral("5V")); },
      [](StripChart& c) { c.SetTextColor(1, Qt::yellow); },
      [](StripChart& c) { c.SetTextPosition(1, 0.5, 0.5); },
      [](StripChart& c) { c.resize(300, 160); },
      [](StripChart& c) { c.setFont(QFont(QString(), 20)); },
  };
  for (std::size_t n = 1; n <= changes.size(); ++n) {
    SCOPED_TRACE(n);
    changes[n - 1](chart);
    Shoot();
    StripChart fresh;
    fresh.resize(420, 220);
    fresh.SetRange(1, 0.0, 100.0);
    for (std::size_t k = 0; k < n; ++k) changes[k](fresh);
    ASSERT_TRUE(shot == fresh.grab().toImage().convertToFormat(QImage::Format_RGB32));
  }
}

// At a device pixel ratio of 2 the chart draws in device pixels: a flat trace is one device
// pixel thick on the device row its value maps to, and the axis labels have detail finer than
// the 2 x 2 blocks a chart drawn at 1x and scaled up would show.
TEST_F(StripChartTest, SharpAtDevicePixelRatioTwo) {
  chart.AddPointAt(0, At(0.0), 30.0);
  chart.AddPointAt(0, At(20.0), 30.0);
  constexpr int kRatio = 2;
  QImage image(chart.size() * kRatio, QImage::Format_RGB32);
  image.setDevicePixelRatio(kRatio);
  chart.render(&image);
  const QRect plot = chart.PlotRect();
  const int device_height = plot.height() * kRatio;
  const int expected = plot.top() * kRatio +
                       static_cast<int>(std::lround((100.0 - 30.0) * (device_height - 1) / 100.0));
  for (const double fraction : {0.1, 0.5, 0.9}) {
    const int x = (plot.left() + static_cast<int>(fraction * plot.width())) * kRatio + 1;
    std::vector<int> rows;
    for (int y = 0; y < image.height(); ++y) {
      if (image.pixelColor(x, y) == kRed) rows.push_back(y);
    }
    EXPECT_EQ(rows, std::vector<int>{expected}) << "column " << x;
  }
  // The value labels left of the plot: some aligned 2 x 2 block is not one colour.
  int detailed = 0;
  for (int y = 0; y + 1 < image.height(); y += 2) {
    for (int x = 0; x + 1 < plot.left() * kRatio; x += 2) {
      const QRgb p = image.pixel(x, y);
      detailed += image.pixel(x + 1, y) != p || image.pixel(x, y + 1) != p ||
                  image.pixel(x + 1, y + 1) != p;
    }
  }
  EXPECT_GT(detailed, 20);
}

class PaintCounter : public QObject {
 public:
  bool eventFilter(QObject*, QEvent* e) override {
    paints += e->type() == QEvent::Paint;
    return false;
  }
  int paints = 0;
};

// However fast points arrive, they cause one paint per repaint interval, never one each.
TEST_F(StripChartTest, PointsArrivingTogetherCauseOnePaint) {
  PaintCounter counter;
  chart.installEventFilter(&counter);
  chart.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&chart));
  QCoreApplication::sendPostedEvents();
  counter.paints = 0;
  for (int k = 0; k < 1000; ++k) chart.AddPoint(0, k % 100);
  QCoreApplication::sendPostedEvents();
  EXPECT_EQ(counter.paints, 0);  // nothing is painted from inside AddPoint
  EXPECT_TRUE(chart.RepaintPending());
  ASSERT_TRUE(QTest::qWaitFor([&] { return counter.paints > 0; }));
  EXPECT_EQ(counter.paints, 1);
  EXPECT_FALSE(chart.RepaintPending());
}

TEST_F(StripChartTest, AccessibilityToolsReadTheTitleAndTheTraces) {
  chart.SetTextItemCount(1);
  chart.SetTextCaption(0, QStringLiteral("Voltage"));
  chart.SetTraceName(3, QStringLiteral("Vccp1"));
  chart.SetTraceName(6, QStringLiteral("12V"));
  chart.AddPoint(3, 1.5);
  chart.AddPoint(6, 12.25);
  QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&chart);
  ASSERT_NE(iface, nullptr);
  EXPECT_EQ(iface->role(), QAccessible::Chart);
  EXPECT_EQ(iface->text(QAccessible::Name), QStringLiteral("Voltage"));
  EXPECT_EQ(iface->text(QAccessible::Description), QStringLiteral("traces: Vccp1 1.5, 12V 12.25"));
}

}  // namespace
}  // namespace chart
