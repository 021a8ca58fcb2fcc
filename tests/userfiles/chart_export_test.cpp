#include <gmock/gmock.h>

#include <QAction>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QStatusBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <chrono>

#include "chart/strip_chart.h"
#include "chip/local_time.h"
#include "chip/recording_reader.h"
#include "display/main_form.h"
#include "menus/menu_features.h"
#include "support/rows_read.h"
#include "support/sim_window_test.h"
#include "userfiles/chart_export.h"
#include "userfiles/scripted_feature_dialogs.h"

namespace {

using ::testing::StartsWith;
using Steady = std::chrono::steady_clock;

TEST(ChartHistoryCsv, AlignsTracesOnTheirNewestPoints) {
  chart::StripChart chart;
  const Steady::time_point t0{std::chrono::hours(1)};
  chart.SetTraceName(2, QStringLiteral("2.5V"));
  chart.SetTraceName(5, QStringLiteral("a,b"));
  for (int i = 0; i < 3; ++i) {
    const auto when = t0 + std::chrono::milliseconds(250 * i);
    chart.AddPointAt(2, when, 2.5 + i);
    if (i > 0) chart.AddPointAt(5, when, -1.25);  // a trace that joined one tick late
  }
  const std::string csv = userfiles::ChartHistoryCsv(chart);
  const std::string times = "time,seconds,+2.5V [V],\"a,b []\"\n";
  ASSERT_THAT(csv, StartsWith(times));
  std::vector<std::string> cells;
  for (std::string_view rest = std::string_view(csv).substr(times.size()); !rest.empty();) {
    const std::size_t end = rest.find('\n');
    const std::string_view row = rest.substr(0, end);
    cells.emplace_back(row.substr(row.find(',') + 1));  // the wall time depends on the zone
    rest.remove_prefix(end + 1);
  }
  EXPECT_EQ(cells, (std::vector<std::string>{"0.000000,2.500,", "0.250000,3.500,-1.250",
                                             "0.500000,4.500,-1.250"}));
}

// The chart's clock stands still while the machine sleeps: each row keeps the wall time it was
// taken at, before the suspend and after it.
TEST(ChartHistoryCsv, StampsRowsWithTheWallClockOfTheirTimeAcrossASuspend) {
  chart::StripChart chart;
  Steady::time_point steady{std::chrono::hours(1)};
  auto wall = std::chrono::system_clock::from_time_t(1796516645);
  chart.SetClock([&] { return steady; });
  chart.SetWallClock([&] { return wall; });
  std::string expected = "time,seconds,trace 0 []\n";
  for (int i = 0; i < 4; ++i) {
    if (i == 2) wall += std::chrono::hours(1);  // asleep for an hour
    chart.AddPoint(0, i);
    expected += chip::IsoLocalTime(wall) + ",0." + std::to_string(i) + "00000,";
    expected += std::to_string(i) + ".000\n";
    steady += std::chrono::milliseconds(100);
    wall += std::chrono::milliseconds(100);
  }
  EXPECT_EQ(userfiles::ChartHistoryCsv(chart), expected);
}

class ChartExportTest : public SimWindowTest<display::MainForm> {};

// Export Chart waits for the chart's first points (without them it would save a blank picture);
// the picture is the chart as drawn with a margin of 12 pixels all round that no axis label
// reaches into, its points go beside it, and the status bar says where it went.
TEST_F(ChartExportTest, WaitsForPointsSavesThePictureWithAMarginAndItsHistory) {
  Open(R"({"0x40": "0x03"})");
  ScriptedFeatureDialogs dialogs;
  window_->menu_features().SetDialogs(dialogs);
  auto* action = window_->findChild<QAction*>(QStringLiteral("action_export_chart"));
  QTemporaryDir dir;
  dialogs.files = {dir.filePath(QStringLiteral("early")), dir.filePath(QStringLiteral("chart"))};
  EXPECT_FALSE(action->isEnabled());
  action->trigger();
  EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("early.png"))));

  Find<QTabWidget>("Main_Form_Tab")->setCurrentIndex(2);
  auto& strip = *Find<chart::StripChart>("Strip2");
  QTRY_VERIFY(action->isEnabled() && strip.PointCount(6) >= 3);
  dialogs.files = {dir.filePath(QStringLiteral("chart"))};
  const QSize drawn = strip.size();  // the status bar that says where it went takes room after
  action->trigger();
  const QImage picture(dir.filePath(QStringLiteral("chart.png")));
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
                .arg(QDir::toNativeSeparators(dir.filePath(QStringLiteral("chart.png"))),
                     QDir::toNativeSeparators(dir.filePath(QStringLiteral("chart.csv")))));
  QFile csv(dir.filePath(QStringLiteral("chart.csv")));
  ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
  const std::string text = csv.readAll().toStdString();
  EXPECT_THAT(text, StartsWith("time,seconds,+2.5V [V],+Vccp1 [V],+Vcc [V],+5V [V],+12V [V],"
                               "+Vccp2 [V]"));
  // It opens in the review as a recording does.
  EXPECT_GE(test_support::RowsRead(text).value_or(0), 3);
  EXPECT_TRUE(boxes_.shown.empty());
}

// The points beside the picture replace nothing unasked, and never the recording being written.
TEST_F(ChartExportTest, TheCsvBesideThePictureReplacesNothingUnasked) {
  Open(R"({"0x40": "0x03"})");
  ScriptedFeatureDialogs dialogs;
  window_->menu_features().SetDialogs(dialogs);
  Find<QTabWidget>("Main_Form_Tab")->setCurrentIndex(2);
  QTRY_VERIFY(Find<chart::StripChart>("Strip2")->PointCount(6) >= 3);
  QTemporaryDir dir;
  const QString csv = dir.filePath(QStringLiteral("chart.csv"));
  const auto text = [&csv] {
    QFile f(csv);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  };
  const auto export_chart = [&] {
    dialogs.files = {dir.filePath(QStringLiteral("chart"))};
    window_->findChild<QAction*>(QStringLiteral("action_export_chart"))->trigger();
  };
  ASSERT_TRUE(window_->menu_features().StartRecording(csv, 1000));
  QTRY_VERIFY(text().contains("time,"));
  export_chart();
  ASSERT_FALSE(boxes_.shown.empty());
  EXPECT_EQ(boxes_.shown.back().purpose, QStringLiteral("file_being_recorded"));
  EXPECT_TRUE(text().startsWith("# kelvran-eval"));
  window_->menu_features().recorder().Stop();
  const QByteArray recorded = text();
  boxes_.answers = {boxes::MsgAnswer::No};
  export_chart();
  EXPECT_EQ(boxes_.shown.back().purpose, QStringLiteral("replace_file"));
  EXPECT_EQ(text(), recorded);
}

}  // namespace
