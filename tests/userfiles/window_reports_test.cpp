// What the main window tells about the chip and about what its menu did: the tab in front shows
// the chip after a restore wrote behind its back, the status bar says what each action did and
// where (a recording's stop: RecordingTest), and while START is clear that the chip is not
// monitoring.
#include <gmock/gmock.h>

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <map>

#include "boxes/interval_dialog.h"
#include "channels/aout_slider.h"
#include "chip/snapshot.h"
#include "display/main_form.h"
#include "menus/menu_features.h"
#include "menus/status_report.h"
#include "userfiles/menu_window_test.h"
#include "widgets/linear_gauge.h"
#include "widgets/toggle_switch.h"

namespace {

using ::testing::HasSubstr;

class WindowReportsTest : public MenuWindowTest {
 protected:
  // A snapshot of the chip as it is, saved by the menu, with some registers changed in the file.
  void SaveSnapshotWith(const char* name, const std::map<int, int>& changes) {
    TriggerWith("action_save_snapshot", File(name));
    QFile f(File(name));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    chip::Snapshot snapshot = chip::ParseSnapshot(f.readAll().toStdString());
    f.close();
    for (chip::SavedRegister& saved : snapshot.registers) {
      const auto change = changes.find(saved.address);
      if (change != changes.end()) saved.value = static_cast<std::uint8_t>(change->second);
    }
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(QByteArray::fromStdString(chip::FormatSnapshot(snapshot)));
  }
  QString Said() { return window_->menu_features().status().Said(); }
  QLabel* NotMonitoringNote() {
    return window_->findChild<QLabel*>(QStringLiteral("not_monitoring_note"));
  }
};

// The tab in front shows the chip after a restore wrote behind its back; the status bar says what
// a save and a restore did, and where.
TEST_F(WindowReportsTest, TheTabInFrontShowsWhatARestoreWrote) {
  Run(R"({"0x40": "0x01", "0x16": "0x00", "0x19": "0x10", "0x33": "0xD3", "0x34": "0xAB"})");
  SaveSnapshotWith("then.json", {});
  SaveSnapshotWith("start.json", {{0x40, 0x03}});
  EXPECT_EQ(Said(), QStringLiteral("Snapshot saved: 50 registers to ") + File("start.json"));
  SaveSnapshotWith("s.json",
                   {{0x40, 0x03}, {0x16, 0x0F}, {0x19, 0x80}, {0x33, 0xC0}, {0x34, 0x90}});
  Tabs().setCurrentIndex(1);
  Click("read_writedisplaytext", 40);  // Configuration 1
  EXPECT_EQ(Text("bit1"), QStringLiteral("0"));
  TriggerWith("action_restore_snapshot", File("start.json"));
  EXPECT_EQ(Said(), QStringLiteral("Restored 1 register from ") + File("start.json") +
                        QStringLiteral(", read back as written"));
  EXPECT_EQ(Text("bit1"), QStringLiteral("1"));
  EXPECT_EQ(Text("bit0"), QStringLiteral("1"));

  Tabs().setCurrentIndex(3);
  auto* fan1 = Find<widgets::ToggleSwitch>("fan1_ain1_toggle");
  ASSERT_FALSE(fan1->Value());
  TriggerWith("action_restore_snapshot", File("s.json"));
  EXPECT_EQ(Said(), QStringLiteral("Restored 4 registers from ") + File("s.json") +
                        QStringLiteral(", each read back as written"));
  EXPECT_TRUE(fan1->Value());
  EXPECT_FALSE(Find<widgets::ToggleSwitch>("fan2_ain2_toggle_1")->Value());
  EXPECT_TRUE(Find<widgets::ToggleSwitch>("Vcc_33_5_toggle")->Value());

  Tabs().setCurrentIndex(2);
  ASSERT_TRUE(Find("visualdisplaytext", 14)->isVisible()) << "External 2 comes with the diode";
  TriggerWith("action_restore_snapshot", File("then.json"));
  QApplication::processEvents();
  EXPECT_FALSE(Find("visualdisplaytext", 14)->isVisible());
  EXPECT_TRUE(Find("visualdisplaytext", 7)->isVisible());
  EXPECT_EQ(Find<channels::AoutSlider>("aout_slider")->value(), 0x10);
  auto* gauge = Find<widgets::LinearGauge>("limits_gauge");
  // The +12V limits as the gauge shows them: 15.938 / 255 a count, 0.062 above zero.
  EXPECT_NEAR(gauge->PointerValue(3), 0xD3 * 15.938 / 255 + 0.062, 0.001);
  EXPECT_NEAR(gauge->PointerValue(2), 0xAB * 15.938 / 255 + 0.062, 0.001);
}

// (The Help menu's key beside Contents: main_form_test, with how tools read it.)
TEST(IntervalDialog, TheCaptionShowsNoAmpersand) {
  boxes::IntervalDialog dialog;
  for (QLabel* label : dialog.findChildren<QLabel*>()) {
    if (!label->text().contains(QStringLiteral("every"))) continue;
    // A label with a buddy shows "&e" as an underlined e, and Alt+E goes to the number.
    EXPECT_EQ(label->buddy(), dialog.findChild<QSpinBox*>()) << label->text().toStdString();
  }
}

// ---- A chip at rest is pointed out ----

TEST_F(WindowReportsTest, NotMonitoring_ShownWhileStartIsClearAndGoneOnceItIsSet) {
  for (const bool easy_setup : {false, true}) {
    SCOPED_TRACE(easy_setup ? "EasySetup" : "START set on the Read/Write tab");
    Run(R"({"0x40": "0x00"})");
    EXPECT_EQ(NotMonitoringNote(), nullptr) << "nothing is known before Configuration 1 is read";
    boxes_.answers = {boxes::MsgAnswer::No};  // the start notice
    Tabs().setCurrentIndex(2);
    ASSERT_NE(NotMonitoringNote(), nullptr);
    EXPECT_TRUE(NotMonitoringNote()->isVisible());
    EXPECT_THAT(NotMonitoringNote()->text().toStdString(), HasSubstr("EasySetup"));
    EXPECT_THAT(NotMonitoringNote()->text().toStdString(), HasSubstr("Read/Write"));
    if (easy_setup) {
      Click("Command1");  // writes Configuration 1 = 03
    } else {
      Tabs().setCurrentIndex(1);
      Click("read_writedisplaytext", 40);
      Click("bit0");
    }
    EXPECT_FALSE(NotMonitoringNote()->isVisible());
  }
}

}  // namespace
