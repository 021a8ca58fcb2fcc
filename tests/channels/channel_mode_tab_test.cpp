#include "channels/channel_mode_tab.h"

#include <gmock/gmock.h>

#include <QAccessible>
#include <QApplication>
#include <QTimer>

#include "support/sim_window_test.h"
#include "widgets/toggle_switch.h"

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr const char* kToggles[] = {"fan1_ain1_toggle", "fan2_ain2_toggle_1", "d2p_25V_toggle",
                                    "d2n_vccp2_toggle_0", "Vcc_33_5_toggle"};

class ChannelModeTabTest : public SimWindowTest<channels::ChannelModeTab> {
 protected:
  widgets::ToggleSwitch* Toggle(const char* name) { return Find<widgets::ToggleSwitch>(name); }
  QString VidRow() {  // VID4 first
    QString s;
    for (int bit = 4; bit >= 0; --bit) s += Text("vid_bit", bit);
    return s;
  }
  // Entered with Channel Mode as given, the VID timer stopped so that only the handlers talk.
  void EnterWith(const std::string& registers) {
    Open(registers);
    window_->Enter();
    window_->StopTimer();
    Mark();
  }
};

// Each switch stands beside the label of its switched-on state, at the end of the slot that
// means on: the right end, or the left one when the switch is inverted.
TEST_F(ChannelModeTabTest, Layout_SwitchedOnLabelLiesAtTheSwitchedOnEnd) {
  Open();
  EXPECT_EQ(Text("Label2"),
            "Use this menu to graphically update the Channel Mode register and view the VID bits.");
  EXPECT_EQ(VidRow(), "00000");
  const char* const on[][2] = {{"Label8", "AIN 1"},
                               {"Label9", "FAN 2"},
                               {"Label11", "D2+"},
                               {"Label13", "D2-"},
                               {"Label15", "5V"}};
  const char* const pairs[] = {"FAN1/AIN1", "FAN2/AIN2", "D2+/2.5V", "D2-/Vccp2", "Vcc 5V/3.3V"};
  for (int i = 0; i < 5; ++i) {
    SCOPED_TRACE(kToggles[i]);
    widgets::ToggleSwitch* toggle = Toggle(kToggles[i]);
    QWidget* label = Find(on[i][0]);
    EXPECT_EQ(Text(on[i][0]), on[i][1]);
    EXPECT_EQ(label->geometry().center().x() > toggle->geometry().center().x(),
              !toggle->Inverted());
    EXPECT_EQ(toggle->accessibleName(), pairs[i]);
    EXPECT_EQ(toggle->cursor().shape(), Qt::PointingHandCursor);
  }
}

// Entering sets the switches from one read and runs none of their handlers. (That it starts the
// 50 ms VID timer, and leaving stops it: main_form_test's EnteringATab test.)
TEST_F(ChannelModeTabTest, Enter_SetsTheSwitchesFromChannelModeAndWritesNothing) {
  const struct {
    const char* mode;
    std::vector<bool> values;  // in the order of kToggles
  } cases[] = {
      {"00", {false, true, false, false, false}},
      {"0F", {true, false, true, true, true}},
      {"05", {true, true, true, true, false}},
      {"0A", {false, false, false, false, true}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mode);
    Open(std::string(R"({"0x16": "0x)") + c.mode + R"("})");
    window_->Enter();
    std::vector<bool> values;
    for (const char* name : kToggles) values.push_back(Toggle(name)->Value());
    EXPECT_EQ(values, c.values);
    EXPECT_THAT(Take(), ElementsAre(std::string("SMB 2D R 16 ") + c.mode));
  }
}

TEST_F(ChannelModeTabTest, VidRow_ShowsFiveBitsWithoutTheDivisorBits) {
  OpenChip(R"({"registers": {"0x47": "0x35", "0x49": "0x01"}, "inputs": {"vid": 21}})");
  window_->Enter();
  Mark();
  ASSERT_TRUE(QTest::qWaitFor([&] { return SinceMark() >= 2; }, 1000));
  EXPECT_EQ(VidRow(), "10101");
  const std::vector<std::string> tick = Take();
  EXPECT_THAT(std::vector<std::string>(tick.begin(), tick.begin() + 2),
              ElementsAre("SMB 2D R 47 35", "SMB 2D R 49 01"));
}

// Screen readers: a switch is a check box named for its pair with its position in the description,
// a VID digit names its bit. The switches are one Tab stop; the arrows go from one to the next.
TEST_F(ChannelModeTabTest, SwitchesAndDigits_ReadByNameAndReachedByArrows) {
  EnterWith(R"({"0x16": "0x01"})");
  const auto iface = [this](const char* name) {
    return QAccessible::queryAccessibleInterface(Find(name));
  };
  QAccessibleInterface* fan1 = iface("fan1_ain1_toggle");
  EXPECT_EQ(fan1->role(), QAccessible::CheckBox);
  EXPECT_TRUE(fan1->state().checked);
  EXPECT_TRUE(fan1->text(QAccessible::Description).endsWith("AIN 1 mode"));
  Toggle("fan1_ain1_toggle")->UserToggle();
  EXPECT_TRUE(fan1->text(QAccessible::Description).endsWith("FAN 1 mode"));
  EXPECT_EQ(iface("vid_bit_4")->text(QAccessible::Name), "VID 4, " + Text("vid_bit", 4));

  Toggle(kToggles[0])->setFocus();
  for (const char* next : {kToggles[1], kToggles[2]}) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    EXPECT_EQ(QApplication::focusWidget(), Find(next));
  }
  EXPECT_EQ(Find(kToggles[2])->focusPolicy(), Qt::StrongFocus);
  EXPECT_EQ(Find(kToggles[0])->focusPolicy(), Qt::ClickFocus) << "one Tab stop for the group";
}

// One fresh read, one write with only the switch's bit changed; a click flips the switch.
TEST_F(ChannelModeTabTest, FanAndVccSwitches_ReadThenWriteTheirBit) {
  const struct {
    const char* toggle;
    const char* on_entry;
    int fresh;  // what the fresh read finds
    const char* written;
  } cases[] = {
      {"Vcc_33_5_toggle", "0x03", 0x03, "0B"},    {"Vcc_33_5_toggle", "0x0F", 0x0D, "05"},
      {"fan1_ain1_toggle", "0x00", 0x0C, "0D"},   {"fan1_ain1_toggle", "0x01", 0x0F, "0E"},
      {"fan2_ain2_toggle_1", "0x02", 0x0B, "09"},  // FAN 2 switched on means bit 1 clear
      {"fan2_ain2_toggle_1", "0x00", 0x04, "06"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.toggle) + " " + c.written);
    EnterWith(std::string(R"({"0x16": ")") + c.on_entry + R"("})");
    Chip().Poke(0x16, static_cast<std::uint8_t>(c.fresh));
    const bool was = Toggle(c.toggle)->Value();
    Click(Toggle(c.toggle));
    EXPECT_NE(Toggle(c.toggle)->Value(), was);

    EXPECT_THAT(Take(), ElementsAre("SMB 2D R 16 " + Hex2(c.fresh),
                                    std::string("SMB 2D W 16 ") + c.written));
  }
}

// D2+ on: Channel Mode with bit 2 set, INT Mask 2 with bit 1 set, INT Mask 2 with bit 0 cleared
// and bit 2 set, each after its own fresh read; off undoes them in the reverse order. The partner
// switch follows without running its handler.
TEST_F(ChannelModeTabTest, D2Switch_OnAndOff_WritesItsSequenceAndMovesThePartner) {
  EnterWith(R"({"0x16": "0x08", "0x44": "0x11"})");
  Click(Toggle("d2p_25V_toggle"));
  EXPECT_TRUE(Toggle("d2p_25V_toggle")->Value());
  EXPECT_TRUE(Toggle("d2n_vccp2_toggle_0")->Value());
  EXPECT_THAT(Take(), ElementsAre("SMB 2D R 16 08", "SMB 2D W 16 0C", "SMB 2D R 44 11",
                                  "SMB 2D W 44 13", "SMB 2D R 44 13", "SMB 2D W 44 16"));
  EXPECT_EQ(Chip().Peek(0x16), 0x0C);
  EXPECT_EQ(Chip().Peek(0x44), 0x16);

  Click(Toggle("d2p_25V_toggle"));
  EXPECT_FALSE(Toggle("d2p_25V_toggle")->Value());
  EXPECT_FALSE(Toggle("d2n_vccp2_toggle_0")->Value());
  EXPECT_THAT(Take(), ElementsAre("SMB 2D R 44 16", "SMB 2D W 44 14", "SMB 2D R 44 14",
                                  "SMB 2D W 44 14", "SMB 2D R 16 0C", "SMB 2D W 16 08"));

  // The D2- switch runs the same steps, by keyboard too.
  EnterWith(R"({"0x16": "0x00", "0x44": "0x01"})");
  widgets::ToggleSwitch* d2n = Toggle("d2n_vccp2_toggle_0");
  d2n->setFocus();
  QTest::keyClick(d2n, Qt::Key_Space);
  EXPECT_TRUE(Toggle("d2p_25V_toggle")->Value());
  EXPECT_THAT(Take(), ElementsAre("SMB 2D R 16 00", "SMB 2D W 16 04", "SMB 2D R 44 01",
                                  "SMB 2D W 44 03", "SMB 2D R 44 03", "SMB 2D W 44 06"));
}

}  // namespace
