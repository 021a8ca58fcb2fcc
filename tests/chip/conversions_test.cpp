#include "chip/conversions.h"

#include <gtest/gtest.h>

namespace chip {
namespace {

TEST(Conversions, VoltsFromRegisterMatchesWhatTheUserSees) {
  const struct {
    const char* what;
    int raw;
    VoltageScale scale;
    bool gauge;  // gauge offset, else chart offset
    const char* shown;
  } cases[] = {
      {"Vccp1 0 on the chart", 0, kScaleVccp, false, "0.014V"},
      {"Vccp1 255 on the chart", 255, kScaleVccp, false, "3.600V"},
      {"Vccp1 limit 0 shown as 1", 1, kScaleVccp, true, "0.028V"},
      {"+2.5V 255 on the chart", 255, kScale25V, false, "3.333V"},
      {"+2.5V 255 on the gauge", 255, kScale25V, true, "3.346V"},
      {"+12V 0x80 on the chart", 0x80, kScale12V, false, "8.010V"},
      {"+12V 0x80 on the gauge", 0x80, kScale12V, true, "8.062V"},
      {"+12V 255 on the chart", 255, kScale12V, false, "15.948V"},
      {"+12V 255 on the gauge", 255, kScale12V, true, "16.000V"},
      {"Vcc 3.3V scale 0xC0", 0xC0, kScaleVcc33, true, "3.317V"},
      {"AIN 0", 0, kScaleAin, false, "0.010V"},
  };
  for (const auto& c : cases) {
    const double offset = c.gauge ? c.scale.gauge_offset : c.scale.chart_offset;
    EXPECT_EQ(VoltsCaption(VoltsFromRegister(c.raw, c.scale.k, offset)).view(), c.shown) << c.what;
  }
}

TEST(Conversions, RegisterFromVoltsRoundsDownAndClampsTheTop) {
  const struct {
    const char* what;
    double volts, k_inverse;
    int reg;
  } cases[] = {
      {"+5V at the top of its gauge writes 255, not 256", 6.64, kScale5V.k_inverse, 255},
      {"+12V at the top", 15.938, kScale12V.k_inverse, 255},
      {"bottom of any gauge", 0.0, kScaleVccp.k_inverse, 0},
      {"Vccp1 3.1131 rounds down", 3.1131, kScaleVccp.k_inverse, 222},
      {"the shown value of r = 128 yields r + 1", VoltsFromRegister(128, 15.938, 0.062),
       kScale12V.k_inverse, 129},
      {"just below a count stays below", 15.876 / 255 * 100 - 1e-9, kScale12V.k_inverse, 99},
      {"a negative value never reaches the chip", -0.5, kScaleVccp.k_inverse, 0},
  };
  for (const auto& c : cases) EXPECT_EQ(RegisterFromVolts(c.volts, c.k_inverse), c.reg) << c.what;
}

TEST(Conversions, TemperaturesAreTwosComplementWholeDegrees) {
  const int reads[][2] = {{0x00, 0}, {0x19, 25}, {0x7F, 127}, {0x80, -128}, {0xFE, -2}, {0xFF, -1}};
  for (const auto& c : reads) EXPECT_EQ(CelsiusFromRegister(c[0]), c[1]) << c[0];

  const struct {
    double degrees;
    int reg;
  } writes[] = {{-2, 0xFE}, {-128, 0x80}, {-1, 0xFF}, {25.5, 26},   {24.5, 24}, {0, 0},
                {127, 127}, {20.32, 20},  {-0.5, 0},  {-1.5, 0xFE}, {26.4, 26}, {-127.6, 0x80}};
  for (const auto& c : writes) EXPECT_EQ(RegisterFromCelsius(c.degrees), c.reg) << c.degrees;
}

TEST(Conversions, FanCountsOnGaugeAndChart) {
  const struct {
    int count, divisor;
    double gauge_rpm;
    int gauge_count;  // left in value_read
    double chart_rpm;
  } cases[] = {
      {0, 1, 10000, 135, 10000}, {0, 2, 10074, 67, 5000},     {0, 4, 10227, 33, 2500},
      {0, 8, 10546, 16, 1250},   {135, 1, 10000, 135, 10000}, {255, 2, 2647, 255, 2647},
      {150, 1, 9000, 150, 9000}, {134, 1, 10000, 135, 10000}, {255, 8, 661, 255, 661},
  };
  for (const auto& c : cases) {
    const FanReading g = GaugeRpmFromCount(c.count, c.divisor);
    EXPECT_EQ(g.rpm, c.gauge_rpm) << c.count << "/" << c.divisor;
    EXPECT_EQ(g.count, c.gauge_count) << c.count << "/" << c.divisor;
    const FanReading s = ChartRpmFromCount(c.count, c.divisor);
    EXPECT_EQ(s.rpm, c.chart_rpm) << c.count << "/" << c.divisor;
    EXPECT_EQ(s.count, c.count == 0 ? 1 : c.count);
  }
  EXPECT_EQ(RpmCaption(GaugeRpmFromCount(0, 2).rpm).view(), "10074RPM");
}

TEST(Conversions, CountFromRpmRoundsDownAndClampsSlowLimits) {
  const struct {
    double rpm;
    int divisor, count;
  } cases[] = {{2657, 2, 254},  {5273, 1, 255}, {5000, 1, 255}, {5295, 1, 254},
               {10000, 1, 135}, {10000, 8, 16}, {4500, 2, 150}};
  for (const auto& c : cases) EXPECT_EQ(CountFromRpm(c.rpm, c.divisor), c.count) << c.rpm;
}

// The last rows ask for one value in other formats one after another, and again in the first.
TEST(Conversions, CaptionsFollowTheirFormats) {
  const struct {
    CaptionText caption;
    const char* text;
  } cases[] = {
      {VoltsCaption(3.312), "3.312V"},    {VoltsCaption(0.0), "0.000V"},
      {VoltsCaption(3.3455), "3.346V"},   {VoltsCaption(0.0625), "0.063V"},
      {VoltsCaption(12.9994), "12.999V"}, {VoltsCaption(9.9996), "10.000V"},
      {CelsiusCaption(-5), "-5C"},        {CelsiusCaption(45), "45C"},
      {CelsiusCaption(-128), "-128C"},    {CelsiusCaption(0), "0C"},
      {RpmCaption(4821), "4821RPM"},      {RpmCaption(10546), "10546RPM"},
      {CelsiusCaption(25), "25C"},        {VoltsCaption(25.0), "25.000V"},
      {RpmCaption(25), "25RPM"},          {RpmCaption(25), "25RPM"},
      {CelsiusCaption(25), "25C"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.caption.view(), c.text);
}

}  // namespace
}  // namespace chip
