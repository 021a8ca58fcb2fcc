#include <gmock/gmock.h>

#include "visual_display_fixture.h"

namespace {

using ::testing::ElementsAreArray;

// EasySetup writes its table, reads the +12V gauge's registers and the VID pins (bits 3:0 of
// 0x47, bit 0 of 0x49), then writes the +Vccp1 limits of the VID code: none for 31, "no core",
// which gets the Warning and leaves 0x2D/0x2E alone.
TEST_F(VisualDisplayTest, EasySetup_WritesItsTableAndTheVccp1LimitsOfTheVidCode) {
  const std::vector<std::string> fixed = {
      "W 40 03", "W 16 02", "W 47 50", "W 19 FF", "W 3C A8", "W 1B 89", "W 3B A9", "W 2B D3",
      "W 2C AB", "W 2F D3", "W 30 AB", "W 31 D3", "W 32 AB", "W 33 D3", "W 34 AB", "W 35 8C",
      "W 36 72", "W 37 5A", "W 38 00", "W 39 5A", "W 3A 00", "W 43 00", "W 44 00"};
  const struct {
    int vid;
    std::vector<std::string> vccp1_writes;
  } cases[] = {{0, {"W 2E 82", "W 2D 9F"}},
               {8, {"W 2E 69", "W 2D 80"}},
               {15, {"W 2E 52", "W 2D 65"}},
               {16, {"W 2E DF", "W 2D FF"}},
               {19, {"W 2E CC", "W 2D FA"}},
               {30, {"W 2E 85", "W 2D A3"}},
               {31, {}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.vid);
    boxes_.shown.clear();
    OpenChip(R"({"registers": {"0x16": "0x07", "0x2D": "0x11", "0x2E": "0x22"},
                 "inputs": {"vid": )" +
             std::to_string(c.vid) + "}}");
    Enter();
    Click("Command1");

    std::vector<std::string> expected = fixed;
    for (const char* reg : {"R 34", "R 33", "R 24", "R 47", "R 49"}) expected.push_back(reg);
    expected.insert(expected.end(), c.vccp1_writes.begin(), c.vccp1_writes.end());
    std::vector<std::string> seen;
    for (const std::string& line : Take()) seen.push_back(line.substr(7, line[7] == 'R' ? 4 : 7));
    EXPECT_THAT(seen, ElementsAreArray(expected));

    if (c.vid != 31) {
      EXPECT_TRUE(boxes_.shown.empty());
      continue;
    }
    ASSERT_EQ(boxes_.shown.size(), 1u);
    const auto& box = boxes_.shown[0];
    EXPECT_EQ(box.title, QStringLiteral("Warning"));
    EXPECT_EQ(box.text, QStringLiteral("VID bits indicate No Core, Vccp Limits not Set"));
    EXPECT_EQ(box.buttons, boxes::MsgButtons::Ok);
    EXPECT_EQ(box.icon, boxes::MsgIcon::None);
    EXPECT_EQ(Chip().Peek(0x2D), 0x11);
    EXPECT_EQ(Chip().Peek(0x2E), 0x22);
  }
}

TEST_F(VisualDisplayTest, EasySetup_LeavesTheTabShowingVoltagesAnd12V) {
  // Channel Mode 0x07 on entry: both inputs analog and the second diode in use.
  OpenAndEnter(R"({"0x16": "0x07", "0x19": "0x00"})");
  ClickLabel(5);
  window_->EasySetup();

  EXPECT_EQ(Label(3)->text(), QStringLiteral("Fan 1"));
  EXPECT_EQ(Label(4)->text(), QStringLiteral("AIN 2"));
  EXPECT_TRUE(Label(14)->isHidden());  // mirrored again: the second diode is no longer in use
  EXPECT_EQ(Slider()->value(), 255);
  EXPECT_EQ(d_.vd_channel_index, 12);
  EXPECT_TRUE(VisualTimer()->isActive());
  // The +12V gauge shows the limits just written.
  EXPECT_DOUBLE_EQ(Gauge()->PointerValue(3), 15.938 / 255 * 0xD3 + 0.062);
  EXPECT_EQ(Chart()->TextCaption(8), QStringLiteral("AIN 2"));  // the flags it just set
}

}  // namespace
