#include "display/display_cycle.h"

#include <QTimer>
#include <chrono>
#include <cstdint>
#include <initializer_list>

#include "access/link_new_com_port.h"
#include "chart/strip_chart.h"
#include "chip/channels.h"
#include "chip/reading_history.h"
#include "chip/register_catalogue.h"
#include "display/gauge_refresh.h"
#include "display/indicators.h"
#include "display/limits_gauge.h"

namespace display {

namespace {

using devaccess::ReadAt;
namespace reg = chip::reg;

constexpr int kGroupTemperatures = 0;
constexpr int kGroupVoltages = 1;
constexpr int kGroupFans = 2;

using chip::Channel;
namespace ch = chip::channel;

// The points of one tick share its time: the chart's clock is read once a tick, not per trace.
using Time = std::chrono::steady_clock::time_point;

// Keeps the byte read beside the point, for the chart's export (the trace is its slot).
std::uint8_t Keep(VisualContext& c, Time when, int trace, const Channel& channel, int raw,
                  int divisor = 1) {
  c.v.chart_readings->Add(std::chrono::nanoseconds(when.time_since_epoch()).count(), trace, channel,
                          static_cast<std::uint8_t>(raw), divisor);
  return static_cast<std::uint8_t>(raw);
}

// The chart plots volts with its own offsets, unlike the gauge.
void PlotVolts(VisualContext& c, Time when, int trace, const Channel& channel) {
  const int raw = Keep(c, when, trace, channel, ReadAt(c.d, channel.value_register));
  c.v.Strip2->AddPointAt(trace, when,
                         chip::VoltsFromRegister(raw, channel.scale.k, channel.scale.chart_offset));
}

void PlotCelsius(VisualContext& c, Time when, int trace, const Channel& channel) {
  const int raw = Keep(c, when, trace, channel, ReadAt(c.d, channel.value_register));
  c.v.Strip2->AddPointAt(trace, when, chip::CelsiusFromRegister(raw));
}

void PlotFan(VisualContext& c, Time when, int trace, const Channel& channel, int divisor) {
  const int raw = Keep(c, when, trace, channel, ReadAt(c.d, channel.value_register), divisor);
  const chip::FanReading fan = chip::ChartRpmFromCount(raw, divisor);
  c.d.value_read = static_cast<std::int16_t>(fan.count);
  c.v.Strip2->AddPointAt(trace, when, fan.rpm);
}

void PlotGroup(VisualContext& c) {
  devaccess::Declarations& d = c.d;
  const Time now = c.v.Strip2->Now();
  switch (d.vd_group_index) {
    case kGroupTemperatures:
      PlotCelsius(c, now, 0, ch::kInternal);
      PlotCelsius(c, now, 1, ch::kExternal1);
      if (d.chmode_bit2_flag == 1) PlotCelsius(c, now, 2, ch::kExternal2);
      break;
    case kGroupVoltages:
      // The +2.5V trace is volts even when the pin serves the second diode.
      PlotVolts(c, now, 2, ch::kV25);
      PlotVolts(c, now, 3, ch::kVccp1);
      PlotVolts(c, now, 4, d.chmode_bit3_flag == 1 ? ch::kVcc33 : ch::kVcc5);
      PlotVolts(c, now, 5, ch::kV5);
      PlotVolts(c, now, 6, ch::kV12);
      PlotVolts(c, now, 7, ch::kVccp2);
      if (d.fan1_mode_flag == 0) PlotVolts(c, now, 0, ch::kAin1);
      if (d.fan2_mode_flag == 0) PlotVolts(c, now, 1, ch::kAin2);
      break;
    case kGroupFans:
      if (d.fan1_mode_flag != 0) PlotFan(c, now, 0, ch::kFan1, d.fan1_divisor);
      if (d.fan2_mode_flag != 0) PlotFan(c, now, 1, ch::kFan2, d.fan2_divisor);
      // Nothing to plot: the display stands still until the next label click restarts it.
      if (d.fan1_mode_flag == 0 && d.fan2_mode_flag == 0) c.v.visual_timer->stop();
      break;
    default:
      break;
  }
}

enum class Shown { Always, Diode2, Ain1, Ain2, Fan1, Fan2 };

struct Legend {
  int item;
  const char* caption;
  int trace;
  double horizontal;
  double vertical;
  Shown when;
};

struct GroupSetup {
  double stops_low, stops_high;  // first range pair
  double view_low, view_high;    // second range pair
  bool highs_first;
  std::initializer_list<int> item_counts;
  int last_cleared_item;
  const char* title;
  std::initializer_list<Legend> legends;
};

const GroupSetup kTemperatureGroup{-128,
                                   125,
                                   0,
                                   50,
                                   false,
                                   {5},
                                   4,
                                   "Temperature",
                                   {{2, "Internal Temperature", 0, 0.05, 0.81, Shown::Always},
                                    {3, "External Temperature 1", 1, 0.1, 0.81, Shown::Always},
                                    {4, "External Temperature 2", 2, 0.15, 0.81, Shown::Diode2}}};

const GroupSetup kVoltageGroup{0,
                               16,
                               0,
                               16,
                               false,
                               {11, 9},
                               9,
                               "Voltage",
                               {{1, "Vccp1", 3, 0.05, 0.91, Shown::Always},
                                {2, "Vccp2", 7, 0.1, 0.91, Shown::Always},
                                {3, "Vcc", 4, 0.15, 0.91, Shown::Always},
                                {4, "12V", 6, 0.2, 0.91, Shown::Always},
                                {5, "5V", 5, 0.25, 0.91, Shown::Always},
                                {6, "2.5V", 2, 0.3, 0.91, Shown::Always},
                                {7, "AIN 1", 0, 0.35, 0.91, Shown::Ain1},
                                {8, "AIN 2", 1, 0.4, 0.91, Shown::Ain2}}};

const GroupSetup kFanGroup{
    2000,
    10000,
    3000,
    10000,
    true,
    {4},
    3,
    "R P M",
    {{2, "Fan 1", 0, 0.05, 0.91, Shown::Fan1}, {3, "Fan 2", 1, 0.1, 0.91, Shown::Fan2}}};

bool LegendShown(const devaccess::Declarations& d, Shown when) {
  switch (when) {
    case Shown::Always:
      return true;
    case Shown::Diode2:
      return d.chmode_bit2_flag == 1;
    case Shown::Ain1:
      return d.fan1_mode_flag == 0;
    case Shown::Ain2:
      return d.fan2_mode_flag == 0;
    case Shown::Fan1:
      return d.fan1_mode_flag == 1;
    case Shown::Fan2:
      return d.fan2_mode_flag == 1;
  }
  return false;
}

// The always-zero property (the chart's time offset) first, then the two range pairs in the
// order each set-up uses.
void SetRanges(chart::StripChart& chart, double stops_low, double stops_high, double view_low,
               double view_high, bool highs_first) {
  chart.SetTimeOffset(0);
  if (highs_first) {
    chart.SetRangeHigh(0, stops_high);
    chart.SetRangeHigh(1, view_high);
    chart.SetRangeLow(0, stops_low);
    chart.SetRangeLow(1, view_low);
  } else {
    chart.SetRangeLow(0, stops_low);
    chart.SetRangeLow(1, view_low);
    chart.SetRangeHigh(0, stops_high);
    chart.SetRangeHigh(1, view_high);
  }
}

void SetUpGroup(VisualContext& c, const GroupSetup& g) {
  chart::StripChart& chart = *c.v.Strip2;
  chart.ClearChart();
  SetRanges(chart, g.stops_low, g.stops_high, g.view_low, g.view_high, g.highs_first);
  for (int count : g.item_counts) chart.SetTextItemCount(count);
  for (int item = 0; item <= g.last_cleared_item; ++item) {
    chart.SetCurrentTextItem(item);
    chart.SetTextCaption(item, QString());
  }
  chart.SetCurrentTextItem(0);
  chart.SetTextCaption(0, QString::fromLatin1(g.title));
  for (const Legend& legend : g.legends) {
    if (!LegendShown(c.d, legend.when)) continue;
    const QString caption = QString::fromLatin1(legend.caption);
    chart.SetCurrentTextItem(legend.item);
    chart.SetTextCaption(legend.item, caption);
    chart.SetTextColor(legend.item, chart.TraceColor(legend.trace));
    chart.SetTextPosition(legend.item, legend.horizontal, legend.vertical);
    chart.SetTraceName(legend.trace, caption);  // what accessibility tools read for the trace
  }
}

}  // namespace

void visual_timer_Timer(VisualContext& c) {
  PlotGroup(c);
  RefreshGaugeChannel(c.d, *c.v.limits_gauge, c.d.vd_channel_index, 0);
  ReadAt(c.d, reg::kIntStatus1);
  show_int_status_1(c);
  ReadAt(c.d, reg::kIntStatus2);
  show_int_status_2(c);
}

void SetUpStripChartGroup(VisualContext& c, int group) {
  switch (group) {
    case kGroupTemperatures:
      SetUpGroup(c, kTemperatureGroup);
      break;
    case kGroupVoltages:
      SetUpGroup(c, kVoltageGroup);
      break;
    case kGroupFans: {
      SetUpGroup(c, kFanGroup);
      const int divisors = ReadAt(c.d, reg::kVidFanDivisor);
      c.d.fan1_divisor = static_cast<std::int16_t>(chip::FanDivisorOf(ch::kFan1, divisors));
      c.d.fan2_divisor = static_cast<std::int16_t>(chip::FanDivisorOf(ch::kFan2, divisors));
      break;
    }
    default:
      break;
  }
}

void setup_strip_chart_and_gauge(VisualContext& c) {
  chart::StripChart& chart = *c.v.Strip2;
  if (chart.TextCaption(chart.CurrentTextItem()).isEmpty()) {
    chart.ClearChart();
    SetRanges(chart, -128, 125, -128, 125, true);
  }
  const int index = c.d.vd_selected_index;
  if (index >= 0 && index <= 2) {
    c.d.vd_group_index = static_cast<std::int16_t>(index);
    SetUpStripChartGroup(c, index);
  } else if ((index >= 3 && index <= 12) || index == 14) {
    set_up_gauge(c, index);
  }
}

}  // namespace display
