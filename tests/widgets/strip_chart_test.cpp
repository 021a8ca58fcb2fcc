#include "widgets/strip_chart.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QTest>
#include <chrono>
#include <cmath>
#include <limits>
#include <vector>

#include "support/qstring_printer.h"

namespace widgets {
namespace {

using Clock = std::chrono::steady_clock;

const QColor kRed(255, 0, 0);

Clock::time_point At(double seconds) {
  return Clock::time_point(std::chrono::seconds(1000)) +
         std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
}

// The row a value is drawn on, worked out from the plot rectangle and the view pair.
int RowOf(const StripChart& chart, double v) {
  const QRect plot = chart.PlotRect();
  const double lo = chart.RangeLow(1);
  const double hi = chart.RangeHigh(1);
  return plot.top() + static_cast<int>(std::lround((hi - v) * (plot.height() - 1) / (hi - lo)));
}

QImage Shot(StripChart& chart) {
  return chart.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

bool Is(const QImage& img, int x, int y, const QColor& c) {
  return img.pixelColor(x, y) == c;
}

// Topmost and bottommost rows of a colour in a pixel column, or (-1, -1).
std::pair<int, int> Extent(const QImage& img, int x, const QColor& c) {
  int top = -1;
  int bottom = -1;
  for (int y = 0; y < img.height(); ++y) {
    if (!Is(img, x, y, c)) continue;
    if (top < 0) top = y;
    bottom = y;
  }
  return {top, bottom};
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
  int Column(double fraction) const {
    const QRect plot = chart.PlotRect();
    return plot.left() + static_cast<int>(fraction * (plot.width() - 1));
  }
  StripChart chart;
};

// 60 seconds of a trace that sits at 80 and drops to 20 at 50 s: with a 20 s window the plot
// shows 40..60 s, the drop in the middle, at any point rate.
TEST_F(StripChartTest, ShowsTheLastWindowOfSecondsWhateverThePointRate) {
  for (const double rate : {1000.0, 10.0, 1.0}) {
    SCOPED_TRACE(rate);
    chart.ClearChart();
    const int n = static_cast<int>(60.0 * rate);
    for (int k = 0; k <= n; ++k) {
      const double t = k / rate;
      chart.AddPointAt(0, At(t), t < 50.0 ? 80.0 : 20.0);
    }
    const QImage img = Shot(chart);
    EXPECT_TRUE(Is(img, Column(0.0) + 1, RowOf(chart, 80), kRed));  // 40 s, the left edge
    EXPECT_TRUE(Is(img, Column(0.25), RowOf(chart, 80), kRed));     // 45 s
    EXPECT_FALSE(Is(img, Column(0.25), RowOf(chart, 20), kRed));
    EXPECT_TRUE(Is(img, Column(0.8), RowOf(chart, 20), kRed));  // 56 s
    EXPECT_FALSE(Is(img, Column(0.8), RowOf(chart, 80), kRed));
    EXPECT_TRUE(Is(img, Column(1.0), RowOf(chart, 20), kRed));  // the newest point
  }
}

TEST_F(StripChartTest, AFullHistoryDropsTheOldestPoints) {
  chart.SetHistoryCapacity(8192);  // eight seconds at 1000 points a second
  chart.SetTraceColor(0, kRed);
  for (int k = 0; k <= 30000; ++k) chart.AddPointAt(0, At(k / 1000.0), 50.0);
  EXPECT_EQ(chart.PointCount(0), 8192);
  EXPECT_EQ(chart.History(0).TimeAt(0), std::chrono::duration_cast<std::chrono::nanoseconds>(
                                            At((30000 - 8191) / 1000.0).time_since_epoch())
                                            .count());
  const QImage img = Shot(chart);
  EXPECT_FALSE(Is(img, Column(0.25), RowOf(chart, 50), kRed));  // 15 s: dropped
  EXPECT_TRUE(Is(img, Column(0.75), RowOf(chart, 50), kRed));   // 25 s: kept
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

  const QImage img = Shot(chart);
  for (int c = 0; c < width; ++c) {
    const auto& points = columns[static_cast<std::size_t>(c)];
    const auto [lo, hi] = std::minmax_element(points.begin(), points.end());
    int top = RowOf(chart, *hi);
    int bottom = RowOf(chart, *lo);
    if (c > 0) {
      const int joined = RowOf(chart, columns[static_cast<std::size_t>(c - 1)].back());
      top = std::min(top, joined);
      bottom = std::max(bottom, joined);
    }
    const auto [seen_top, seen_bottom] = Extent(img, chart.PlotRect().left() + c, kRed);
    ASSERT_EQ(seen_top, top) << "column " << c;
    ASSERT_EQ(seen_bottom, bottom) << "column " << c;
  }
}

TEST_F(StripChartTest, TheViewPairPlacesValuesAndTheStopsHoldThem) {
  chart.SetRangeHigh(1, 200.0);  // view 0..200
  chart.SetRangeHigh(0, 100.0);  // stops 0..100
  chart.SetRangeLow(0, 0.0);
  chart.AddPointAt(0, At(0.0), 150.0);
  chart.AddPointAt(0, At(20.0), 150.0);
  QImage img = Shot(chart);
  EXPECT_TRUE(Is(img, Column(0.5), RowOf(chart, 100.0), kRed));
  EXPECT_FALSE(Is(img, Column(0.5), RowOf(chart, 150.0), kRed));

  // Ends set one at a time, the high end first, as the display does.
  chart.SetRangeHigh(1, 50.0);
  chart.SetRangeLow(1, 0.0);
  chart.SetRange(0, -1000.0, 1000.0);
  chart.ClearChart();
  chart.AddPointAt(0, At(0.0), 25.0);
  chart.AddPointAt(0, At(20.0), 25.0);
  img = Shot(chart);
  const QRect plot = chart.PlotRect();
  const auto [top, bottom] = Extent(img, Column(0.5), kRed);
  EXPECT_EQ(top, bottom);
  EXPECT_NEAR(top, plot.top() + (plot.height() - 1) / 2.0, 1.0);
}

TEST_F(StripChartTest, RefusesBadPointsAndClearKeepsTheSetUp) {
  EXPECT_FALSE(chart.AddPoint(-1, 1.0));
  EXPECT_FALSE(chart.AddPoint(StripChart::kTraceCount, 1.0));
  EXPECT_FALSE(chart.AddPoint(0, std::numeric_limits<double>::quiet_NaN()));
  EXPECT_TRUE(chart.AddPoint(StripChart::kTraceCount - 1, 1.0));
  EXPECT_EQ(chart.PointCount(0), 0);
  EXPECT_EQ(chart.PointCount(StripChart::kTraceCount - 1), 1);

  chart.SetTextItemCount(1);
  chart.SetTextCaption(0, QStringLiteral("Voltage"));
  chart.ClearChart();
  EXPECT_EQ(chart.PointCount(StripChart::kTraceCount - 1), 0);
  EXPECT_EQ(chart.TextCaption(0), QStringLiteral("Voltage"));
  EXPECT_EQ(chart.TraceColor(0), kRed);
  EXPECT_EQ(chart.RangeHigh(1), 100.0);
}

TEST_F(StripChartTest, PointsAreStampedByTheInjectedClock) {
  double now = 5.0;
  chart.SetClock([&] { return At(now); });
  chart.AddPoint(2, 1.0);
  now = 5.25;
  chart.AddPoint(2, 2.0);
  const TraceHistory& h = chart.History(2);
  ASSERT_EQ(h.Size(), 2);
  EXPECT_EQ(h.TimeAt(1) - h.TimeAt(0), 250'000'000);
  EXPECT_EQ(chart.LastValue(2), 2.0);
}

TEST_F(StripChartTest, TextItemsFollowTheirCount) {
  EXPECT_EQ(chart.TextCaption(chart.CurrentTextItem()), QString());  // before any set-up
  chart.SetTextItemCount(11);
  for (int i = 0; i < 11; ++i) chart.SetTextCaption(i, QStringLiteral("item %1").arg(i));
  chart.SetTextItemCount(9);
  EXPECT_EQ(chart.TextItemCount(), 9);
  EXPECT_EQ(chart.TextCaption(8), QStringLiteral("item 8"));
  chart.SetTextCaption(9, QStringLiteral("lost"));  // no item 9 any more: ignored
  EXPECT_EQ(chart.TextCaption(9), QString());
  chart.SetTextItemCount(10);
  EXPECT_EQ(chart.TextCaption(9), QString());  // a new item starts empty

  chart.SetTextColor(3, QColor(1, 2, 3));
  chart.SetTextPosition(3, 0.15, 0.91);
  EXPECT_EQ(chart.TextColor(3), QColor(1, 2, 3));
  EXPECT_EQ(chart.TextHorizontal(3), 0.15);
  EXPECT_EQ(chart.TextVertical(3), 0.91);
}

TEST_F(StripChartTest, CaptionsOnOneLineDoNotRunIntoEachOther) {
  const QColor green(0, 255, 0);
  const QColor blue(60, 60, 255);
  chart.SetTextItemCount(3);
  chart.SetTextCaption(1, QStringLiteral("External Temperature 1"));
  chart.SetTextColor(1, green);
  chart.SetTextPosition(1, 0.05, 0.81);
  chart.SetTextCaption(2, QStringLiteral("External Temperature 2"));
  chart.SetTextColor(2, blue);
  chart.SetTextPosition(2, 0.1, 0.81);
  const QImage img = Shot(chart);
  int green_right = -1;
  int blue_left = img.width();
  const QRect plot = chart.PlotRect();
  for (int y = plot.top() + plot.height() / 2; y < img.height(); ++y) {
    for (int x = 0; x < img.width(); ++x) {
      const QColor c = img.pixelColor(x, y);
      if (c.green() > 150 && c.red() < 80 && c.blue() < 80) green_right = std::max(green_right, x);
      if (c.blue() > 150 && c.red() < 100 && c.green() < 100) blue_left = std::min(blue_left, x);
    }
  }
  ASSERT_GE(green_right, 0);
  ASSERT_LT(blue_left, img.width());
  EXPECT_LT(green_right, blue_left);
}

class PaintCounter : public QObject {
 public:
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::Paint) ++paints;
    return false;
  }
  int paints = 0;
};

// Points arriving as fast as the event loop turns cause one paint per interval, not one each.
TEST_F(StripChartTest, RepaintsAtMostOncePerInterval) {
  PaintCounter counter;
  chart.installEventFilter(&counter);
  chart.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&chart));
  QTest::qWait(50);
  counter.paints = 0;

  chart.SetRepaintInterval(40);
  chart.AddPoint(0, 10.0);
  EXPECT_TRUE(chart.RepaintPending());
  EXPECT_EQ(counter.paints, 0);  // nothing is painted from inside AddPoint

  QElapsedTimer clock;
  clock.start();
  int points = 0;
  while (clock.elapsed() < 400) {
    chart.AddPoint(0, points % 100);
    ++points;
    QCoreApplication::processEvents();
  }
  const qint64 elapsed = clock.elapsed();
  QTest::qWait(100);
  EXPECT_GT(points, 100);
  EXPECT_GE(counter.paints, 2);
  EXPECT_LE(counter.paints, elapsed / 40 + 3);
  EXPECT_FALSE(chart.RepaintPending());
  chart.hide();
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
  chart.setAccessibleName(QStringLiteral("chart"));
  EXPECT_EQ(iface->text(QAccessible::Name), QStringLiteral("chart"));
}

}  // namespace
}  // namespace widgets
