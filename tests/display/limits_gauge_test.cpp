#include <gmock/gmock.h>

#include <cstdio>

#include "chip/conversions.h"
#include "display/gauge_channels.h"
#include "visual_display_fixture.h"

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using widgets::LinearGauge;

std::string Write(const char* device, int reg, int value) {
  char line[32];
  std::snprintf(line, sizeof line, "%s W %02X %02X", device, reg, value);
  return line;
}

TEST_F(VisualDisplayTest, GapRule_MovesLowLimitBelowHigh) {
  OpenAndEnter(R"({"0x16": "0x00", "0x2E": "0x80", "0x2D": "0xC0"})");
  ClickLabel(8);  // +Vccp1
  LinearGauge* gauge = Gauge();
  ASSERT_TRUE(gauge->UserSetPointer(LinearGauge::kHighPointer, 3.4));
  Mark();
  ASSERT_TRUE(gauge->UserSetPointer(LinearGauge::kLowPointer, 3.3));
  // Gaps 0.2152 and 0.2869: 3.3 is above 3.4 - 0.2152, so the pointer goes to 3.4 - 0.2869.
  EXPECT_DOUBLE_EQ(gauge->PointerValue(LinearGauge::kLowPointer), 3.1131);
  EXPECT_DOUBLE_EQ(gauge->BandStart(0), 3.1131);
  EXPECT_DOUBLE_EQ(gauge->BandStart(1), 3.1131);
  EXPECT_DOUBLE_EQ(gauge->PointerValue(LinearGauge::kHighPointer), 3.4);
  EXPECT_THAT(Take(), ElementsAre("SMB 2D W 2E DE", "SMB 2D W 2D F2"));
}

TEST_F(VisualDisplayTest, GapRule_MovesHighLimitAboveLowAndTemperaturesWriteTwosComplement) {
  OpenAndEnter(R"({"0x16": "0x00", "0x3A": "0x00", "0x39": "0x5A", "0x27": "0xFB"})");
  ClickLabel(6);  // Internal: the set-up loads the limits only
  EXPECT_THAT(Take(), ElementsAre("SMB 2D R 3A 00", "SMB 2D R 39 5A"));
  LinearGauge* gauge = Gauge();
  EXPECT_EQ(gauge->ScaleMin(), -128.0);
  EXPECT_EQ(gauge->PointerValue(LinearGauge::kHighPointer), 90.0);

  ASSERT_TRUE(gauge->UserSetPointer(LinearGauge::kHighPointer, 10));
  EXPECT_DOUBLE_EQ(gauge->PointerValue(LinearGauge::kHighPointer), 20.32);
  EXPECT_DOUBLE_EQ(gauge->BandEnd(0), 20.32);
  EXPECT_DOUBLE_EQ(gauge->BandEnd(1), 20.32);
  EXPECT_THAT(TakeWrites(), ElementsAre("SMB 2D W 3A 00", "SMB 2D W 39 14"));
  ASSERT_TRUE(gauge->UserSetPointer(LinearGauge::kLowPointer, -1));
  EXPECT_THAT(TakeWrites(), ElementsAre("SMB 2D W 3A FF", "SMB 2D W 39 14"));
  ASSERT_TRUE(gauge->UserSetPointer(LinearGauge::kLowPointer, -128));
  EXPECT_THAT(TakeWrites(), ElementsAre("SMB 2D W 3A 80", "SMB 2D W 39 14"));
  Tick();  // the reading follows on the next tick
  EXPECT_EQ(gauge->Caption(), QStringLiteral("-5C"));
}

// A press or a click alone writes nothing; the printer port is written at each move of a drag
// (off the handle's row too), the SMBus once when the pointer is let go. Past the end of the
// +2.5V scale the pointer stops at its end, written as 255.
TEST_F(VisualDisplayTest, Gauge_ADragWritesAtEachMoveOnThePrinterPortAndOnceLetGoOnTheSMBus) {
  for (Medium medium : {Medium::SMBus, Medium::PrinterPort}) {
    const bool pp = medium == Medium::PrinterPort;
    SCOPED_TRACE(pp);
    OpenAndEnter(R"({"0x16": "0x00", "0x2C": "0xAB", "0x2B": "0xD3"})", medium);
    ClickLabel(9);
    Mark();
    LinearGauge* gauge = Gauge();
    const QPoint grab = gauge->HandleRect(LinearGauge::kHighPointer).center();
    const QPoint beyond(gauge->PositionOf(gauge->ScaleMax()) + 40, grab.y());
    QTest::mouseClick(gauge, Qt::LeftButton, {},
                      gauge->HandleRect(LinearGauge::kLowPointer).center());
    QTest::mousePress(gauge, Qt::LeftButton, {}, grab);
    EXPECT_THAT(Take(), IsEmpty());
    QTest::mouseMove(gauge, grab + QPoint(20, 30));
    const double moved = gauge->PointerValue(LinearGauge::kHighPointer);
    QTest::mouseMove(gauge, beyond);
    QTest::mouseRelease(gauge, Qt::LeftButton, {}, beyond);

    EXPECT_EQ(gauge->PointerValue(LinearGauge::kHighPointer), 3.32);
    const char* device = pp ? "PP 5C" : "SMB 2D";
    const std::string low = Write(
        device, 0x2C, chip::RegisterFromVolts(chip::VoltsFromRegister(0xAB, 3.32, 0.026), 3.307));
    std::vector<std::string> expected = {low, Write(device, 0x2B, 0xFF)};
    if (pp)
      expected.insert(expected.begin(),
                      {low, Write(device, 0x2B, chip::RegisterFromVolts(moved, 3.307))});
    EXPECT_EQ(TakeWrites(), expected);
  }
}

// A band dragged by its end keeps its start; the other band and both limits follow it.
TEST_F(VisualDisplayTest, Gauge_DraggedBandMovesTheOtherBandAndBothPointers) {
  OpenAndEnter(R"({"0x16": "0x00", "0x32": "0x40", "0x31": "0xF0"})", Medium::PrinterPort);
  ClickLabel(11);  // +5V
  Mark();
  LinearGauge* gauge = Gauge();
  const double start = gauge->BandStart(0);
  const double end = gauge->BandEnd(0);
  const QPoint grab(gauge->PositionOf(end), gauge->TrackRect().top() + 3);  // band 0: upper half
  QTest::mousePress(gauge, Qt::LeftButton, {}, grab);
  QTest::mouseMove(gauge, grab - QPoint(40, 0));
  QTest::mouseRelease(gauge, Qt::LeftButton, {}, grab - QPoint(40, 0));

  const double dragged = gauge->BandEnd(0);
  EXPECT_LT(dragged, end);
  EXPECT_EQ(gauge->BandStart(0), start);
  EXPECT_EQ(gauge->BandStart(1), start);
  EXPECT_EQ(gauge->BandEnd(1), dragged);
  EXPECT_EQ(gauge->PointerValue(LinearGauge::kLowPointer), start);
  EXPECT_EQ(gauge->PointerValue(LinearGauge::kHighPointer), dragged);
  EXPECT_THAT(Take(), ElementsAre(Write("PP 5C", 0x32, chip::RegisterFromVolts(start, 6.614)),
                                  Write("PP 5C", 0x31, chip::RegisterFromVolts(dragged, 6.614))));
}

TEST_F(VisualDisplayTest, Gauge_FanModeHasOneLimitAndNoGapRule) {
  // Divisor 2 from bits 5:4 of 0x47 (bits 3:0 read the VID pins, 0x0C); the limit count 0xA9
  // is 3994 RPM.
  OpenAndEnter(R"({"0x16": "0x00", "0x47": "0x50", "0x3B": "0xA9", "0x28": "0x00"})");
  ClickLabel(3);
  EXPECT_THAT(Take(), ElementsAre("SMB 2D R 47 5C", "SMB 2D R 3B A9", "SMB 2D R 28 00"));
  LinearGauge* gauge = Gauge();
  EXPECT_EQ(gauge->ScaleMin(), 2657.0);
  EXPECT_EQ(gauge->PointerValue(LinearGauge::kLowPointer), 3994.0);
  EXPECT_EQ(gauge->Caption(), QStringLiteral("10074RPM"));  // count 0 is over-speed
  for (int slot : {0, 1, 3}) EXPECT_FALSE(gauge->SlotVisible(slot)) << slot;
  EXPECT_FALSE(gauge->Draggable(LinearGauge::kHighPointer));

  ASSERT_TRUE(gauge->UserSetPointer(LinearGauge::kLowPointer, 2657));
  EXPECT_EQ(gauge->PointerValue(LinearGauge::kLowPointer), 2657.0);
  EXPECT_THAT(Take(), ElementsAre("SMB 2D W 3B FE"));
  // The hidden high limit cannot be moved; a key meant for it moves the one limit there is.
  EXPECT_FALSE(gauge->UserSetPointer(LinearGauge::kHighPointer, 5000));
  gauge->setFocus();
  gauge->SetSelectedPointer(LinearGauge::kHighPointer);
  QTest::keyClick(gauge, Qt::Key_Right);
  EXPECT_THAT(Take(), ElementsAre("SMB 2D W 3B FD"));
}

TEST_F(VisualDisplayTest, Gauge_AnalogInputModeUsesBothLimitsOfTheInput) {
  OpenAndEnter(R"({"0x16": "0x01", "0x1A": "0x00", "0x3B": "0xC0", "0x28": "0x80"})");
  ClickLabel(3);  // "AIN 1"
  EXPECT_THAT(Take(), ElementsAre("SMB 2D R 1A 00", "SMB 2D R 3B C0", "SMB 2D R 28 80"));
  LinearGauge* gauge = Gauge();
  EXPECT_EQ(gauge->ScaleMax(), 2.49);
  EXPECT_TRUE(gauge->SlotVisible(LinearGauge::kHighPointer));
  // A limit register of 0 shows as the value for 1.
  EXPECT_DOUBLE_EQ(gauge->PointerValue(LinearGauge::kLowPointer),
                   chip::VoltsFromRegister(1, 2.49, 0.01));
  EXPECT_EQ(gauge->Caption(), QStringLiteral("1.260V"));
}

TEST_F(VisualDisplayTest, Gauge_WritesNothingBeforeAChannelIsSetUp) {
  Open(R"({"0x16": "0x00"})");
  emit Gauge()->pointerMoved(LinearGauge::kLowPointer, 1.0);
  emit Gauge()->valueChanged(LinearGauge::kLowPointer, 1.0);
  EXPECT_THAT(Take(), IsEmpty());
}

// The display flags choose the entry: a fan or an analog input, Vcc on its 3.3 V or 5 V scale;
// labels without a gauge have none.
TEST(GaugeChannels, TheFlagsChooseTheEntry) {
  const auto channel = [](int label, int fan1, int fan2, int vcc33) {
    devaccess::Declarations d;
    d.fan1_mode_flag = static_cast<std::uint8_t>(fan1);
    d.fan2_mode_flag = static_cast<std::uint8_t>(fan2);
    d.chmode_bit3_flag = static_cast<std::uint8_t>(vcc33);
    return display::GaugeChannelOf(d, label);
  };
  EXPECT_EQ(channel(3, 1, 0, 1)->quantity, chip::Quantity::Rpm);
  EXPECT_EQ(channel(3, 0, 1, 1)->low_register, 0x1A);
  EXPECT_EQ(channel(4, 1, 0, 1)->high_register, 0x3C);
  EXPECT_EQ(channel(4, 0, 1, 1)->high_register, -1);
  EXPECT_EQ(channel(10, 1, 1, 1)->gauge.scale_max, 4.383);
  EXPECT_EQ(channel(10, 1, 1, 0)->gauge.scale_max, 6.64);
  EXPECT_EQ(channel(14, 1, 1, 1)->low_register, 0x2C);  // shared with +2.5V
  EXPECT_EQ(channel(9, 1, 1, 1)->low_register, 0x2C);
  for (int no_gauge : {0, 1, 2, 13, 15, -1}) EXPECT_EQ(channel(no_gauge, 1, 1, 1), nullptr);
}

// Closer than the trigger gap (in four decimals) moves the limit the reset gap away; the gaps are
// hundredths of the channel's scale.
TEST(GaugeChannels, GapRule_KeepsTheLimitsApart) {
  using display::HighLimitAfterGapRule;
  using display::LowLimitAfterGapRule;
  const display::Gaps vccp1 = display::GapsFor(chip::channel::kVccp1);
  EXPECT_EQ(LowLimitAfterGapRule(3.1848, 3.4, vccp1), 3.1848);  // exactly on the trigger point
  EXPECT_DOUBLE_EQ(LowLimitAfterGapRule(3.18486, 3.4, vccp1), 3.1131);  // 3.1849 in four places
  EXPECT_EQ(LowLimitAfterGapRule(3.18484, 3.4, vccp1), 3.18484);        // 3.1848 in four places
  const display::Gaps internal = display::GapsFor(chip::channel::kInternal);
  EXPECT_EQ(HighLimitAfterGapRule(15.24, 0, internal), 15.24);
  EXPECT_DOUBLE_EQ(HighLimitAfterGapRule(-20, -10, internal), 10.32);
  EXPECT_EQ(HighLimitAfterGapRule(90, 0, internal), 90);
  // AIN: 4 and 8 hundredths of 2.49 V.
  const display::Gaps ain = display::GapsFor(chip::channel::kAin1);
  EXPECT_DOUBLE_EQ(LowLimitAfterGapRule(1.0, 1.05, ain), 0.8508);
  EXPECT_EQ(LowLimitAfterGapRule(0.9504, 1.05, ain), 0.9504);
}

}  // namespace
