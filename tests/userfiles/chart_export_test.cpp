#include <gmock/gmock.h>

#include <QAction>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QStatusBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <chrono>
#include <map>
#include <set>

#include "chart/strip_chart.h"
#include "chip/local_time.h"
#include "chip/reading_history.h"
#include "chip/recording_reader.h"
#include "display/main_form.h"
#include "menus/menu_features.h"
#include "support/rows_read.h"
#include "userfiles/chart_export.h"
#include "userfiles/menu_window_test.h"

namespace {

using ::testing::StartsWith;
using Steady = std::chrono::steady_clock;

std::int64_t Nanos(Steady::time_point t) {
  return std::chrono::nanoseconds(t.time_since_epoch()).count();
}

// The rows are the readings behind the points the chart holds, converted as a recording's are: a
// stalled fan without a speed, a fan's divisor as it was, a channel that joined late empty before.
TEST(ChartHistoryCsv, WritesTheReadingsBehindTheChartsPointsAsARecordingDoes) {
  chart::StripChart chart;
  chip::ReadingHistory readings(4);  // the oldest of five rows goes
  const Steady::time_point t0{std::chrono::hours(1)};
  for (const auto when : {t0 - std::chrono::milliseconds(100), t0}) {
    readings.Add(Nanos(when), 0, chip::channel::kInternal, 30, 1);  // a group the chart let go
    chart.AddPointAt(0, when, 30);
  }
  chart.ClearChart();
  const std::uint8_t fan[] = {0, 255, 135};
  for (int i = 0; i < 3; ++i) {
    const auto when = t0 + std::chrono::milliseconds(250 * (i + 1));
    chart.AddPointAt(2, when, 2.5);
    readings.Add(Nanos(when), 2, chip::channel::kV25, 0xC0, 1);
    if (i > 0) readings.Add(Nanos(when), 0, chip::channel::kFan1, fan[i], 2);
  }
  const std::string csv = userfiles::ChartHistoryCsv(chart, readings);
  const std::string names = "time,seconds,Fan 1 [RPM],Fan 1 raw,+2.5V [V],+2.5V raw\n";
  ASSERT_THAT(csv, StartsWith(names));
  std::vector<std::string> cells;
  for (std::string_view rest = std::string_view(csv).substr(names.size()); !rest.empty();) {
    const std::size_t end = rest.find('\n');
    const std::string_view row = rest.substr(0, end);
    cells.emplace_back(row.substr(row.find(',') + 1));  // the wall time depends on the zone
    rest.remove_prefix(end + 1);
  }
  EXPECT_EQ(cells, (std::vector<std::string>{"0.000,,,2.526,192", "0.250,,255,2.526,192",
                                             "0.500,5000,135,2.526,192"}));
}

// The chart's clock stands still while the machine sleeps: each row keeps the wall time it was
// taken at, before the suspend and after it.
TEST(ChartHistoryCsv, StampsRowsWithTheWallClockOfTheirTimeAcrossASuspend) {
  chart::StripChart chart;
  chip::ReadingHistory readings(10);
  Steady::time_point steady{std::chrono::hours(1)};
  auto wall = std::chrono::system_clock::from_time_t(1796516645);
  chart.SetClock([&] { return steady; });
  chart.SetWallClock([&] { return wall; });
  std::string expected = "time,seconds,Internal [°C],Internal raw\n";
  for (int i = 0; i < 4; ++i) {
    if (i == 2) wall += std::chrono::hours(1);  // asleep for an hour
    chart.AddPoint(0, i);
    readings.Add(Nanos(steady), 0, chip::channel::kInternal, static_cast<std::uint8_t>(i), 1);
    const std::string n = std::to_string(i);
    expected += chip::IsoLocalTime(wall) + ",0." + n + "00," + n + "," + n + "\n";
    steady += std::chrono::milliseconds(100);
    wall += std::chrono::milliseconds(100);
  }
  EXPECT_EQ(userfiles::ChartHistoryCsv(chart, readings), expected);
}

using ChartExportTest = MenuWindowTest;

// Export Chart waits for the chart's first points (without them it would save a blank picture);
// the picture is the chart as drawn with a margin of 12 pixels all round that no axis label
// reaches into, its points go beside it, and the status bar says where it went.
TEST_F(ChartExportTest, WaitsForPointsSavesThePictureWithAMarginAndItsHistory) {
  Run(R"({"0x40": "0x03"})");
  auto* action = window_->findChild<QAction*>(QStringLiteral("action_export_chart"));
  dialogs_.files = {File("early"), File("chart")};
  EXPECT_FALSE(action->isEnabled());
  action->trigger();
  EXPECT_FALSE(QFile::exists(File("early.png")));

  Tabs().setCurrentIndex(2);
  auto& strip = *Find<chart::StripChart>("Strip2");
  QTRY_VERIFY(action->isEnabled() && strip.PointCount(6) >= 3);
  dialogs_.files = {File("chart")};
  const QSize drawn = strip.size();  // the status bar that says where it went takes room after
  action->trigger();
  const QImage picture(File("chart.png"));
  EXPECT_EQ(picture.size(), (drawn + QSize(24, 24)) * strip.devicePixelRatio());
  const int margin = 12 * static_cast<int>(window_->devicePixelRatio());
  for (int y = 0; y < picture.height(); ++y) {
    for (int x = 0; x < picture.width(); ++x) {
      const bool edge = x < margin || y < margin || x >= picture.width() - margin ||
                        y >= picture.height() - margin;
      if (edge) {
        ASSERT_EQ(picture.pixelColor(x, y), QColor(0, 0, 0)) << x << "," << y;
      }
    }
  }
  EXPECT_EQ(window_->statusBar()->currentMessage(),
            QStringLiteral("Chart exported to %1 and its points to %2")
                .arg(QDir::toNativeSeparators(File("chart.png")),
                     QDir::toNativeSeparators(File("chart.csv"))));
  const std::string text = Contents("chart.csv");
  EXPECT_THAT(text, StartsWith("time,seconds,+2.5V [V],+2.5V raw,+Vccp1 [V],+Vccp1 raw,+Vcc [V],"));
  // It opens in the review as a recording does.
  EXPECT_GE(test_support::RowsRead(text).value_or(0), 3);
  EXPECT_TRUE(boxes_.shown.empty());
}

// Each column's values as the recording reader takes them, by caption.
std::map<std::string, std::set<double>> ValuesByCaption(std::string_view text) {
  Recorded recorded;
  chip::RecordingReader(recorded).Feed(text);
  std::map<std::string, std::set<double>> values;
  for (const auto& row : recorded.rows)
    for (const auto& [caption, value] : row)
      if (caption != "INT Status 1") values[caption].insert(value);
  return values;
}

// The points beside the picture replace nothing unasked, and never the recording being written;
// they hold the numbers a recording of the same readings holds.
TEST_F(ChartExportTest, TheCsvBesideThePictureReplacesNothingUnaskedAndHoldsARecordingsNumbers) {
  Run(R"({"0x40": "0x03"})");
  Tabs().setCurrentIndex(2);
  QTRY_VERIFY(Find<chart::StripChart>("Strip2")->PointCount(6) >= 3);
  const QString csv = File("chart.csv");
  const auto text = [this] { return Contents("chart.csv"); };
  ASSERT_TRUE(window_->menu_features().StartRecording(csv, 1000));
  QTRY_VERIFY(text().find("time,") != std::string::npos);
  TriggerWith("action_export_chart", File("chart"));
  ASSERT_FALSE(boxes_.shown.empty());
  EXPECT_EQ(boxes_.shown.back().purpose, QStringLiteral("file_being_recorded"));
  EXPECT_TRUE(text().starts_with("# kelvran-eval"));
  window_->menu_features().recorder().Stop();
  const std::string recorded = text();
  boxes_.answers = {boxes::MsgAnswer::No};
  TriggerWith("action_export_chart", File("chart"));
  EXPECT_EQ(boxes_.shown.back().purpose, QStringLiteral("replace_file"));
  EXPECT_EQ(text(), recorded);

  // The simulated inputs stand still, so every row of either file holds the same readings.
  TriggerWith("action_export_chart", File("points"));
  const auto exported = ValuesByCaption(Contents("points.csv"));
  const auto in_recording = ValuesByCaption(recorded);
  ASSERT_EQ(exported.size(), 6u);
  for (const auto& [caption, values] : exported) {
    ASSERT_TRUE(in_recording.contains(caption)) << caption;
    EXPECT_EQ(values, in_recording.at(caption)) << caption;
  }
}

}  // namespace
