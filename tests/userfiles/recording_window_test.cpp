#include <gmock/gmock.h>

#include <QAction>
#include <QFile>
#include <QStatusBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <map>

#include "display/main_form.h"
#include "menus/menu_features.h"
#include "support/sim_window_test.h"

namespace {

using ::testing::Contains;
using ::testing::HasSubstr;
using ::testing::Not;

std::vector<QString> LinesOf(const QString& path) {
  QFile file(path);
  std::vector<QString> lines;
  if (!file.open(QIODevice::ReadOnly)) return lines;
  const QString text = QString::fromUtf8(file.readAll());
  for (const QString& line : text.split(QLatin1Char('\n'))) lines.push_back(line);
  lines.pop_back();  // after the last '\n': empty, or a row the writer had not finished
  return lines;
}

// Rows under their column names: each row as column name -> cell.
struct Parsed {
  std::vector<QString> comments;
  std::vector<std::map<QString, QString>> rows;
};
Parsed Parse(const std::vector<QString>& lines) {
  Parsed p;
  QStringList names;
  for (const QString& line : lines) {
    if (line.startsWith(QLatin1Char('#'))) {
      p.comments.push_back(line);
      names.clear();
    } else if (names.isEmpty()) {
      names = line.split(QLatin1Char(','));
    } else {
      const QStringList cells = line.split(QLatin1Char(','));
      EXPECT_EQ(cells.size(), names.size()) << line.toStdString();
      std::map<QString, QString> row;
      for (int i = 0; i < names.size() && i < cells.size(); ++i) row[names[i]] = cells[i];
      p.rows.push_back(row);
    }
  }
  return p;
}

class RecordingTest : public SimWindowTest<display::MainForm> {
 protected:
  menus::MenuFeatures& Menu() { return window_->menu_features(); }
  QTabWidget& Tabs() { return *Find<QTabWidget>("Main_Form_Tab"); }
  std::size_t Rows() { return Parse(LinesOf(file_)).rows.size(); }
  QTemporaryDir dir_;
  QString file_ = dir_.filePath(QStringLiteral("rec.csv"));
};

TEST_F(RecordingTest, RowsFollowTheInputsOnEveryTabAndThroughAModeChange) {
  OpenChip(R"({"registers": {"0x40": "0x03"}, "noise": 0,
               "inputs": {"v12": 12.0, "temp_ext1": 40, "fan1_rpm": 4500, "ain1": 1.0}})");
  ASSERT_TRUE(Menu().StartRecording(file_, 5));
  EXPECT_EQ(window_->findChild<QAction*>(QStringLiteral("action_record"))->text(),
            QStringLiteral("Stop Recording"));
  QTRY_VERIFY(Rows() >= 3);
  EXPECT_THAT(Text("recording_indicator").toStdString(), HasSubstr("Recording rec.csv: "));
  // No display cycle reads the status registers on the Main tab: the recorder reads them itself.
  EXPECT_THAT(Take(), Contains(HasSubstr(" R 41 ")));

  Tabs().setCurrentIndex(2);
  QTRY_VERIFY(!Parse(LinesOf(file_)).rows.back()[QStringLiteral("INT Status 1")].isEmpty());
  Tabs().setCurrentIndex(3);
  std::size_t before = Rows();
  QTRY_VERIFY(Rows() > before + 2);
  Chip().Poke(0x16, 0x01);  // FAN1 becomes AIN1
  const auto mode_changed = [](const QString& line) {
    return line.startsWith(QStringLiteral("# channel mode changed to 0x01 at "));
  };
  const auto mode_line_written = [&] {
    const Parsed now = Parse(LinesOf(file_));
    return std::any_of(now.comments.begin(), now.comments.end(), mode_changed);
  };
  QTRY_VERIFY(mode_line_written());
  Tabs().setCurrentIndex(1);
  before = Rows();
  QTRY_VERIFY(Rows() > before + 2);
  // Stopping asks first: No keeps it running.
  boxes_.answers = {boxes::MsgAnswer::No};
  window_->findChild<QAction*>(QStringLiteral("action_record"))->trigger();
  EXPECT_TRUE(Menu().recorder().running());
  ASSERT_FALSE(boxes_.shown.empty());
  EXPECT_EQ(boxes_.shown.back().purpose, QStringLiteral("stop_recording"));
  window_->findChild<QAction*>(QStringLiteral("action_record"))->trigger();
  EXPECT_FALSE(Find("recording_indicator")->isVisible());

  const Parsed p = Parse(LinesOf(file_));
  EXPECT_EQ(std::count_if(p.comments.begin(), p.comments.end(), mode_changed), 1);
  bool fan = false;
  bool ain = false;
  for (const auto& row : p.rows) {
    EXPECT_NEAR(row.at(QStringLiteral("+12V [V]")).toDouble(), 12.0, 0.1);
    EXPECT_EQ(row.at(QStringLiteral("External 1 [°C]")), QStringLiteral("40"));
    if (row.count(QStringLiteral("Fan 1 [RPM]")) != 0) {
      fan = true;
      EXPECT_EQ(row.at(QStringLiteral("Fan 1 [RPM]")), QStringLiteral("4500"));
    } else {
      ain = true;
      EXPECT_NEAR(row.at(QStringLiteral("AIN 1 [V]")).toDouble(), 1.0, 0.02);
    }
  }
  EXPECT_TRUE(fan && ain);
}

// Continuous reading of INT Status 2 on the Read/Write tab clears each alarm bit a moment after it
// latches; a row still carries every alarm that latched since the one before.
TEST_F(RecordingTest, AShortAlarmReachesTheRowBesideContinuousReading) {
  OpenChip(R"({"registers": {"0x40": "0x03", "0x33": "0xD3", "0x34": "0xAB"}, "noise": 0,
               "inputs": {"v12": 12.0}})");
  Tabs().setCurrentIndex(1);
  Click("read_writedisplaytext", 42);  // INT Status 2
  Click("SSRibbon5");
  ASSERT_TRUE(Find<QTimer>("Timer3")->isActive());
  ASSERT_TRUE(Menu().StartRecording(file_, 400));
  Chip().inputs().v12 = 14.5;  // above the high limit, for a moment
  Mark();
  ASSERT_TRUE(QTest::qWaitFor([&] { return SinceMark() >= 3; }));  // read, and so cleared
  Chip().inputs().v12 = 12.0;
  Mark();
  ASSERT_TRUE(QTest::qWaitFor([&] { return SinceMark() >= 3; }));
  EXPECT_EQ(Chip().Peek(0x42) & 0x01, 0);
  QTRY_VERIFY_WITH_TIMEOUT(Rows() >= 3, 3000);
  window_->findChild<QAction*>(QStringLiteral("action_record"))->trigger();

  int alarmed = 0;
  for (const auto& row : Parse(LinesOf(file_)).rows) {
    if (row.at(QStringLiteral("alarms")) == QStringLiteral("+12V")) ++alarmed;
  }
  EXPECT_EQ(alarmed, 1);
}

// A read of the recorder's own that fails skips its row: the rows go on after it, the gap is
// marked once at each end, and nothing reaches the error report.
TEST_F(RecordingTest, ItsOwnFailedReadsLeaveAMarkedGap) {
  OpenChip(R"({"registers": {"0x40": "0x03"}})");
  buslink::sim::Fault fault;
  fault.reg = 0x41;  // on the Main tab only the recorder reads the status registers
  fault.skip = 1;
  fault.times = 2;
  hardware_->AddFault(fault);
  ASSERT_TRUE(Menu().StartRecording(file_, 5));
  QTRY_VERIFY(Rows() >= 4);
  window_->findChild<QAction*>(QStringLiteral("action_record"))->trigger();
  const Parsed p = Parse(LinesOf(file_));
  const auto starting = [&p](const char* text) {
    return std::count_if(p.comments.begin(), p.comments.end(),
                         [text](const QString& l) { return l.startsWith(QLatin1String(text)); });
  };
  EXPECT_EQ(starting("# bus error at "), 1);
  EXPECT_EQ(starting("# resumed at "), 1);
  EXPECT_EQ(starting("# place: smbus/pci-0000:00:1f.4/0x2D"), 1);
  ASSERT_EQ(boxes_.shown.size(), 1u);  // the question before the stop, no report
  EXPECT_EQ(boxes_.shown.front().purpose, QStringLiteral("stop_recording"));
}

TEST_F(RecordingTest, UnwritableFileIsReportedAndMonitoringGoesOn) {
  Open(R"({"0x40": "0x03"})");
  Tabs().setCurrentIndex(2);
  const QString file = dir_.filePath(QStringLiteral("rec.csv/inside.csv"));  // under a file
  QFile(file_).open(QIODevice::WriteOnly);
  EXPECT_FALSE(Menu().StartRecording(file, 10));
  ASSERT_EQ(boxes_.shown.size(), 1U);
  EXPECT_EQ(boxes_.shown[0].purpose, QStringLiteral("recording_failed"));
  EXPECT_THAT(boxes_.shown[0].text.toStdString(),
              HasSubstr(file.toStdString() + ": Not a directory"));
  EXPECT_TRUE(Find<QTimer>("visual_timer")->isActive());
  EXPECT_FALSE(Menu().recorder().running());
}

}  // namespace
