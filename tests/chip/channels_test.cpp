#include "chip/channels.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace chip {
namespace {

std::vector<std::string> Captions(const ChannelSet& set) {
  std::vector<std::string> out;
  for (const Channel* c : set) out.emplace_back(c->caption);
  return out;
}

// Each Channel Mode bit swaps what one pin measures; every set reads each value register once.
TEST(Channels, TheChannelModeChoosesWhatIsMeasured) {
  using V = std::vector<std::string>;
  const struct {
    int mode;
    V captions;
    double vcc_max;
  } cases[] = {
      {0x00,
       V{"+2.5V", "+Vccp1", "+Vcc", "+5V", "+12V", "+Vccp2", "External 1", "Internal", "Fan 1",
         "Fan 2"},
       4.383},
      {0x0F,
       V{"External 2", "+Vccp1", "+Vcc", "+5V", "+12V", "External 1", "Internal", "AIN 1", "AIN 2"},
       6.64},
      {0xF2,
       V{"+2.5V", "+Vccp1", "+Vcc", "+5V", "+12V", "+Vccp2", "External 1", "Internal", "Fan 1",
         "AIN 2"},
       4.383},
  };
  for (const auto& c : cases) {
    const ChannelSet set = ChannelsFor(c.mode);
    EXPECT_EQ(Captions(set), c.captions) << c.mode;
    std::set<int> registers;
    for (const Channel* ch : set) {
      EXPECT_TRUE(registers.insert(ch->value_register).second) << ch->caption;
      if (ch->caption == "+Vcc") {
        EXPECT_EQ(ch->gauge.scale_max, c.vcc_max);
      }
    }
  }
}

TEST(Channels, RawBytesConvertAsTheGaugeShowsThem) {
  const struct {
    const Channel& channel;
    int raw, divisor;
    double value;
  } cases[] = {
      {channel::kV12, 0x80, 1, 15.938 / 255 * 0x80 + 0.062},
      {channel::kVcc33, 0xC0, 1, 4.383 / 255 * 0xC0 + 0.0172},
      {channel::kInternal, 0xF6, 1, -10},
      {channel::kExternal2, 0x28, 1, 40},
      {channel::kFan1, 0x87, 2, 5000},
      {channel::kFan2, 0x01, 8, 10546},  // over-speed: the gauge's rule
  };
  for (const auto& c : cases) {
    EXPECT_NEAR(ValueFromRegister(c.channel, c.raw, c.divisor), c.value, 1e-9) << c.channel.caption;
  }
  EXPECT_EQ(FanDivisorOf(channel::kFan1, 0x90), 2);
  EXPECT_EQ(FanDivisorOf(channel::kFan2, 0x90), 4);
}

TEST(Channels, LabelsFindTheirChannelUnderTheFanAndVccBits) {
  EXPECT_EQ(ChannelForLabel(3, 0x00), &channel::kFan1);
  EXPECT_EQ(ChannelForLabel(3, 0x01), &channel::kAin1);
  EXPECT_EQ(ChannelForLabel(10, 0x08), &channel::kVcc5);
  EXPECT_EQ(ChannelForLabel(14, 0x00), &channel::kExternal2);  // bit 2 hides, it does not switch
  EXPECT_EQ(ChannelForLabel(13, 0x00), nullptr);
}

}  // namespace
}  // namespace chip
