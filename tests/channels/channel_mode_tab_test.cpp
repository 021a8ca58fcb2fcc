#include "channels/channel_mode_tab.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QLabel>
#include <QTest>
#include <QTimer>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "buslink/bus_trace.h"
#include "buslink/sim/simulated_hardware.h"
#include "support/qstring_printer.h"
#include "support/scripted_message_boxes.h"
#include "widgets/toggle_switch.h"

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

// The tab on a simulated SMBus chip at 0x2D with pinned registers (START stays clear), every
// transfer kept in a trace.
class ChannelModeTabTest : public ::testing::Test {
 protected:
  void Start(const std::string& chip_json) {
    const std::string scenario =
        R"({"smbus": {"present": true, "chips": [{"address": "0x2D"}]}, "chip": )" + chip_json +
        "}";
    tab_.reset();
    d_.bus_link.reset();  // the next transfer takes its link from the new hardware
    trace_.KeepLines(true);
    hardware_ = std::make_unique<buslink::sim::SimulatedHardware>(
        buslink::sim::Scenario::FromJson(scenario, "test"), &trace_);
    d_.backend = hardware_.get();
    d_.comms_medium = 0;
    d_.device_address = 0x2D;
    tab_ = std::make_unique<channels::ChannelModeTab>(d_, boxes_);
    tab_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(tab_.get()));
  }
  void StartWithRegisters(const std::string& registers_json) {
    Start(R"({"registers": )" + registers_json + "}");
  }

  widgets::ToggleSwitch* Toggle(const char* name) {
    auto* t = tab_->findChild<widgets::ToggleSwitch*>(QString::fromLatin1(name));
    EXPECT_NE(t, nullptr) << name;
    return t;
  }
  QString Text(const QString& name) {
    auto* label = tab_->findChild<QLabel*>(name);
    EXPECT_NE(label, nullptr) << name.toStdString();
    return label ? label->text() : QString();
  }
  QString VidRow() {  // VID4 first
    QString s;
    for (int bit = 4; bit >= 0; --bit) s += Text(QStringLiteral("vid_bit_%1").arg(bit));
    return s;
  }
  // The Value of every switch, in the order of the table on the tab.
  std::vector<bool> Values() {
    std::vector<bool> v;
    for (const char* name : kToggles) v.push_back(Toggle(name)->Value());
    return v;
  }
  std::vector<std::string> TakeTrace() {
    std::vector<std::string> lines = trace_.Lines();
    trace_.ClearLines();
    return lines;
  }
  buslink::sim::Chip& ChipAt2D() { return *hardware_->SMBusChip(0x2D); }

  static constexpr const char* kToggles[] = {"fan1_ain1_toggle", "fan2_ain2_toggle_1",
                                             "d2p_25V_toggle", "d2n_vccp2_toggle_0",
                                             "Vcc_33_5_toggle"};

  buslink::BusTrace trace_;
  std::unique_ptr<buslink::sim::SimulatedHardware> hardware_;
  devaccess::Declarations d_;
  ScriptedMessageBoxes boxes_;
  std::unique_ptr<channels::ChannelModeTab> tab_;
};

TEST_F(ChannelModeTabTest, Layout_NamesAndTexts) {
  StartWithRegisters("{}");
  EXPECT_EQ(Text("Label2"),
            "Use this menu to graphically update the Channel Mode register and view the VID bits.");
  for (const char* name : kToggles) {
    EXPECT_EQ(Toggle(name)->cursor().shape(), Qt::PointingHandCursor) << name;
    EXPECT_TRUE(Toggle(name)->focusPolicy() & Qt::TabFocus) << name;
  }
  EXPECT_EQ(VidRow(), "00000");
}

// Each switch stands beside the label of its switched-on state, at the end of the slot that
// means on: the right end, or the left one when the switch is inverted.
TEST_F(ChannelModeTabTest, SwitchedOnLabel_LiesAtTheSwitchedOnEnd) {
  StartWithRegisters("{}");
  const struct {
    const char* toggle;
    const char* on_label;
    const char* on_text;
  } rows[] = {{"fan1_ain1_toggle", "Label8", "AIN 1"},
              {"fan2_ain2_toggle_1", "Label9", "FAN 2"},
              {"d2p_25V_toggle", "Label11", "D2+"},
              {"d2n_vccp2_toggle_0", "Label13", "D2-"},
              {"Vcc_33_5_toggle", "Label15", "5V"}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.toggle);
    widgets::ToggleSwitch* toggle = Toggle(row.toggle);
    auto* label = tab_->findChild<QLabel*>(QString::fromLatin1(row.on_label));
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text(), row.on_text);
    const bool label_on_the_right =
        label->geometry().center().x() > toggle->geometry().center().x();
    EXPECT_EQ(label_on_the_right, !toggle->Inverted());
    EXPECT_EQ(toggle->accessibleName(), row.on_text);
  }
}

TEST_F(ChannelModeTabTest, Enter_SetsTheSwitchesFromChannelModeAndWritesNothing) {
  const struct {
    const char* mode;
    std::vector<bool> values;  // fan1, fan2, d2p, d2n, vcc
  } cases[] = {
      {"0x00", {false, true, false, false, false}},
      {"0x0F", {true, false, true, true, true}},
      {"0x05", {true, true, true, true, false}},
      {"0x0A", {false, false, false, false, true}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mode);
    StartWithRegisters(std::string(R"({"0x16": ")") + c.mode + R"("})");
    tab_->Enter();
    EXPECT_EQ(Values(), c.values);
    EXPECT_EQ(TakeTrace(), std::vector<std::string>{"SMB 2D R 16 " + std::string(c.mode + 2)});
    auto* timer = tab_->findChild<QTimer*>(QStringLiteral("vid_channel_mode"));
    ASSERT_NE(timer, nullptr);
    EXPECT_TRUE(timer->isActive());
    EXPECT_EQ(timer->interval(), 50);
  }
}

TEST_F(ChannelModeTabTest, VidRow_ShowsFiveBitsWithoutTheDivisorBits) {
  Start(R"({"registers": {"0x47": "0x35", "0x49": "0x01"}, "inputs": {"vid": 21}})");
  tab_->Enter();
  TakeTrace();
  ASSERT_TRUE(QTest::qWaitFor([&] { return trace_.Lines().size() >= 2; }, 1000));
  EXPECT_EQ(VidRow(), "10101");
  const std::vector<std::string> tick = TakeTrace();
  EXPECT_THAT(std::vector<std::string>(tick.begin(), tick.begin() + 2),
              ElementsAre("SMB 2D R 47 35", "SMB 2D R 49 01"));

  tab_->StopTimer();
  TakeTrace();
  QTest::qWait(120);
  EXPECT_THAT(TakeTrace(), IsEmpty());
}

struct SingleBitCase {
  const char* toggle;
  const char* mode_on_entry;
  const char* mode_before_switching;  // what the fresh read finds
  const char* written;
};

void PrintTo(const SingleBitCase& c, std::ostream* os) {
  *os << c.toggle << " from " << c.mode_before_switching;
}

class SingleBitSwitchTest : public ChannelModeTabTest,
                            public ::testing::WithParamInterface<SingleBitCase> {};

// One fresh read, one write with only the switch's bit changed; a click flips the switch.
TEST_P(SingleBitSwitchTest, ReadsThenWritesItsBit) {
  const SingleBitCase& c = GetParam();
  StartWithRegisters(std::string(R"({"0x16": ")") + c.mode_on_entry + R"("})");
  tab_->Enter();
  tab_->StopTimer();
  const int before = std::stoi(c.mode_before_switching, nullptr, 16);
  ChipAt2D().Poke(0x16, static_cast<std::uint8_t>(before));
  TakeTrace();

  const bool was = Toggle(c.toggle)->Value();
  QTest::mouseClick(Toggle(c.toggle), Qt::LeftButton);

  EXPECT_NE(Toggle(c.toggle)->Value(), was);
  EXPECT_THAT(TakeTrace(), ElementsAre("SMB 2D R 16 " + std::string(c.mode_before_switching + 2),
                                       "SMB 2D W 16 " + std::string(c.written + 2)));
}

INSTANTIATE_TEST_SUITE_P(
    FanAndVcc, SingleBitSwitchTest,
    ::testing::Values(SingleBitCase{"Vcc_33_5_toggle", "0x03", "0x03", "0x0B"},
                      SingleBitCase{"Vcc_33_5_toggle", "0x0F", "0x0D", "0x05"},
                      SingleBitCase{"fan1_ain1_toggle", "0x00", "0x0C", "0x0D"},
                      SingleBitCase{"fan1_ain1_toggle", "0x01", "0x0F", "0x0E"},
                      // FAN 2 switched on means bit 1 clear.
                      SingleBitCase{"fan2_ain2_toggle_1", "0x02", "0x0B", "0x09"},
                      SingleBitCase{"fan2_ain2_toggle_1", "0x00", "0x04", "0x06"}));

TEST_F(ChannelModeTabTest, D2Switch_OnAndOff_WritesItsSequenceAndMovesThePartner) {
  StartWithRegisters(R"({"0x16": "0x08", "0x44": "0x11"})");
  tab_->Enter();
  tab_->StopTimer();
  TakeTrace();

  QTest::mouseClick(Toggle("d2p_25V_toggle"), Qt::LeftButton);
  EXPECT_TRUE(Toggle("d2p_25V_toggle")->Value());
  EXPECT_TRUE(Toggle("d2n_vccp2_toggle_0")->Value());
  EXPECT_THAT(TakeTrace(), ElementsAre("SMB 2D R 16 08", "SMB 2D W 16 0C",  // D2 mode
                                       "SMB 2D R 44 11", "SMB 2D W 44 13",  // Vccp2 masked
                                       "SMB 2D R 44 13", "SMB 2D W 44 16"));
  EXPECT_EQ(ChipAt2D().Peek(0x16), 0x0C);
  EXPECT_EQ(ChipAt2D().Peek(0x44), 0x16);

  QTest::mouseClick(Toggle("d2p_25V_toggle"), Qt::LeftButton);
  EXPECT_FALSE(Toggle("d2p_25V_toggle")->Value());
  EXPECT_FALSE(Toggle("d2n_vccp2_toggle_0")->Value());
  EXPECT_THAT(TakeTrace(), ElementsAre("SMB 2D R 44 16", "SMB 2D W 44 14",  //
                                       "SMB 2D R 44 14", "SMB 2D W 44 14",  //
                                       "SMB 2D R 16 0C", "SMB 2D W 16 08"));
}

// The D2- switch runs the same steps, by keyboard too, and moves D2+ without running its handler.
TEST_F(ChannelModeTabTest, D2MinusByKeyboard_SameSequence) {
  StartWithRegisters(R"({"0x16": "0x00", "0x44": "0x01"})");
  tab_->Enter();
  tab_->StopTimer();
  TakeTrace();

  widgets::ToggleSwitch* d2n = Toggle("d2n_vccp2_toggle_0");
  d2n->setFocus();
  QTest::keyClick(d2n, Qt::Key_Space);

  EXPECT_TRUE(Toggle("d2p_25V_toggle")->Value());
  EXPECT_THAT(TakeTrace(), ElementsAre("SMB 2D R 16 00", "SMB 2D W 16 04",  //
                                       "SMB 2D R 44 01", "SMB 2D W 44 03",  //
                                       "SMB 2D R 44 03", "SMB 2D W 44 06"));
}

}  // namespace
