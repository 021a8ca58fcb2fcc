#include <gmock/gmock.h>

#include <QAction>
#include <QFile>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <fstream>
#include <map>

#include "chip/recording_reader.h"
#include "display/main_form.h"
#include "files/recording_file.h"
#include "menus/menu_features.h"
#include "menus/status_report.h"
#include "userfiles/menu_window_test.h"

namespace {

using ::testing::AllOf;
using ::testing::Contains;
using ::testing::HasSubstr;
using ::testing::StartsWith;

class RecordingTest : public MenuWindowTest {
 protected:
  menus::MenuFeatures& Menu() { return window_->menu_features(); }
  Recorded Recording() {
    Recorded recorded;
    chip::RecordingReader reader(recorded);
    reader.Feed(Read().toStdString());  // a row still being written waits for its end
    return recorded;
  }
  std::size_t Rows() { return Recording().rows.size(); }
  QByteArray Read() { return QByteArray::fromStdString(Contents("rec.csv")); }
  QString file_ = File("rec.csv");
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
  QTRY_VERIFY(Recording().rows.back().at("INT Status 1") >= 0);
  Tabs().setCurrentIndex(3);
  std::size_t before = Rows();
  QTRY_VERIFY(Rows() > before + 2);
  Chip().Poke(0x16, 0x01);  // FAN1 becomes AIN1
  const char* const mode_changed = "channel mode changed to 0x01 at ";
  QTRY_VERIFY(Recording().Notes(mode_changed) > 0);
  Tabs().setCurrentIndex(1);
  before = Rows();
  QTRY_VERIFY(Rows() > before + 2);
  // Quitting and stopping ask first: No keeps it running.
  for (const char* action : {"action_quit", "action_record"}) {
    boxes_.answers = {boxes::MsgAnswer::No};
    Trigger(action);
    EXPECT_TRUE(window_->isVisible() && Menu().recorder().running()) << action;
  }
  ASSERT_EQ(boxes_.shown.size(), 2U);
  EXPECT_EQ(boxes_.shown[0].purpose, QStringLiteral("quit_while_recording"));
  EXPECT_THAT(boxes_.shown[0].text.toStdString(), HasSubstr(file_.toStdString()));
  EXPECT_EQ(boxes_.shown[1].purpose, QStringLiteral("stop_recording"));
  Trigger("action_record");
  EXPECT_FALSE(Find("recording_indicator")->isVisible());
  // The status bar says how many rows went where ("rows": there are three or more).
  const std::string said = Menu().status().Said().toStdString();
  EXPECT_THAT(said, StartsWith("Recording stopped: "));
  EXPECT_THAT(said, HasSubstr(" rows in " + file_.toStdString()));
  EXPECT_TRUE(Find("status_bar")->isVisible());

  const Recorded recorded = Recording();
  EXPECT_EQ(recorded.Notes(mode_changed), 1);
  bool fan = false;
  bool ain = false;
  for (const auto& row : recorded.rows) {
    EXPECT_NEAR(row.at("+12V"), 12.0, 0.1);
    fan = fan || row.count("Fan 1") != 0;
    ain = ain || (row.count("AIN 1") != 0 && std::abs(row.at("AIN 1") - 1.0) < 0.02);
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

  const std::vector<std::string> alarms = Recording().alarms;
  EXPECT_EQ(std::count(alarms.begin(), alarms.end(), "+12V"), 1);
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
  Trigger("action_quit");  // and yes, end the recording
  EXPECT_FALSE(window_->isVisible() || Menu().recorder().running());
  const Recorded recorded = Recording();
  EXPECT_EQ(recorded.gaps, 1);
  EXPECT_EQ(recorded.ends, 1);
  EXPECT_EQ(recorded.Notes("place: smbus/pci-0000:00:1f.4/0x2D"), 1);
  ASSERT_EQ(boxes_.shown.size(), 1u);  // the question before the quit, no report
  EXPECT_EQ(boxes_.shown.front().purpose, QStringLiteral("quit_while_recording"));
  EXPECT_TRUE(Read().endsWith('\n')) << "the file ends with a whole row";
}

// Continuous reading on Company ID (0x41) while a recording reads measurements pinned at 0xAA
// every millisecond: the digits, the hidden value labels and the address stay Company ID's,
// while reading goes on and after it is switched off.
TEST_F(RecordingTest, ContinuousReadingShowsItsOwnRegisterWhileARecordingReads) {
  OpenChip(R"({"registers": {"0x20": "0xAA", "0x21": "0xAA", "0x22": "0xAA", "0x23": "0xAA",
    "0x24": "0xAA", "0x25": "0xAA", "0x26": "0xAA", "0x27": "0xAA", "0x28": "0xAA",
    "0x29": "0xAA", "0x16": "0xAA", "0x47": "0xAA"}})");
  Tabs().setCurrentIndex(1);
  Click("read_writedisplaytext", 38);
  ASSERT_EQ(Digits(), "01000001");
  ASSERT_TRUE(Menu().StartRecording(file_, 1));
  Click("SSRibbon5");
  for (int i = 0; i < 20; ++i) {
    QTest::qWait(15);
    ASSERT_EQ(Digits(), "01000001") << "after " << (i + 1) * 15 << " ms";
    ASSERT_EQ(Text("p_Value_read_hex_label"), "41");
    ASSERT_EQ(Text("current_reg_address_label"), "3E");
  }
  Click("SSRibbon5");
  EXPECT_EQ(Digits(), "01000001");
  EXPECT_EQ(Text("p_Value_read_dec_label"), "65");
  EXPECT_EQ(Text("current_reg_address_label"), "3E");
  Menu().recorder().Stop();
}

// A file that holds data is kept and said so (--overwrite replaces it), as is a file that cannot
// be made, while monitoring goes on; the File menu, whose file dialog asked before a file that is
// there was chosen, replaces it. (--append: kelvran's record test and files' own, one writer.)
TEST_F(RecordingTest, DataIsKeptUntilTheMenuReplacesIt) {
  Open(R"({"0x40": "0x03"})");
  Find<QTabWidget>("Main_Form_Tab")->setCurrentIndex(2);
  std::ofstream(file_.toStdString()) << "yesterday's soak\n";
  const QString under_a_file = file_ + QStringLiteral("/inside.csv");
  for (const auto& [file, says] : {std::pair{file_, QStringLiteral("--overwrite")},
                                   std::pair{under_a_file, under_a_file + ": Not a directory"}}) {
    boxes_.shown.clear();
    EXPECT_FALSE(Menu().StartRecording(file, 10));
    ASSERT_EQ(boxes_.shown.size(), 1U);
    EXPECT_EQ(boxes_.shown[0].purpose, QStringLiteral("recording_failed"));
    EXPECT_THAT(boxes_.shown[0].text.toStdString(),
                AllOf(HasSubstr(file.toStdString()), HasSubstr(says.toStdString())));
    EXPECT_TRUE(Find<QTimer>("visual_timer")->isActive());
    EXPECT_FALSE(Menu().recorder().running());
  }
  EXPECT_EQ(Read(), "yesterday's soak\n");

  Menu().SetDialogs(dialogs_);
  dialogs_.files = {file_};
  dialogs_.interval_ms = 10;
  Trigger("action_record");
  ASSERT_TRUE(Menu().recorder().running());
  QTRY_VERIFY(Read().count('\n') >= 9);
  Menu().recorder().Stop();
  EXPECT_TRUE(Read().startsWith("# kelvran-eval ")) << Read().left(40).toStdString();
}

}  // namespace
