// The Read/Write tab while a recording reads the chip between its own reads.
#include <gmock/gmock.h>

#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>

#include "display/main_form.h"
#include "menus/menu_features.h"
#include "support/sim_window_test.h"

namespace {

class ReadWriteBesideRecordingTest : public SimWindowTest<display::MainForm> {
 protected:
  QString Digits() {  // bit 7 first
    QString s;
    for (int k = 7; k >= 0; --k) s += Text(QStringLiteral("bit%1").arg(k).toLatin1().constData());
    return s;
  }
  QTemporaryDir dir_;
};

// Continuous reading on Company ID (0x41) while a recording reads measurements pinned at 0xAA
// every millisecond: the digits, the hidden value labels and the address stay Company ID's,
// while reading goes on and after it is switched off.
TEST_F(ReadWriteBesideRecordingTest, ContinuousReadingShowsItsOwnRegisterWhileARecordingReads) {
  OpenChip(R"({"registers": {"0x20": "0xAA", "0x21": "0xAA", "0x22": "0xAA", "0x23": "0xAA",
    "0x24": "0xAA", "0x25": "0xAA", "0x26": "0xAA", "0x27": "0xAA", "0x28": "0xAA",
    "0x29": "0xAA", "0x16": "0xAA", "0x47": "0xAA"}})");
  Find<QTabWidget>("Main_Form_Tab")->setCurrentIndex(1);
  Click("read_writedisplaytext", 38);
  ASSERT_EQ(Digits(), "01000001");
  ASSERT_TRUE(window_->menu_features().StartRecording(dir_.filePath(QStringLiteral("r.csv")), 1));
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
  window_->menu_features().recorder().Stop();
}

}  // namespace
