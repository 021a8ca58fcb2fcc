#include "editor/read_write_tab.h"

#include <gmock/gmock.h>

#include <QAccessible>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include "chip/register_catalogue.h"
#include "support/legibility.h"
#include "support/sim_window_test.h"

namespace {

using ::testing::Each;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::StartsWith;

constexpr QRgb kBlack = qRgb(0, 0, 0);
constexpr QRgb kBrightGreen = qRgb(0, 255, 0);
constexpr QRgb kDarkGreen = qRgb(0, 128, 0);
constexpr QRgb kYellow = qRgb(255, 255, 0);
constexpr QRgb kRed = qRgb(255, 0, 0);

class ReadWriteTabTest : public SimWindowTest<editor::ReadWriteTab> {
 protected:
  QLabel* Label(int index) { return Find<QLabel>("read_writedisplaytext", index); }
  QWidget* Digit(int bit) { return Find(QStringLiteral("bit%1").arg(bit)); }
  // A point of the panel itself, clear of the labels in it, where it is in sight (the register
  // lists scroll).
  void MoveMouseOverPanel(const char* name) {
    QWidget* panel = Find(name);
    QTest::mouseMove(panel, QPoint(3, panel->visibleRegion().boundingRect().bottom() - 3));
  }
  void TypeInto(const char* name, const QString& text) {
    auto* box = Find<QLineEdit>(name);
    box->setFocus();
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Delete);
    QTest::keyClicks(box, text);
  }
  QRgb ButtonColour(const char* name) {
    return Find(name)->palette().color(QPalette::Button).rgb();
  }
};

// Each label selects its own register: description, bit names, address and one read of it;
// label 38 shows Company ID at 3E with the digits of 0x41. A description of one line or two, bit
// names short or long: the panels below stay where they are, so the next click lands where the
// user aims (long texts wrap or are cut in place; that the window keeps its size: the layout
// test).
TEST_F(ReadWriteTabTest, EveryLabel_SelectsItsCatalogueRegisterAndMovesNoPanel) {
  Open();
  window_->resize(640, 700);  // narrow: long descriptions wrap
  QApplication::processEvents();
  const QRect bits = Find("SSPanel37")->geometry();
  const QRect write = Find("SSPanel38")->geometry();
  for (const chip::RegisterEntry& entry : chip::AllRegisters()) {
    SCOPED_TRACE(entry.index);
    QLabel* label = Label(entry.index);
    EXPECT_EQ(label->text().toStdString(), entry.caption);
    EXPECT_EQ(label->parentWidget()->property("title").toString().toStdString(),
              chip::PanelCaption(entry.panel));
    EXPECT_EQ(label->cursor().shape(), Qt::PointingHandCursor);
    Click(label);
    EXPECT_EQ(Text("current_reg_type_label").toStdString(), entry.description);
    EXPECT_EQ(Text("current_reg_address_label"), QString::number(entry.address, 16).toUpper());
    const chip::BitNames& names = chip::BitNamesOf(entry.bit_names);
    for (int k = 0; k < 8; ++k)
      EXPECT_EQ(Text("bitname", k).toStdString(), names[static_cast<std::size_t>(k)]);
    EXPECT_THAT(Take(), ElementsAre(StartsWith("SMB 2D R " + Hex2(entry.address) + " ")));
    QApplication::processEvents();
    EXPECT_EQ(Find("SSPanel37")->geometry(), bits);
    EXPECT_EQ(Find("SSPanel38")->geometry(), write);
    if (entry.index != 38) continue;
    EXPECT_EQ(Digits(), "01000001");
    EXPECT_EQ(Text("p_Value_read_hex_label"), "41");
    EXPECT_EQ(Text("p_Value_read_dec_label"), "65");
    EXPECT_FALSE(Find("p_Value_read_hex_label")->isVisible());
  }
  // The placeholder carries the same caption as label 38 but is no register label.
  EXPECT_EQ(Label(0)->text(), "Company ID");
  EXPECT_FALSE(Label(0)->isVisible());
  for (int k = 0; k < 8; ++k) EXPECT_EQ(Digit(k)->cursor().shape(), Qt::PointingHandCursor) << k;
}

// Each of the four states reads at 4.5:1 against what is drawn behind the text, whose colours
// stay those of the states; the selected register also shows by a marker.
TEST_F(ReadWriteTabTest, Colours_FollowHoverClickAndLeavingToAPanelAndReadWell) {
  Open(R"({"0x2B": "0x00"})");
  window_->Enter();
  window_->setFocus();  // no focus frame in the pictures
  Mark();
  const auto reads_well = [this](int label, bool marked) {
    const TextLook look = LookOf(window_.get(), Label(label));
    EXPECT_GE(look.contrast, widgets::kReadableContrast) << label;
    EXPECT_EQ(look.marked, marked) << label;
  };
  // Hovering another label: the selection turns dark green, the new label bright green.
  QTest::mouseMove(Label(20));
  EXPECT_EQ(Colour(Label(11)), kDarkGreen);
  EXPECT_TRUE(Label(11)->font().bold());
  EXPECT_EQ(Colour(Label(20)), kBrightGreen);
  EXPECT_FALSE(Label(20)->font().bold());
  reads_well(11, true);
  reads_well(20, false);
  // Back on the selection: yellow again; the other label black.
  QTest::mouseMove(Label(11));
  EXPECT_EQ(Colour(Label(11)), kYellow);
  EXPECT_EQ(Colour(Label(20)), kBlack);
  reads_well(11, true);
  reads_well(20, false);
  // Clicking another label moves the selection and its bold; clicking it again changes nothing.
  for (int click = 0; click < 2; ++click) {
    QTest::mouseMove(Label(20));
    Click(Label(20));
    EXPECT_EQ(Colour(Label(20)), kYellow);
    EXPECT_TRUE(Label(20)->font().bold());
    EXPECT_EQ(Colour(Label(11)), kBlack);
    EXPECT_FALSE(Label(11)->font().bold());
  }
  // Leaving onto a panel: the selection goes dark green, a merely hovered label black.
  MoveMouseOverPanel("SSPanel4");
  EXPECT_EQ(Colour(Label(20)), kDarkGreen);
  EXPECT_EQ(Find("SSPanel4")->cursor().shape(), Qt::ArrowCursor);
  for (const char* panel :
       {"SSPanel2", "SSPanel4", "SSPanel5", "SSPanel13", "SSPanel37", "SSPanel38"}) {
    QTest::mouseMove(Label(45));
    ASSERT_EQ(Colour(Label(45)), kBrightGreen);
    MoveMouseOverPanel(panel);
    EXPECT_EQ(Colour(Label(45)), kBlack) << panel;
    EXPECT_EQ(Colour(Label(20)), kDarkGreen) << panel;
  }
  // The status panel restores on a click rather than on movement.
  QTest::mouseMove(Label(20));
  EXPECT_EQ(Colour(Label(20)), kYellow);
  QTest::mouseMove(Find("SSPanel7"));
  EXPECT_EQ(Colour(Label(20)), kYellow);
  Click("SSPanel7");
  EXPECT_EQ(Colour(Label(20)), kDarkGreen);
  // The chip is read once per click and never on movement.
  EXPECT_THAT(Take(), ElementsAre("SMB 2D R 2B 00", "SMB 2D R 2B 00"));
}

// A bit click reads afresh, writes with that bit flipped as the digit shows it and reads back:
// "1" clears even when the chip has cleared the bit meanwhile; a register that ignores writes
// shows what it kept.
TEST_F(ReadWriteTabTest, BitClick_ReadsModifiesWritesAndReadsBack) {
  const struct {
    const char* registers;
    int label, poke, bit;
    std::vector<std::string> trace;
    const char* digits;
  } cases[] = {
      {R"({"0x2B": "0x7F"})", 20, -1, 7, {"R 2B 7F", "W 2B FF", "R 2B FF"}, "11111111"},
      {R"({"0x2B": "0x81"})", 20, 0x80, 0, {"R 2B 80", "W 2B 80", "R 2B 80"}, "10000000"},
      {"{}", 38, -1, 1, {"R 3E 41", "W 3E 43", "R 3E 41"}, "01000001"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bit);
    Open(c.registers);
    Click(Label(c.label));
    if (c.poke >= 0) Chip().Poke(0x2B, static_cast<std::uint8_t>(c.poke));
    Mark();
    Click(Digit(c.bit));
    std::vector<std::string> expected;
    for (const std::string& t : c.trace) expected.push_back("SMB 2D " + t);
    EXPECT_EQ(Take(), expected);
    EXPECT_EQ(Digits(), c.digits);
  }
  EXPECT_EQ(Text("p_Value_written_hex_label"), "43");
}

// Hex takes digits up to the first that is not one; decimal takes a number up to the first
// character that is not part of one, halves to even. Either way one write, the other box
// filled, the digits showing the value sent and both buttons green; an edit turns only its own
// button red. A decimal outside 0..255 writes nothing, keeps the button red and says why.
TEST_F(ReadWriteTabTest, TypedValue_WritesOnceAndFillsTheOtherBox) {
  const struct {
    const char* box;
    const char* typed;
    const char* written;  // nullptr: refused
    const char* other;
  } cases[] = {
      {"Text6", "1G", "01", "1"},    {"Text6", "", "00", "0"},      {"Text6", "G1", "00", "0"},
      {"Text6", "fE", "FE", "254"},  {"Text6", "FFF", "FF", "255"}, {"Text7", "2.5", "02", "2"},
      {"Text7", "3.5", "04", "4"},   {"Text7", "43x", "2B", "2B"},  {"Text7", "1e2", "64", "64"},
      {"Text7", "-.4", "00", "0"},   {"Text7", "abc", "00", "0"},   {"Text7", "999", nullptr, ""},
      {"Text7", "-12", nullptr, ""}, {"Text7", "256", nullptr, ""},
  };
  Open(R"({"0x2B": "0x5A"})");
  Click(Label(20));
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.box) + " " + c.typed);
    const bool hex = c.box[4] == '6';
    boxes_.shown.clear();
    Mark();
    TypeInto(c.box, QString::fromLatin1(c.typed));
    EXPECT_EQ(ButtonColour(hex ? "Command4" : "Command5"), kRed);
    EXPECT_NE(ButtonColour(hex ? "Command5" : "Command4"), kRed);
    Click(hex ? "Command4" : "Command5");
    if (c.written == nullptr) {
      EXPECT_THAT(Take(), IsEmpty());
      EXPECT_EQ(ButtonColour("Command5"), kRed);
      EXPECT_EQ(Find<QLineEdit>("Text7")->text(), c.typed);
      ASSERT_EQ(boxes_.shown.size(), 1u);
      EXPECT_TRUE(boxes_.shown[0].text.contains(QLatin1String("0 to 255")));
      EXPECT_TRUE(boxes_.shown[0].text.contains(QLatin1String(c.typed)));
      continue;
    }
    EXPECT_THAT(Take(), ElementsAre(std::string("SMB 2D W 2B ") + c.written));
    EXPECT_EQ(Find<QLineEdit>(hex ? "Text7" : "Text6")->text(), c.other);
    const int value = QString::fromLatin1(c.written).toInt(nullptr, 16);
    EXPECT_EQ(Digits(), QStringLiteral("%1").arg(value, 8, 2, QLatin1Char('0')));
    EXPECT_EQ(Text("p_Value_read_hex_label"), "5A");  // the value sent, not read back
    EXPECT_EQ(ButtonColour("Command4"), kBrightGreen);
    EXPECT_EQ(ButtonColour("Command5"), kBrightGreen);
    EXPECT_THAT(boxes_.shown, IsEmpty());
  }
}

// Entering selects label 11 (Vccp1) with continuous reading off; the switch re-reads the
// selected register on each tick until the tab is left, and says it is off on return.
TEST_F(ReadWriteTabTest, ContinuousReading_RereadsTheSelectionUntilTheTabIsLeft) {
  Open(R"({"0x21": "0x11", "0x2B": "0x22"})");
  window_->Enter();  // (label 11 in the selection's colour and bold: the Colours test)
  EXPECT_EQ(Text("current_reg_type_label"), "Vccp1 Measured");
  EXPECT_EQ(Digits(), "00010001");
  EXPECT_EQ(Text("SSPanel7"), "Continuous Reading is Off");
  EXPECT_THAT(Take(), ElementsAre("SMB 2D R 21 11"));
  auto* ribbon = Find<QPushButton>("SSRibbon5");
  auto* timer = Find<QTimer>("Timer3");
  Click(ribbon);
  EXPECT_EQ(Text("SSPanel7"), "Continuous Reading is On");
  EXPECT_TRUE(timer->isActive());
  ASSERT_TRUE(QTest::qWaitFor([&] { return SinceMark() >= 3; }));
  EXPECT_THAT(Take(), Each(std::string("SMB 2D R 21 11")));
  // The chip changes: the next ticks show it.
  Chip().Poke(0x21, 0xF0);
  ASSERT_TRUE(QTest::qWaitFor([&] { return Digits() == "11110000"; }));
  // Another label changes what the ticks read.
  Click(Label(20));
  Mark();
  ASSERT_TRUE(QTest::qWaitFor([&] { return SinceMark() >= 2; }));
  EXPECT_THAT(Take(), Each(std::string("SMB 2D R 2B 22")));

  // Leaving the tab stops it without moving the switch; coming back says it is off.
  window_->StopTimer();
  EXPECT_FALSE(timer->isActive());
  window_->Enter();
  EXPECT_EQ(Text("SSPanel7"), "Continuous Reading is Off");
  EXPECT_TRUE(ribbon->isChecked());
  EXPECT_FALSE(timer->isActive());
  EXPECT_THAT(Take(), ElementsAre("SMB 2D R 21 F0"));
  // The switch turned off, then on again by keyboard, restarts it.
  Click(ribbon);
  EXPECT_FALSE(timer->isActive());
  ribbon->setFocus();
  QTest::keyClick(ribbon, Qt::Key_Space);
  EXPECT_EQ(Text("SSPanel7"), "Continuous Reading is On");
  EXPECT_TRUE(timer->isActive());
  Click(ribbon);
}

// Without a mouse: screen readers read a digit with its bit and name, the register names as a list
// whose selected item is the register shown, and the two update buttons told apart. (Space on a
// focused label or digit, or its press action, doing what a click does: the e2e walk picks 2Bh and
// flips its bit 0 by keys on X11 and by those actions on Wayland.)
TEST_F(ReadWriteTabTest, LabelsAndDigits_WorkByScreenReadersAndKeys) {
  Open(R"({"0x2B": "0x00", "0x40": "0x01"})");
  Click(Label(40));
  QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(Label(40));
  EXPECT_EQ(iface->text(QAccessible::Name), "Configuration 1");
  const auto name = [](QWidget* w) {
    return QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name);
  };
  EXPECT_EQ(name(Digit(0)), "Bit 0, START, 1");
  EXPECT_EQ(Text("bit0"), "1");
  EXPECT_EQ(iface->role(), QAccessible::ListItem);
  EXPECT_EQ(iface->text(QAccessible::Description), "Address 0x40");
  EXPECT_TRUE(iface->state().selected);
  EXPECT_FALSE(QAccessible::queryAccessibleInterface(Label(20))->state().selected);
  EXPECT_NE(
      QAccessible::queryAccessibleInterface(Find("Command4"))->text(QAccessible::Description),
      QAccessible::queryAccessibleInterface(Find("Command5"))->text(QAccessible::Description));

  // The register names and the digits are one Tab stop each, in screen order; the arrow keys
  // move inside them.
  Label(1)->setFocus();
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
  QWidget* second = QApplication::focusWidget();
  ASSERT_NE(second, Label(1));
  EXPECT_TRUE(second->objectName().startsWith("read_writedisplaytext_"));
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), Digit(7));
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
  EXPECT_EQ(QApplication::focusWidget(), Digit(6));
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), Find("Text6"));
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
  EXPECT_EQ(QApplication::focusWidget(), second) << "back to the register last used";
}

}  // namespace
