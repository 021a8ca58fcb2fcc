#include "display/gauge_channels.h"

#include <gtest/gtest.h>

namespace display {
namespace {

TEST(GaugeChannels, TableMatchesEachLabel) {
  const struct {
    int index;
    bool fan1_is_fan, fan2_is_fan, vcc_33;
    double min, max;
    int decimals, low, high;
    LimitConversion conversion;
    double k_inverse;
  } cases[] = {
      {3, true, true, true, 2657, 10000, 0, 0x3B, -1, LimitConversion::FanCount, 0},
      {3, false, true, true, 0, 2.49, 3, 0x1A, 0x3B, LimitConversion::Volts, 2.48},
      {4, true, true, true, 2657, 10000, 0, 0x3C, -1, LimitConversion::FanCount, 0},
      {4, true, false, true, 0, 2.49, 3, 0x1B, 0x3C, LimitConversion::Volts, 2.48},
      {5, true, true, true, -128, 127, 0, 0x38, 0x37, LimitConversion::Celsius, 0},
      {6, true, true, true, -128, 127, 0, 0x3A, 0x39, LimitConversion::Celsius, 0},
      {7, true, true, true, 0, 3.586, 3, 0x36, 0x35, LimitConversion::Volts, 3.572},
      {8, true, true, true, 0, 3.586, 3, 0x2E, 0x2D, LimitConversion::Volts, 3.572},
      {9, true, true, true, 0, 3.32, 3, 0x2C, 0x2B, LimitConversion::Volts, 3.307},
      {10, true, true, true, 0, 4.383, 3, 0x30, 0x2F, LimitConversion::Volts, 4.3658},
      {10, true, true, false, 0, 6.64, 3, 0x30, 0x2F, LimitConversion::Volts, 6.614},
      {11, true, true, true, 0, 6.64, 3, 0x32, 0x31, LimitConversion::Volts, 6.614},
      {12, true, true, true, 0, 15.938, 3, 0x34, 0x33, LimitConversion::Volts, 15.876},
      {14, true, true, true, -128, 127, 0, 0x2C, 0x2B, LimitConversion::Celsius, 0},
  };
  for (const auto& c : cases) {
    const GaugeChannel* g = GaugeChannelFor(c.index, c.fan1_is_fan, c.fan2_is_fan, c.vcc_33);
    ASSERT_NE(g, nullptr) << c.index;
    EXPECT_EQ(g->index, c.index);
    EXPECT_EQ(g->fan_style, c.conversion == LimitConversion::FanCount) << c.index;
    EXPECT_EQ(g->scale_min, c.min) << c.index;
    EXPECT_EQ(g->scale_max, c.max) << c.index;
    EXPECT_EQ(g->decimals, c.decimals) << c.index;
    EXPECT_EQ(g->low_register, c.low) << c.index;
    EXPECT_EQ(g->high_register, c.high) << c.index;
    EXPECT_EQ(g->conversion, c.conversion) << c.index;
    EXPECT_EQ(g->k_inverse, c.k_inverse) << c.index;
  }
  for (int no_gauge : {0, 1, 2, 13, 15, -1}) EXPECT_EQ(GaugeChannelFor(no_gauge, 1, 1, 1), nullptr);
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
    const Gaps gaps = GapsFor(*GaugeChannelFor(c.index, false, false, true));
    EXPECT_EQ(gaps.trigger, c.trigger) << c.index;
    EXPECT_EQ(gaps.reset, c.reset) << c.index;
  }
}

TEST(GaugeChannels, GapRule_MovesLowLimitBelowHigh) {
  const Gaps vccp1 = GapsFor(*GaugeChannelFor(8, true, true, true));
  EXPECT_DOUBLE_EQ(LowLimitAfterGapRule(3.3, 3.4, vccp1), 3.1131);
  // Exactly on the trigger point is not closer than the gap: the pointer stays.
  EXPECT_EQ(LowLimitAfterGapRule(3.1848, 3.4, vccp1), 3.1848);
  EXPECT_DOUBLE_EQ(LowLimitAfterGapRule(3.18486, 3.4, vccp1), 3.1131);  // 3.1849 in four places
  EXPECT_EQ(LowLimitAfterGapRule(3.18484, 3.4, vccp1), 3.18484);        // 3.1848 in four places
  EXPECT_EQ(LowLimitAfterGapRule(1.0, 3.4, vccp1), 1.0);
}

TEST(GaugeChannels, GapRule_MovesHighLimitAboveLow) {
  const Gaps internal = GapsFor(*GaugeChannelFor(6, true, true, true));
  EXPECT_DOUBLE_EQ(HighLimitAfterGapRule(10, 0, internal), 20.32);
  EXPECT_EQ(HighLimitAfterGapRule(15.24, 0, internal), 15.24);
  EXPECT_DOUBLE_EQ(HighLimitAfterGapRule(-20, -10, internal), 10.32);
  EXPECT_EQ(HighLimitAfterGapRule(90, 0, internal), 90);
}

}  // namespace
}  // namespace display
