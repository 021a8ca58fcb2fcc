#include <gmock/gmock.h>

#include <QAccessible>
#include <QApplication>

#include "chip/conversions.h"
#include "display/channel_labels.h"
#include "support/legibility.h"
#include "visual_display_fixture.h"

namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

constexpr QRgb kHover = qRgb(0, 255, 0);
constexpr QRgb kChosen = qRgb(0, 128, 0);
constexpr QRgb kChosenHover = qRgb(255, 255, 0);

TEST_F(VisualDisplayTest, Enter_ReadsAnalogOutputAndChannelModeThenLoadsThe12VGauge) {
  Open(R"({"0x19": "0x80", "0x16": "0x00", "0x34": "0xAB", "0x33": "0xD3", "0x24": "0x80"})");
  window_->Enter();

  EXPECT_THAT(Take(), ElementsAre("SMB 2D R 19 80", "SMB 2D R 16 00", "SMB 2D R 34 AB",
                                  "SMB 2D R 33 D3", "SMB 2D R 24 80"));
  EXPECT_EQ(Slider()->value(), 128);  // put there, not written
  EXPECT_EQ(std::vector<QRgb>({Colour(1), Colour(12)}), std::vector<QRgb>(2, kChosen));
  EXPECT_EQ(d_.vd_group_index, 1);
  EXPECT_EQ(d_.vd_channel_index, 12);
  EXPECT_TRUE(VisualTimer()->isActive());
  EXPECT_EQ(VisualTimer()->interval(), 1);
  widgets::LinearGauge* gauge = Gauge();
  EXPECT_EQ(gauge->ScaleMax(), 15.938);
  EXPECT_DOUBLE_EQ(gauge->PointerValue(2), chip::VoltsFromRegister(0xAB, 15.938, 0.062));
  EXPECT_DOUBLE_EQ(gauge->PointerValue(3), chip::VoltsFromRegister(0xD3, 15.938, 0.062));
  EXPECT_EQ(gauge->Caption(), QStringLiteral("8.062V"));
  // FAN1 is a fan: no "AIN 1" legend.
  EXPECT_EQ(
      QStringList({Chart()->TextCaption(0), Chart()->TextCaption(4), Chart()->TextCaption(7)}),
      QStringList({"Voltage", "12V", ""}));
  EXPECT_EQ(Chart()->TextColor(4), Chart()->TraceColor(6));
}

TEST_F(VisualDisplayTest, Enter_MirrorsTheChannelModeInLabelsAndFlags) {
  const struct {
    const char* mode;
    const char* label3;
    const char* label4;
    bool external2, vccp2_and_25v, fan_revs;
    int fan1_flag, fan2_flag, bit2_flag, bit3_flag;
  } cases[] = {
      {"0x00", "Fan 1", "Fan 2", false, true, true, 1, 1, 0, 1},
      {"0x04", "Fan 1", "Fan 2", true, false, true, 1, 1, 1, 1},
      {"0x03", "AIN 1", "AIN 2", false, true, false, 0, 0, 0, 1},
      {"0x0A", "Fan 1", "AIN 2", false, true, true, 1, 0, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mode);
    OpenAndEnter(std::string(R"({"0x16": ")") + c.mode + R"("})");
    EXPECT_EQ(QStringList({Label(3)->text(), Label(4)->text()}), QStringList({c.label3, c.label4}));
    EXPECT_EQ(!Label(14)->isHidden(), c.external2);
    EXPECT_EQ(!Lamp(11)->isHidden(), c.external2);
    for (int row : {7, 9}) EXPECT_EQ(!Label(row)->isHidden(), c.vccp2_and_25v);
    for (int lamp : {1, 5}) EXPECT_EQ(!Lamp(lamp)->isHidden(), c.vccp2_and_25v);
    EXPECT_EQ(!Label(2)->isHidden(), c.fan_revs);
    EXPECT_EQ(std::vector<int>(
                  {d_.fan1_mode_flag, d_.fan2_mode_flag, d_.chmode_bit2_flag, d_.chmode_bit3_flag}),
              std::vector<int>({c.fan1_flag, c.fan2_flag, c.bit2_flag, c.bit3_flag}));
  }
}

// A voltage-group tick reads 0x20..0x25 (0x28/0x29 only as analog inputs), the gauge's value
// register, then the interrupt status, and nothing else.
TEST_F(VisualDisplayTest, Tick_VoltageGroupReadsOnlyItsRegistersInOrder) {
  const struct {
    const char* mode;
    std::vector<std::string> reads;
  } cases[] = {
      {"0x00", {"20", "21", "22", "23", "24", "25", "24", "41", "42", "4D"}},
      {"0x01", {"20", "21", "22", "23", "24", "25", "28", "24", "41", "42", "4D"}},
      {"0x03", {"20", "21", "22", "23", "24", "25", "28", "29", "24", "41", "42", "4D"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mode);
    OpenAndEnter(std::string(R"({"0x16": ")") + c.mode +
                 R"(", "0x20": "0xFF", "0x24": "0x80", "0x28": "0x40"})");
    Tick();
    std::vector<std::string> expected;
    for (const std::string& reg : c.reads) expected.push_back("R " + reg);
    EXPECT_THAT(TakeOps(), ElementsAreArray(expected));
  }
  // The last case plotted the chart's offsets, not the gauge's.
  chart::StripChart* chart = Chart();
  EXPECT_DOUBLE_EQ(chart->LastValue(2), chip::VoltsFromRegister(0xFF, 3.32, 0.013));
  EXPECT_DOUBLE_EQ(chart->LastValue(6), chip::VoltsFromRegister(0x80, 15.938, 0.01));
  EXPECT_DOUBLE_EQ(chart->LastValue(0), chip::VoltsFromRegister(0x40, 2.49, 0.01));
  EXPECT_EQ(chart->PointCount(0), 1);

  // Only a group chosen (no channel): no gauge read. The mode flags stay 0 (both inputs analog)
  // until the tab is entered.
  Open(R"({"0x16": "0x00"})");
  EXPECT_TRUE(ClickLabel(1));
  Mark();
  Tick();
  EXPECT_THAT(TakeOps(), ElementsAre("R 20", "R 21", "R 22", "R 23", "R 24", "R 25", "R 28", "R 29",
                                     "R 41", "R 42", "R 4D"));
}

TEST_F(VisualDisplayTest, Tick_TemperatureGroupPlotsTheSecondDiodeOnlyWhenInUse) {
  for (const bool diode2 : {false, true}) {
    SCOPED_TRACE(diode2);
    OpenAndEnter(std::string(R"({"0x16": ")") + (diode2 ? "0x04" : "0x00") +
                 R"(", "0x27": "0xFE", "0x26": "0x19", "0x20": "0x80"})");
    ClickLabel(0);
    Mark();
    Tick();
    std::vector<std::string> expected = {"SMB 2D R 27 FE", "SMB 2D R 26 19"};
    if (diode2) expected.push_back("SMB 2D R 20 80");
    const std::vector<std::string> lines = Take();
    EXPECT_THAT(std::vector<std::string>(lines.begin(), lines.begin() + std::ssize(expected)),
                ElementsAreArray(expected));
    chart::StripChart* chart = Chart();
    EXPECT_EQ(std::vector<double>({chart->LastValue(0), chart->LastValue(1), chart->LastValue(2)}),
              std::vector<double>({-2.0, 25.0, diode2 ? -128.0 : 0.0}));
    EXPECT_EQ(chart->PointCount(2), diode2 ? 1 : 0);
    EXPECT_EQ(chart->TextCaption(0), QStringLiteral("Temperature"));
    EXPECT_EQ(chart->TextCaption(4), diode2 ? QStringLiteral("External Temperature 2") : QString());
  }
}

TEST_F(VisualDisplayTest, Tick_FanGroupPlotsRpmWithTheDivisorsReadAtSetUp) {
  // FAN1 count 0 with divisor 4 plots 2500; FAN2 count 255 with divisor 2 plots 2647.
  OpenAndEnter(R"({"0x16": "0x00", "0x47": "0x60", "0x28": "0x00", "0x29": "0xFF"})");
  ClickLabel(2);
  EXPECT_THAT(Take(), ElementsAre("SMB 2D R 47 6C"));  // VID pins 0x0C in bits 3:0
  Tick();
  EXPECT_EQ(std::vector<double>({Chart()->LastValue(0), Chart()->LastValue(1)}),
            std::vector<double>({2500.0, 2647.0}));
  EXPECT_EQ(QStringList({Chart()->TextCaption(0), Chart()->TextCaption(2)}),
            QStringList({"R P M", "Fan 1"}));
}

TEST_F(VisualDisplayTest, Tick_FanGroupWithoutFansFreezesUntilTheNextClick) {
  OpenAndEnter(R"({"0x16": "0x03"})");
  // "Fan Revs." is hidden with both inputs analog; its handler still runs from code.
  QMetaObject::invokeMethod(Label(2), "clicked");
  chart::StripChart* chart = Chart();
  EXPECT_EQ(chart->TextCaption(0), QStringLiteral("R P M"));
  for (int item = 1; item < chart->TextItemCount(); ++item) EXPECT_EQ(chart->TextCaption(item), "");
  Mark();
  Tick();
  // The rest of the tick still runs: the +12V gauge and the interrupt status.
  EXPECT_THAT(TakeOps(), ElementsAre("R 24", "R 41", "R 42", "R 4D"));
  EXPECT_FALSE(VisualTimer()->isActive());
  EXPECT_TRUE(ClickLabel(12));
}

TEST_F(VisualDisplayTest, Lamps_FollowTheStatusBitsEveryTick) {
  OpenAndEnter(R"({"0x16": "0x00", "0x41": "0x81", "0x42": "0x10", "0x4D": "0x00"})");
  Tick();
  // INT Status 1 = 0x81: "+2.5V" (5) and "Fan 2" (7) on. Bit 4 of INT Status 2 drives nothing.
  const bool expected[] = {false, false, false, false, false, true,
                           false, true,  false, false, false};
  for (int lamp = 0; lamp <= 10; ++lamp) EXPECT_EQ(Lamp(lamp)->Value(), expected[lamp]) << lamp;
  // On is drawn bright red, off dull green.
  const auto centre = [](QWidget* w) {
    const QImage image = w->grab().toImage();
    return image.pixelColor(image.width() / 2, image.height() / 2);
  };
  EXPECT_EQ(centre(Lamp(5)), widgets::StatusLamp::OnColor());
  EXPECT_EQ(centre(Lamp(0)), widgets::StatusLamp::OffColor());
  EXPECT_GT(widgets::StatusLamp::OffColor().green(), widgets::StatusLamp::OffColor().red());
  EXPECT_GT(widgets::StatusLamp::OnColor().red(), 200);
  Mark();

  // A user's click shows the other state only until the next tick.
  Click(Lamp(0));
  EXPECT_TRUE(Lamp(0)->Value());
  EXPECT_THAT(Take(), IsEmpty());
  Chip().Poke(0x41, 0x7E);
  Chip().Poke(0x42, 0x03);
  Chip().Poke(0x4D, 0x10);
  Tick();
  for (int lamp = 0; lamp <= 10; ++lamp) EXPECT_EQ(Lamp(lamp)->Value(), !expected[lamp]) << lamp;
}

// Each arrow press on the gauge moves the limit register by one step and reaches the chip as a
// new value, Page Up by sixteen; the pointer shows a value that is written as the register.
TEST_F(VisualDisplayTest, GaugeKeys_StepTheLimitRegisterOnceAPress) {
  const struct {
    const char* kind;
    int channel;
    const char* registers;
    int low_register;
    int start;
    int up;  // register change for a step up the scale: a faster fan has a smaller count
    int (*written)(double);
  } cases[] = {
      {"volts", 12, R"({"0x16": "0x00", "0x34": "0x20", "0x33": "0xD3"})", 0x34, 0x20, 1,
       [](double v) { return chip::RegisterFromVolts(v, chip::kScale12V.k_inverse); }},
      {"degrees", 6, R"({"0x16": "0x00", "0x3A": "0x05", "0x39": "0x50"})", 0x3A, 0x05, 1,
       [](double v) { return chip::RegisterFromCelsius(v); }},
      {"rpm", 3, R"({"0x16": "0x00", "0x47": "0x10", "0x3B": "0xC0"})", 0x3B, 0xC0, -1,
       [](double v) { return chip::CountFromRpm(v, 2); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.kind);
    OpenAndEnter(c.registers);
    ClickLabel(c.channel);
    Gauge()->setFocus(Qt::TabFocusReason);  // the low limit
    Mark();
    std::vector<std::string> expected;
    for (const int steps : {1, 2, 3, 2, 18}) {
      expected.push_back("SMB 2D W " + Hex2(c.low_register) + " " + Hex2(c.start + c.up * steps));
    }
    for (const Qt::Key key :
         {Qt::Key_Right, Qt::Key_Right, Qt::Key_Up, Qt::Key_Left, Qt::Key_PageUp}) {
      QTest::keyClick(Gauge(), key);
    }
    std::vector<std::string> low_writes;
    for (const std::string& line : TakeWrites()) {
      if (line.rfind("SMB 2D W " + Hex2(c.low_register), 0) == 0) low_writes.push_back(line);
    }
    EXPECT_EQ(low_writes, expected);
    EXPECT_EQ(c.written(Gauge()->PointerValue(2)), c.start + c.up * 18);
  }

  // The gap rule still keeps the low limit below the high one: +12V, high limit at 0x28.
  OpenAndEnter(R"({"0x16": "0x00", "0x34": "0x20", "0x33": "0x28"})");
  Gauge()->setFocus(Qt::TabFocusReason);
  Mark();
  QTest::keyClick(Gauge(), Qt::Key_Right);
  EXPECT_LT(Gauge()->PointerValue(2), Gauge()->PointerValue(3) - 1.2);
  EXPECT_EQ(TakeWrites().front(),
            "SMB 2D W 34 " +
                Hex2(chip::RegisterFromVolts(Gauge()->PointerValue(2), chip::kScale12V.k_inverse)));
  // Tab goes on to the high limit inside the gauge; End takes it to the top, a key past it
  // writes nothing.
  QTest::keyClick(Gauge(), Qt::Key_Tab);
  QTest::keyClick(Gauge(), Qt::Key_End);
  EXPECT_EQ(TakeWrites().back(), "SMB 2D W 33 FF");
  QTest::keyClick(Gauge(), Qt::Key_Right);
  EXPECT_THAT(TakeWrites(), IsEmpty());
}

// Screen readers name each lamp and the gauge after their channel; a lamp offers no action. Tab
// follows the screen, a group of labels is one stop, the arrows move inside it. The intrusion
// button clears the chassis intrusion and does nothing else.
TEST_F(VisualDisplayTest, LampsGaugeAndTabOrder_FollowTheChannels) {
  OpenAndEnter(R"({"0x16": "0x00"})");
  const auto iface = [](QWidget* w) { return QAccessible::queryAccessibleInterface(w); };
  EXPECT_EQ(iface(Lamp(3))->text(QAccessible::Name), "+12V interrupt");
  EXPECT_EQ(iface(Lamp(10))->text(QAccessible::Name), "Chassis intrusion");
  QAccessibleActionInterface* lamp_actions = iface(Lamp(3))->actionInterface();
  EXPECT_TRUE(lamp_actions == nullptr || lamp_actions->actionNames().isEmpty());
  Lamp(3)->SetValue(true);
  EXPECT_TRUE(iface(Lamp(3))->state().checked);
  EXPECT_EQ(iface(Gauge())->text(QAccessible::Name), "+12V");

  Label(0)->setFocus();
  QStringList order;
  for (int i = 0; i < 7; ++i) {
    order << QApplication::focusWidget()->objectName();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  }
  EXPECT_EQ(order, QStringList({"visualdisplaytext_0", "visualdisplaytext_8", "Intrusion",
                                "limits_gauge", "limits_gauge", "aout_slider", "Command1"}));
  Label(8)->setFocus();
  QTest::keyClick(Label(8), Qt::Key_Down);
  EXPECT_EQ(QApplication::focusWidget(), Label(7));
  ClickLabel(6);
  EXPECT_EQ(iface(Gauge())->text(QAccessible::Name), "Internal");

  EXPECT_EQ(Find("Intrusion")->toolTip(), QStringLiteral("Clear Chassis Intrusion"));
  Mark();
  Click("Intrusion");
  EXPECT_THAT(Take(), ElementsAre("SMB 2D W 46 80"));  // the chassis clear alone
}

// All four states of a channel label read at 4.5:1 against what is drawn behind the text; the
// chosen group and channel also show by a marker.
TEST_F(VisualDisplayTest, Labels_LightUnderTheMouseAndStayChosen) {
  OpenAndEnter(R"({"0x16": "0x00"})");
  const auto reads = [this](int label, bool marked) {
    window_->setFocus();
    const TextLook look = LookOf(window_.get(), Label(label));
    EXPECT_GE(look.contrast, widgets::kReadableContrast) << label;
    EXPECT_EQ(look.marked, marked) << label;
  };
  const QRgb normal = display::NormalLabelColour();
  EXPECT_EQ(Colour(11), normal);
  QTest::mouseMove(Label(11));
  EXPECT_EQ(Colour(11), kHover);
  QTest::mouseMove(Label(10));
  EXPECT_EQ(Colour(11), normal);
  EXPECT_EQ(Colour(10), kHover);
  for (const auto& [label, marked] : {std::pair{10, false}, {11, false}, {1, true}, {12, true}})
    reads(label, marked);

  ClickLabel(10);  // +Vcc on the 3.3V scale
  EXPECT_EQ(Colour(10), kChosenHover);
  reads(10, true);
  EXPECT_EQ(Colour(12), normal);  // the earlier channel is no longer chosen
  EXPECT_EQ(Colour(1), kChosen);  // the chosen group stays
  EXPECT_EQ(Gauge()->ScaleMax(), 4.383);
  EXPECT_THAT(TakeOps(), ElementsAre("R 30", "R 2F", "R 22"));
  // Clicking the chosen label keeps it chosen and loads the pointers again.
  ClickLabel(10);
  EXPECT_EQ(Colour(10), kChosenHover);
  EXPECT_EQ(Take().size(), 3u);

  // Leaving a chosen label marks it chosen again; choosing a group leaves the channel alone.
  QTest::mouseMove(Label(0));
  EXPECT_EQ(Colour(10), kChosen);
  ClickLabel(0);
  EXPECT_EQ(Colour(0), kChosenHover);
  EXPECT_EQ(Colour(10), kChosen);
  EXPECT_EQ(Colour(1), normal);
  // Onto the panel: the label last under the mouse goes back to its state.
  QWidget* panel = Find("SSPanel1");
  QTest::mouseMove(panel, QPoint(2, panel->height() - 2));
  EXPECT_EQ(Colour(0), kChosen);
}

// The printer-port medium writes at each move of a drag, the SMBus once the slider is let go; a
// key press or an accessibility tool setting the value is one user change: exactly one write
// whichever the medium, none when nothing changes, none for a value set by the program.
TEST_F(VisualDisplayTest, Slider_WritesWithTheMediumInUseOnly) {
  for (Medium medium : {Medium::SMBus, Medium::PrinterPort}) {
    const bool pp = medium == Medium::PrinterPort;
    SCOPED_TRACE(pp);
    OpenAndEnter(R"({"0x16": "0x00", "0x19": "0x10"})", medium);
    const std::string write = pp ? "PP 5C W 19 " : "SMB 2D W 19 ";
    channels::AoutSlider* slider = Slider();
    EXPECT_EQ(slider->toolTip(), QStringLiteral("Analog Output Adjust"));
    slider->setValue(100);
    EXPECT_THAT(TakeWrites(), IsEmpty());

    slider->setFocus();
    QTest::keyClick(slider, Qt::Key_End);
    EXPECT_THAT(TakeWrites(), ElementsAre(write + "FF"));
    QTest::keyClick(slider, Qt::Key_Home);
    QTest::keyClick(slider, Qt::Key_Home);
    EXPECT_THAT(TakeWrites(), ElementsAre(write + "00"));

    const QPoint grab(slider->width() / 2, slider->height() - 5);  // the handle, at the bottom
    QTest::mousePress(slider, Qt::LeftButton, {}, grab);
    QTest::mouseMove(slider, grab - QPoint(0, 20));
    const int first = slider->value();
    QTest::mouseMove(slider, grab - QPoint(0, 40));
    QTest::mouseRelease(slider, Qt::LeftButton, {}, grab - QPoint(0, 40));
    const int last = slider->value();
    ASSERT_GT(last, first);
    ASSERT_GT(first, 0);
    std::vector<std::string> expected = {write + Hex2(last)};
    if (pp) expected.insert(expected.begin(), write + Hex2(first));
    EXPECT_EQ(TakeWrites(), expected);
    QAccessible::queryAccessibleInterface(slider)->valueInterface()->setCurrentValue(0xC8);
    EXPECT_THAT(TakeWrites(), ElementsAre(write + "C8"));
  }
}

}  // namespace
