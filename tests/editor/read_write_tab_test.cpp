#include "editor/read_write_tab.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QAccessible>
#include <QCursor>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "access/register_catalogue.h"
#include "buslink/bus_trace.h"
#include "buslink/sim/simulated_hardware.h"
#include "support/qstring_printer.h"
#include "support/scripted_message_boxes.h"

namespace {

using ::testing::Each;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

std::string Hex2(int value) {
  return QStringLiteral("%1").arg(value, 2, 16, QLatin1Char('0')).toUpper().toStdString();
}

constexpr QRgb kBlack = qRgb(0, 0, 0);
constexpr QRgb kBrightGreen = qRgb(0, 255, 0);
constexpr QRgb kDarkGreen = qRgb(0, 128, 0);
constexpr QRgb kYellow = qRgb(255, 255, 0);
constexpr QRgb kRed = qRgb(255, 0, 0);

// The tab on a simulated SMBus chip at 0x2D whose registers are pinned (START stays clear, so
// nothing converts), with every transfer kept in a trace.
class ReadWriteTabTest : public ::testing::Test {
 protected:
  void Start(const std::string& registers_json = "{}") {
    const std::string scenario = R"({"smbus": {"present": true, "chips": [{"address": "0x2D"}]},
                                     "chip": {"registers": )" +
                                 registers_json + "}}";
    trace_.KeepLines(true);
    hardware_ = std::make_unique<buslink::sim::SimulatedHardware>(
        buslink::sim::Scenario::FromJson(scenario, "test"), &trace_);
    d_.backend = hardware_.get();
    d_.comms_medium = 0;
    d_.device_address = 0x2D;
    tab_ = std::make_unique<editor::ReadWriteTab>(d_, boxes_);
    tab_->resize(1000, 600);
    tab_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(tab_.get()));
  }

  template <class T = QWidget>
  T* Find(const QString& name) {
    T* w = tab_->findChild<T*>(name);
    EXPECT_NE(w, nullptr) << name.toStdString();
    return w;
  }
  QLabel* Label(int index) {
    return Find<QLabel>(QStringLiteral("read_writedisplaytext_%1").arg(index));
  }
  QLabel* Digit(int bit) { return Find<QLabel>(QStringLiteral("bit%1").arg(bit)); }
  QString Digits() {  // bit 7 first
    QString s;
    for (int k = 7; k >= 0; --k) s += Digit(k)->text();
    return s;
  }
  QString Text(const char* name) { return Find<QLabel>(QString::fromLatin1(name))->text(); }

  static QRgb Colour(const QLabel* label) {
    return label->palette().color(QPalette::WindowText).rgb();
  }
  static QRgb ButtonColour(const QPushButton* button) {
    return button->palette().color(QPalette::Button).rgb();
  }

  // The mouse as the user moves it: through the window system, to whatever lies under the point.
  void MoveMouseOver(QWidget* w, QPoint pos = {}) {
    QTest::mouseMove(w, pos.isNull() ? w->rect().center() : pos);
  }
  // A point of the panel itself, clear of the labels in it.
  void MoveMouseOverPanel(const char* name) {
    auto* panel = Find<QWidget>(QString::fromLatin1(name));
    MoveMouseOver(panel, QPoint(3, panel->height() - 3));
  }
  void Click(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton); }
  void TypeInto(const char* name, const QString& text) {
    auto* box = Find<QLineEdit>(QString::fromLatin1(name));
    box->setFocus();
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Delete);
    QTest::keyClicks(box, text);
  }
  std::vector<std::string> TakeTrace() {
    std::vector<std::string> lines = trace_.Lines();
    trace_.ClearLines();
    return lines;
  }
  buslink::sim::Chip& ChipAt2D() { return *hardware_->SMBusChip(0x2D); }

  buslink::BusTrace trace_;
  std::unique_ptr<buslink::sim::SimulatedHardware> hardware_;
  devaccess::Declarations d_;
  ScriptedMessageBoxes boxes_;
  std::unique_ptr<editor::ReadWriteTab> tab_;
};

TEST_F(ReadWriteTabTest, CompanyIdLabel_ShowsDescriptionAddressAndDigits) {
  Start();
  Click(Label(38));

  EXPECT_EQ(Text("current_reg_type_label"), "Company ID");
  EXPECT_EQ(Text("current_reg_address_label"), "3E");
  EXPECT_EQ(Digits(), "01000001");
  EXPECT_EQ(Text("p_Value_read_hex_label"), "41");
  EXPECT_EQ(Text("p_Value_read_dec_label"), "65");
  EXPECT_EQ(Text("p_Value_written_hex_label"), "0");
  EXPECT_EQ(Text("p_Value_written_dec_label"), "0");
  EXPECT_FALSE(Find<QLabel>("p_Value_read_hex_label")->isVisible());
  EXPECT_THAT(TakeTrace(), ElementsAre("SMB 2D R 3E 41"));
}

// Each label selects its own register: description, bit names, address and one read of it.
TEST_F(ReadWriteTabTest, EveryLabel_SelectsItsCatalogueRegister) {
  Start();
  for (const devaccess::RegisterEntry& entry : devaccess::AllRegisters()) {
    SCOPED_TRACE(entry.index);
    QLabel* label = Label(entry.index);
    EXPECT_EQ(label->text().toStdString(), entry.caption);
    EXPECT_EQ(label->parentWidget()->property("title").toString().toStdString(),
              devaccess::PanelCaption(entry.panel));
    EXPECT_EQ(label->cursor().shape(), Qt::PointingHandCursor);
    Click(label);
    EXPECT_EQ(Text("current_reg_type_label").toStdString(), entry.description);
    EXPECT_EQ(Text("current_reg_address_label"), QString::number(entry.address, 16).toUpper());
    const devaccess::BitNames& names = devaccess::BitNamesOf(entry.bit_names);
    for (int k = 0; k < 8; ++k) {
      EXPECT_EQ(Text(QStringLiteral("bitname_%1").arg(k).toLatin1().constData()).toStdString(),
                names[static_cast<std::size_t>(k)]);
    }
    const std::vector<std::string> lines = TakeTrace();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].substr(0, 12), "SMB 2D R " + Hex2(entry.address) + " ");
  }
  // The placeholder carries the same caption as label 38 but is no register label.
  EXPECT_EQ(Label(0)->text(), "Company ID");
  EXPECT_FALSE(Label(0)->isVisible());
}

TEST_F(ReadWriteTabTest, Enter_SelectsVccp1AndSwitchesReadingOff) {
  Start(R"({"0x21": "0x9A"})");
  tab_->Enter();

  EXPECT_EQ(Colour(Label(11)), kYellow);
  EXPECT_TRUE(Label(11)->font().bold());
  EXPECT_EQ(Text("current_reg_type_label"), "Vccp1 Measured");
  EXPECT_EQ(Digits(), "10011010");
  EXPECT_EQ(Text("SSPanel7"), "Continuous Reading is Off");
  EXPECT_EQ(d_.hover_label_index, 11);
  EXPECT_THAT(TakeTrace(), ElementsAre("SMB 2D R 21 9A"));
}

TEST_F(ReadWriteTabTest, Colours_FollowHoverClickAndLeavingToAPanel) {
  Start(R"({"0x2B": "0x00"})");
  tab_->Enter();
  TakeTrace();

  // Hovering another label: the selection turns dark green, the new label bright green.
  MoveMouseOver(Label(20));
  EXPECT_EQ(Colour(Label(11)), kDarkGreen);
  EXPECT_TRUE(Label(11)->font().bold());
  EXPECT_EQ(Colour(Label(20)), kBrightGreen);
  EXPECT_FALSE(Label(20)->font().bold());

  // Back on the selection: yellow again; the other label black.
  MoveMouseOver(Label(11));
  EXPECT_EQ(Colour(Label(11)), kYellow);
  EXPECT_EQ(Colour(Label(20)), kBlack);

  // Clicking another label moves the selection and its bold.
  MoveMouseOver(Label(20));
  Click(Label(20));
  EXPECT_EQ(Colour(Label(20)), kYellow);
  EXPECT_TRUE(Label(20)->font().bold());
  EXPECT_EQ(Colour(Label(11)), kBlack);
  EXPECT_FALSE(Label(11)->font().bold());

  // Clicking the selected label again keeps everything as it was.
  Click(Label(20));
  EXPECT_EQ(Colour(Label(20)), kYellow);
  EXPECT_TRUE(Label(20)->font().bold());

  // Leaving onto a panel: the selection goes dark green, a merely hovered label black.
  MoveMouseOverPanel("SSPanel4");
  EXPECT_EQ(Colour(Label(20)), kDarkGreen);
  EXPECT_EQ(Find<QWidget>("SSPanel4")->cursor().shape(), Qt::ArrowCursor);
  MoveMouseOver(Label(45));
  EXPECT_EQ(Colour(Label(45)), kBrightGreen);
  MoveMouseOverPanel("SSPanel38");
  EXPECT_EQ(Colour(Label(45)), kBlack);
  EXPECT_EQ(Colour(Label(20)), kDarkGreen);

  // The status panel restores on a click rather than on movement.
  MoveMouseOver(Label(20));
  EXPECT_EQ(Colour(Label(20)), kYellow);
  MoveMouseOver(Find<QWidget>("SSPanel7"));
  EXPECT_EQ(Colour(Label(20)), kYellow);
  Click(Find<QWidget>("SSPanel7"));
  EXPECT_EQ(Colour(Label(20)), kDarkGreen);

  // Hovering and clicking twice reads the chip once per click and never on movement.
  EXPECT_THAT(TakeTrace(), ElementsAre("SMB 2D R 2B 00", "SMB 2D R 2B 00"));
}

TEST_F(ReadWriteTabTest, EveryPanelRestoresTheLabel) {
  Start();
  for (const char* panel :
       {"SSPanel2", "SSPanel4", "SSPanel5", "SSPanel13", "SSPanel37", "SSPanel38"}) {
    SCOPED_TRACE(panel);
    MoveMouseOver(Label(3));
    ASSERT_EQ(Colour(Label(3)), kBrightGreen);
    MoveMouseOverPanel(panel);
    EXPECT_EQ(Colour(Label(3)), kBlack);
  }
}

TEST_F(ReadWriteTabTest, BitDigits_ShowTheHandPointer) {
  Start();
  for (int k = 0; k < 8; ++k) EXPECT_EQ(Digit(k)->cursor().shape(), Qt::PointingHandCursor) << k;
}

TEST_F(ReadWriteTabTest, Bit7OnA7FRegister_WritesFFAndReadsBack) {
  Start(R"({"0x2B": "0x7F"})");
  Click(Label(20));  // 2.5V/Ext.Temp. High, 0x2B
  ASSERT_EQ(Digits(), "01111111");
  TakeTrace();

  Click(Digit(7));

  EXPECT_THAT(TakeTrace(), ElementsAre("SMB 2D R 2B 7F", "SMB 2D W 2B FF", "SMB 2D R 2B FF"));
  EXPECT_EQ(Digits(), "11111111");
  EXPECT_EQ(ChipAt2D().Peek(0x2B), 0xFF);
  EXPECT_EQ(Text("p_Value_written_hex_label"), "FF");
}

// The digit as shown decides: "1" clears, even when the chip has cleared the bit meanwhile.
TEST_F(ReadWriteTabTest, BitShownSet_ClearsEvenWhenTheFreshReadFindsItClear) {
  Start(R"({"0x2B": "0x81"})");
  Click(Label(20));
  ASSERT_EQ(Digit(0)->text(), "1");
  ChipAt2D().Poke(0x2B, 0x80);
  TakeTrace();

  Click(Digit(0));

  EXPECT_THAT(TakeTrace(), ElementsAre("SMB 2D R 2B 80", "SMB 2D W 2B 80", "SMB 2D R 2B 80"));
  EXPECT_EQ(Digits(), "10000000");
}

// A bit the chip does not take returns to its old digit after the read-back.
TEST_F(ReadWriteTabTest, BitOnReadOnlyRegister_ShowsWhatTheChipKept) {
  Start();
  Click(Label(38));
  TakeTrace();

  Click(Digit(1));

  EXPECT_THAT(TakeTrace(), ElementsAre("SMB 2D R 3E 41", "SMB 2D W 3E 43", "SMB 2D R 3E 41"));
  EXPECT_EQ(Digits(), "01000001");
}

struct TypedCase {
  const char* box;
  const char* button;
  const char* typed;
  const char* written;  // the trace line
  const char* other_box;
  const char* other_text;
  const char* digits;
};

void PrintTo(const TypedCase& c, std::ostream* os) {
  *os << c.box << " \"" << c.typed << '"';
}

class TypedWriteTest : public ReadWriteTabTest, public ::testing::WithParamInterface<TypedCase> {};

TEST_P(TypedWriteTest, WritesOnceAndFillsTheOtherBox) {
  const TypedCase& c = GetParam();
  Start(R"({"0x2B": "0x5A"})");
  Click(Label(20));
  TakeTrace();

  TypeInto(c.box, QString::fromLatin1(c.typed));
  Click(Find<QPushButton>(QString::fromLatin1(c.button)));

  EXPECT_THAT(TakeTrace(), ElementsAre(c.written));
  EXPECT_EQ(Find<QLineEdit>(QString::fromLatin1(c.other_box))->text(), c.other_text);
  EXPECT_EQ(Digits(), c.digits);  // the value sent, not read back
  EXPECT_EQ(Text("p_Value_read_hex_label"), "5A");
  EXPECT_EQ(ButtonColour(Find<QPushButton>("Command4")), kBrightGreen);
  EXPECT_EQ(ButtonColour(Find<QPushButton>("Command5")), kBrightGreen);
  EXPECT_THAT(boxes_.shown, IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    HexAndDecimal, TypedWriteTest,
    ::testing::Values(
        TypedCase{"Text6", "Command4", "1G", "SMB 2D W 2B 01", "Text7", "1", "00000001"},
        TypedCase{"Text6", "Command4", "", "SMB 2D W 2B 00", "Text7", "0", "00000000"},
        TypedCase{"Text6", "Command4", "G1", "SMB 2D W 2B 00", "Text7", "0", "00000000"},
        TypedCase{"Text6", "Command4", "fE", "SMB 2D W 2B FE", "Text7", "254", "11111110"},
        TypedCase{"Text6", "Command4", "FFF", "SMB 2D W 2B FF", "Text7", "255", "11111111"},
        TypedCase{"Text7", "Command5", "2.5", "SMB 2D W 2B 02", "Text6", "2", "00000010"},
        TypedCase{"Text7", "Command5", "3.5", "SMB 2D W 2B 04", "Text6", "4", "00000100"},
        TypedCase{"Text7", "Command5", "255", "SMB 2D W 2B FF", "Text6", "FF", "11111111"},
        TypedCase{"Text7", "Command5", "43x", "SMB 2D W 2B 2B", "Text6", "2B", "00101011"},
        TypedCase{"Text7", "Command5", "1e2", "SMB 2D W 2B 64", "Text6", "64", "01100100"},
        TypedCase{"Text7", "Command5", "-.4", "SMB 2D W 2B 00", "Text6", "0", "00000000"},
        TypedCase{"Text7", "Command5", "abc", "SMB 2D W 2B 00", "Text6", "0", "00000000"}));

TEST_F(ReadWriteTabTest, DecimalOutsideAByte_IsRefusedWithAMessage) {
  Start(R"({"0x2B": "0x5A"})");
  Click(Label(20));
  for (const char* typed : {"999", "-12", "256", "-1"}) {
    SCOPED_TRACE(typed);
    TakeTrace();
    boxes_.shown.clear();
    TypeInto("Text7", QString::fromLatin1(typed));
    Click(Find<QPushButton>("Command5"));

    EXPECT_THAT(TakeTrace(), IsEmpty());
    EXPECT_EQ(ChipAt2D().Peek(0x2B), 0x5A);
    EXPECT_EQ(ButtonColour(Find<QPushButton>("Command5")), kRed);
    EXPECT_EQ(Find<QLineEdit>("Text7")->text(), typed);
    ASSERT_EQ(boxes_.shown.size(), 1u);
    EXPECT_TRUE(boxes_.shown[0].text.contains(QLatin1String("0 to 255")));
    EXPECT_TRUE(boxes_.shown[0].text.contains(QLatin1String(typed)));
  }
}

TEST_F(ReadWriteTabTest, ButtonColours_GreenAfterAWriteRedOnlyBesideTheEditedBox) {
  Start();
  Click(Label(20));
  TypeInto("Text6", "12");
  EXPECT_EQ(ButtonColour(Find<QPushButton>("Command4")), kRed);
  Click(Find<QPushButton>("Command4"));
  EXPECT_EQ(ButtonColour(Find<QPushButton>("Command4")), kBrightGreen);
  EXPECT_EQ(ButtonColour(Find<QPushButton>("Command5")), kBrightGreen);

  TypeInto("Text6", "3");
  EXPECT_EQ(ButtonColour(Find<QPushButton>("Command4")), kRed);
  EXPECT_EQ(ButtonColour(Find<QPushButton>("Command5")), kBrightGreen);

  Click(Find<QPushButton>("Command4"));
  TypeInto("Text7", "7");
  EXPECT_EQ(ButtonColour(Find<QPushButton>("Command4")), kBrightGreen);
  EXPECT_EQ(ButtonColour(Find<QPushButton>("Command5")), kRed);
}

TEST_F(ReadWriteTabTest, ContinuousReading_RereadsTheSelectionUntilTheTabIsLeft) {
  Start(R"({"0x21": "0x11", "0x2B": "0x22"})");
  tab_->Enter();
  auto* ribbon = Find<QPushButton>("SSRibbon5");
  auto* timer = Find<QTimer>("Timer3");
  TakeTrace();

  Click(ribbon);
  EXPECT_EQ(Text("SSPanel7"), "Continuous Reading is On");
  EXPECT_TRUE(timer->isActive());
  EXPECT_EQ(timer->interval(), 1);
  ASSERT_TRUE(QTest::qWaitFor([&] { return trace_.Lines().size() >= 3; }));
  EXPECT_THAT(TakeTrace(), Each(std::string("SMB 2D R 21 11")));

  // The chip changes: the next ticks show it.
  ChipAt2D().Poke(0x21, 0xF0);
  ASSERT_TRUE(QTest::qWaitFor([&] { return Digits() == "11110000"; }));
  EXPECT_EQ(Text("p_Value_read_hex_label"), "F0");

  // Another label changes what the ticks read.
  Click(Label(20));
  TakeTrace();
  ASSERT_TRUE(QTest::qWaitFor([&] { return trace_.Lines().size() >= 2; }));
  EXPECT_THAT(TakeTrace(), Each(std::string("SMB 2D R 2B 22")));

  // Leaving the tab stops it without moving the switch; coming back says it is off.
  tab_->StopTimer();
  TakeTrace();
  QTest::qWait(20);
  EXPECT_THAT(TakeTrace(), IsEmpty());
  tab_->Enter();
  EXPECT_EQ(Text("SSPanel7"), "Continuous Reading is Off");
  EXPECT_TRUE(ribbon->isChecked());
  EXPECT_FALSE(timer->isActive());
  EXPECT_THAT(TakeTrace(), ElementsAre("SMB 2D R 21 F0"));

  // The switch turned off and on again restarts it.
  Click(ribbon);
  EXPECT_EQ(Text("SSPanel7"), "Continuous Reading is Off");
  EXPECT_FALSE(timer->isActive());
  ribbon->setFocus();
  QTest::keyClick(ribbon, Qt::Key_Space);
  EXPECT_EQ(Text("SSPanel7"), "Continuous Reading is On");
  EXPECT_TRUE(timer->isActive());
  Click(ribbon);
}

// Space on a focused label or digit does what a click does.
TEST_F(ReadWriteTabTest, LabelsAndDigits_WorkByKeyboard) {
  Start(R"({"0x2B": "0x00"})");
  Label(20)->setFocus();
  QTest::keyClick(Label(20), Qt::Key_Space);
  EXPECT_EQ(Text("current_reg_type_label"), "2.5V/External Temp. High Limit");
  Digit(4)->setFocus();
  QTest::keyClick(Digit(4), Qt::Key_Space);
  EXPECT_THAT(TakeTrace(),
              ElementsAre("SMB 2D R 2B 00", "SMB 2D R 2B 00", "SMB 2D W 2B 10", "SMB 2D R 2B 10"));
  EXPECT_TRUE(Label(20)->focusPolicy() & Qt::TabFocus);
  EXPECT_TRUE(Digit(4)->focusPolicy() & Qt::TabFocus);
}

// Screen readers read the label's text and can press it like a click.
TEST_F(ReadWriteTabTest, RegisterLabel_OffersItsTextAndAPressAction) {
  Start(R"({"0x40": "0x01"})");
  QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(Label(40));
  ASSERT_NE(iface, nullptr);
  EXPECT_EQ(iface->text(QAccessible::Name), "Configuration 1");
  ASSERT_NE(iface->actionInterface(), nullptr);
  iface->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
  EXPECT_EQ(Text("current_reg_type_label"), "Configuration register 1");
  EXPECT_EQ(Text("bitname_0"), "START");
  EXPECT_THAT(TakeTrace(), ElementsAre("SMB 2D R 40 01"));
}

}  // namespace
