#include "display/gauge_refresh.h"

#include <QString>
#include <cstdint>

#include "access/link_new_com_port.h"
#include "chip/conversions.h"
#include "chip/register_catalogue.h"
#include "display/gauge_channels.h"
#include "widgets/linear_gauge.h"

namespace display {

namespace {

using devaccess::ReadAt;
constexpr int kLow = LinearGauge::kLowPointer;
constexpr int kHigh = LinearGauge::kHighPointer;

// Runs on every tick: compares in place and builds a QString only when the text changed.
void SetCaption(LinearGauge& gauge, const chip::CaptionText& caption) {
  const std::string_view text = caption.view();
  const QLatin1String latin(text.data(), static_cast<qsizetype>(text.size()));
  if (gauge.Caption() != latin) gauge.SetCaption(QString(latin));
}

// The limits as the gauge holds them after it kept them within its scale.
void SetLimits(LinearGauge& gauge, double low, double high) {
  gauge.SetCurrentPointer(kLow);
  gauge.SetPointerValue(kLow, low);
  const double l = gauge.PointerValue(kLow);
  gauge.SetCurrentPointer(kHigh);
  gauge.SetPointerValue(kHigh, high);
  const double h = gauge.PointerValue(kHigh);
  for (int band : {LinearGauge::kBand0, LinearGauge::kBand1}) {
    gauge.SetCurrentPointer(band);
    gauge.SetBandStart(band, l);
    gauge.SetBandEnd(band, h);
  }
}

using chip::Channel;
namespace ch = chip::channel;

// A limit register of 0 shows as the value for 1, so an unset limit never sits below the scale.
double LimitVolts(Declarations& d, int reg, const chip::VoltageScale& scale) {
  if (ReadAt(d, reg) == 0) d.value_read = 1;
  return chip::VoltsFromRegister(d.value_read, scale.k, scale.gauge_offset);
}

void RefreshVolts(Declarations& d, LinearGauge& gauge, int full_read, const Channel& c) {
  if (full_read == 1) {
    const double low = LimitVolts(d, c.low_register, c.scale);
    const double high = LimitVolts(d, c.high_register, c.scale);
    SetLimits(gauge, low, high);
  }
  const int raw = ReadAt(d, c.value_register);
  gauge.SetReading(chip::ValueFromRegister(c, raw, 1));
  SetCaption(gauge, chip::VoltsCaption(gauge.Reading()));
}

std::int16_t& DivisorOf(Declarations& d, const Channel& fan) {
  return fan.fan == 1 ? d.fan1_divisor : d.fan2_divisor;
}

void RefreshFan(Declarations& d, LinearGauge& gauge, int& full_read, const Channel& c,
                void (*analog)(Declarations&, LinearGauge&, int&)) {
  const std::uint8_t mode_flag = c.fan == 1 ? d.fan1_mode_flag : d.fan2_mode_flag;
  if (mode_flag != 1) {
    analog(d, gauge, full_read);
    return;
  }
  std::int16_t& divisor = DivisorOf(d, c);
  if (full_read == 1) {
    divisor =
        static_cast<std::int16_t>(chip::FanDivisorOf(c, ReadAt(d, chip::reg::kVidFanDivisor)));
    const chip::FanReading limit = chip::GaugeRpmFromCount(ReadAt(d, c.low_register), divisor);
    d.value_read = static_cast<std::int16_t>(limit.count);
    gauge.SetCurrentPointer(kLow);
    gauge.SetPointerValue(kLow, limit.rpm);
  }
  const chip::FanReading reading = chip::GaugeRpmFromCount(ReadAt(d, c.value_register), divisor);
  d.value_read = static_cast<std::int16_t>(reading.count);
  gauge.SetReading(reading.rpm);
  SetCaption(gauge, chip::RpmCaption(gauge.Reading()));
}

void RefreshTemperature(Declarations& d, LinearGauge& gauge, int full_read, const Channel& c) {
  if (full_read == 1) {
    const int low = chip::CelsiusFromRegister(ReadAt(d, c.low_register));
    const int high = chip::CelsiusFromRegister(ReadAt(d, c.high_register));
    SetLimits(gauge, low, high);
    return;
  }
  gauge.SetReading(chip::CelsiusFromRegister(ReadAt(d, c.value_register)));
  SetCaption(gauge, chip::CelsiusCaption(gauge.Reading()));
}

}  // namespace

void read_vccp1_bargraph_stats(Declarations& d, LinearGauge& gauge, int& full_read) {
  RefreshVolts(d, gauge, full_read, ch::kVccp1);
}
void read_vccp2_bargraph_stats(Declarations& d, LinearGauge& gauge, int& full_read) {
  RefreshVolts(d, gauge, full_read, ch::kVccp2);
}
void read_vcc33_bargraph_stats(Declarations& d, LinearGauge& gauge, int& full_read) {
  RefreshVolts(d, gauge, full_read, ch::kVcc33);
}
void read_vcc5_bargraph_stats(Declarations& d, LinearGauge& gauge, int& full_read) {
  RefreshVolts(d, gauge, full_read, ch::kVcc5);
}
void read_5v_bargraph_stats(Declarations& d, LinearGauge& gauge, int& full_read) {
  RefreshVolts(d, gauge, full_read, ch::kV5);
}
void read_12v_bargraph_stats(Declarations& d, LinearGauge& gauge, int& full_read) {
  RefreshVolts(d, gauge, full_read, ch::kV12);
}
void read_25v_bargraph_stats(Declarations& d, LinearGauge& gauge, int& full_read) {
  RefreshVolts(d, gauge, full_read, ch::kV25);
}
void read_ain1_bargraph_stats(Declarations& d, LinearGauge& gauge, int& full_read) {
  RefreshVolts(d, gauge, full_read, ch::kAin1);
}
void read_ain2_bargraph_stats(Declarations& d, LinearGauge& gauge, int& full_read) {
  RefreshVolts(d, gauge, full_read, ch::kAin2);
}

void read_fan1_bargraph_stats(Declarations& d, LinearGauge& gauge, int& full_read) {
  RefreshFan(d, gauge, full_read, ch::kFan1, &read_ain1_bargraph_stats);
}
void read_fan2_bargraph_stats(Declarations& d, LinearGauge& gauge, int& full_read) {
  RefreshFan(d, gauge, full_read, ch::kFan2, &read_ain2_bargraph_stats);
}

void read_externaltemp1_bargraph_stats(Declarations& d, LinearGauge& gauge, int& full_read) {
  RefreshTemperature(d, gauge, full_read, ch::kExternal1);
}
void read_internaltemp_bargraph_stats(Declarations& d, LinearGauge& gauge, int& full_read) {
  RefreshTemperature(d, gauge, full_read, ch::kInternal);
}
void read_externaltemp2_bargraph_stats(Declarations& d, LinearGauge& gauge, int& full_read) {
  RefreshTemperature(d, gauge, full_read, ch::kExternal2);
}

void RefreshGaugeChannel(Declarations& d, LinearGauge& gauge, int channel_index, int full_read) {
  const Channel* c = GaugeChannelOf(d, channel_index);
  if (c == nullptr) return;
  switch (c->quantity) {
    case chip::Quantity::Volts:
      RefreshVolts(d, gauge, full_read, *c);
      break;
    case chip::Quantity::Celsius:
      RefreshTemperature(d, gauge, full_read, *c);
      break;
    case chip::Quantity::Rpm:
      RefreshFan(d, gauge, full_read, *c,
                 c->fan == 1 ? &read_ain1_bargraph_stats : &read_ain2_bargraph_stats);
      break;
  }
}

}  // namespace display
