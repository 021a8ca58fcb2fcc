#include "display/gauge_channels.h"

#include <gtest/gtest.h>

namespace display {
namespace {

// The display flags choose the entry: a fan or an analog input, Vcc on its 3.3 V or 5 V scale;
// labels without a gauge have none.
TEST(GaugeChannels, TheFlagsChooseTheEntry) {
  const auto channel = [](int label, int fan1, int fan2, int vcc33) {
    devaccess::Declarations d;
    d.fan1_mode_flag = static_cast<std::uint8_t>(fan1);
    d.fan2_mode_flag = static_cast<std::uint8_t>(fan2);
    d.chmode_bit3_flag = static_cast<std::uint8_t>(vcc33);
    return GaugeChannelOf(d, label);
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

TEST(GaugeChannels, GapsAreHundredthsOfTheScaleRoundedToFourDecimals) {
  const struct {
    int index;
    std::int64_t trigger, reset;
  } cases[] = {
      {8, 2152, 2869},      // 6 x 0.03586 = 0.21516, 8 x 0.03586 = 0.28688
      {6, 152400, 203200},  // 12 x 1.27, 16 x 1.27
      {3, 996, 1992},       // AIN: 4 x 0.0249, 8 x 0.0249
      {12, 9563, 12750},    // 6 x 0.15938 = 0.95628
  };
  for (const auto& c : cases) {
    const Gaps gaps = GapsFor(*chip::ChannelForLabel(c.index, 0x03));
    EXPECT_EQ(gaps.trigger, c.trigger) << c.index;
    EXPECT_EQ(gaps.reset, c.reset) << c.index;
  }
}

// Closer than the trigger gap (in four decimals) moves the limit the reset gap away.
TEST(GaugeChannels, GapRule_KeepsTheLimitsApart) {
  const Gaps vccp1 = GapsFor(chip::channel::kVccp1);
  EXPECT_DOUBLE_EQ(LowLimitAfterGapRule(3.3, 3.4, vccp1), 3.1131);
  EXPECT_EQ(LowLimitAfterGapRule(3.1848, 3.4, vccp1), 3.1848);  // exactly on the trigger point
  EXPECT_DOUBLE_EQ(LowLimitAfterGapRule(3.18486, 3.4, vccp1), 3.1131);  // 3.1849 in four places
  EXPECT_EQ(LowLimitAfterGapRule(3.18484, 3.4, vccp1), 3.18484);        // 3.1848 in four places
  const Gaps internal = GapsFor(chip::channel::kInternal);
  EXPECT_DOUBLE_EQ(HighLimitAfterGapRule(10, 0, internal), 20.32);
  EXPECT_EQ(HighLimitAfterGapRule(15.24, 0, internal), 15.24);
  EXPECT_DOUBLE_EQ(HighLimitAfterGapRule(-20, -10, internal), 10.32);
  EXPECT_EQ(HighLimitAfterGapRule(90, 0, internal), 90);
}

}  // namespace
}  // namespace display
