#include "display/gauge_refresh.h"

#include <QString>
#include <cstdint>

#include "access/link_new_com_port.h"
#include "access/register_catalogue.h"
#include "display/conversions.h"
#include "display/gauge_channels.h"
#include "widgets/linear_gauge.h"

namespace display {

namespace {

using devaccess::ReadAt;
constexpr int kLow = LinearGauge::kLowPointer;
constexpr int kHigh = LinearGauge::kHighPointer;

// Runs on every tick: compares in place and builds a QString only when the text changed.
void SetCaption(LinearGauge& gauge, const CaptionText& caption) {
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

struct VoltsChannel {
  int low_register;
  int high_register;
  int value_register;
  const VoltageScale& scale;
};

// A limit register of 0 shows as the value for 1, so an unset limit never sits below the scale.
double LimitVolts(Declarations& d, int reg, const VoltageScale& scale) {
  if (ReadAt(d, reg) == 0) d.value_read = 1;
  return VoltsFromRegister(d.value_read, scale.k, scale.gauge_offset);
}

void RefreshVolts(Declarations& d, LinearGauge& gauge, int full_read, const VoltsChannel& c) {
  if (full_read == 1) {
    const double low = LimitVolts(d, c.low_register, c.scale);
    const double high = LimitVolts(d, c.high_register, c.scale);
    SetLimits(gauge, low, high);
  }
  const int raw = ReadAt(d, c.value_register);
  gauge.SetReading(VoltsFromRegister(raw, c.scale.k, c.scale.gauge_offset));
  SetCaption(gauge, VoltsCaption(gauge.Reading()));
}

struct FanChannel {
  int limit_register;
  int value_register;
  int divisor_shift;  // bits 5:4 or 7:6 of register 0x47
  std::int16_t Declarations::*divisor;
  std::uint8_t Declarations::*mode_flag;
  void (*analog)(Declarations&, LinearGauge&, int&);
};

void RefreshFan(Declarations& d, LinearGauge& gauge, int& full_read, const FanChannel& c) {
  if (d.*c.mode_flag != 1) {
    c.analog(d, gauge, full_read);
    return;
  }
  if (full_read == 1) {
    const int bits = (ReadAt(d, devaccess::reg::kVidFanDivisor) >> c.divisor_shift) & 3;
    d.*c.divisor = static_cast<std::int16_t>(FanDivisorFromBits(bits));
    const FanReading limit = GaugeRpmFromCount(ReadAt(d, c.limit_register), d.*c.divisor);
    d.value_read = static_cast<std::int16_t>(limit.count);
    gauge.SetCurrentPointer(kLow);
    gauge.SetPointerValue(kLow, limit.rpm);
  }
  const FanReading reading = GaugeRpmFromCount(ReadAt(d, c.value_register), d.*c.divisor);
  d.value_read = static_cast<std::int16_t>(reading.count);
  gauge.SetReading(reading.rpm);
  SetCaption(gauge, RpmCaption(gauge.Reading()));
}

struct TemperatureChannel {
  int low_register;
  int high_register;
  int value_register;
};

void RefreshTemperature(Declarations& d, LinearGauge& gauge, int full_read,
                        const TemperatureChannel& c) {
  if (full_read == 1) {
    const int low = CelsiusFromRegister(ReadAt(d, c.low_register));
    const int high = CelsiusFromRegister(ReadAt(d, c.high_register));
    SetLimits(gauge, low, high);
    return;
  }
  gauge.SetReading(CelsiusFromRegister(ReadAt(d, c.value_register)));
  SetCaption(gauge, CelsiusCaption(gauge.Reading()));
}

}  // namespace

void read_vccp1_bargraph_stats(Declarations& d, LinearGauge& gauge, int& full_read) {
  RefreshVolts(d, gauge, full_read, {0x2E, 0x2D, 0x21, kScaleVccp});
}
void read_vccp2_bargraph_stats(Declarations& d, LinearGauge& gauge, int& full_read) {
  RefreshVolts(d, gauge, full_read, {0x36, 0x35, 0x25, kScaleVccp});
}
void read_vcc33_bargraph_stats(Declarations& d, LinearGauge& gauge, int& full_read) {
  RefreshVolts(d, gauge, full_read, {0x30, 0x2F, 0x22, kScaleVcc33});
}
void read_vcc5_bargraph_stats(Declarations& d, LinearGauge& gauge, int& full_read) {
  RefreshVolts(d, gauge, full_read, {0x30, 0x2F, 0x22, kScaleVcc5});
}
void read_5v_bargraph_stats(Declarations& d, LinearGauge& gauge, int& full_read) {
  RefreshVolts(d, gauge, full_read, {0x32, 0x31, 0x23, kScale5V});
}
void read_12v_bargraph_stats(Declarations& d, LinearGauge& gauge, int& full_read) {
  RefreshVolts(d, gauge, full_read, {0x34, 0x33, 0x24, kScale12V});
}
void read_25v_bargraph_stats(Declarations& d, LinearGauge& gauge, int& full_read) {
  RefreshVolts(d, gauge, full_read, {0x2C, 0x2B, 0x20, kScale25V});
}
void read_ain1_bargraph_stats(Declarations& d, LinearGauge& gauge, int& full_read) {
  RefreshVolts(d, gauge, full_read, {0x1A, 0x3B, 0x28, kScaleAin});
}
void read_ain2_bargraph_stats(Declarations& d, LinearGauge& gauge, int& full_read) {
  RefreshVolts(d, gauge, full_read, {0x1B, 0x3C, 0x29, kScaleAin});
}

void read_fan1_bargraph_stats(Declarations& d, LinearGauge& gauge, int& full_read) {
  RefreshFan(d, gauge, full_read,
             {0x3B, 0x28, 4, &Declarations::fan1_divisor, &Declarations::fan1_mode_flag,
              &read_ain1_bargraph_stats});
}
void read_fan2_bargraph_stats(Declarations& d, LinearGauge& gauge, int& full_read) {
  RefreshFan(d, gauge, full_read,
             {0x3C, 0x29, 6, &Declarations::fan2_divisor, &Declarations::fan2_mode_flag,
              &read_ain2_bargraph_stats});
}

void read_externaltemp1_bargraph_stats(Declarations& d, LinearGauge& gauge, int& full_read) {
  RefreshTemperature(d, gauge, full_read, {0x38, 0x37, 0x26});
}
void read_internaltemp_bargraph_stats(Declarations& d, LinearGauge& gauge, int& full_read) {
  RefreshTemperature(d, gauge, full_read, {0x3A, 0x39, 0x27});
}
void read_externaltemp2_bargraph_stats(Declarations& d, LinearGauge& gauge, int& full_read) {
  RefreshTemperature(d, gauge, full_read, {0x2C, 0x2B, 0x20});
}

void RefreshGaugeChannel(Declarations& d, LinearGauge& gauge, int channel_index, int full_read) {
  switch (channel_index) {
    case channel::kFan1:
      read_fan1_bargraph_stats(d, gauge, full_read);
      break;
    case channel::kFan2:
      read_fan2_bargraph_stats(d, gauge, full_read);
      break;
    case channel::kExternal1:
      read_externaltemp1_bargraph_stats(d, gauge, full_read);
      break;
    case channel::kInternal:
      read_internaltemp_bargraph_stats(d, gauge, full_read);
      break;
    case channel::kVccp2:
      read_vccp2_bargraph_stats(d, gauge, full_read);
      break;
    case channel::kVccp1:
      read_vccp1_bargraph_stats(d, gauge, full_read);
      break;
    case channel::k25V:
      read_25v_bargraph_stats(d, gauge, full_read);
      break;
    case channel::kVcc:
      if (d.chmode_bit3_flag == 1) {
        read_vcc33_bargraph_stats(d, gauge, full_read);
      } else {
        read_vcc5_bargraph_stats(d, gauge, full_read);
      }
      break;
    case channel::k5V:
      read_5v_bargraph_stats(d, gauge, full_read);
      break;
    case channel::k12V:
      read_12v_bargraph_stats(d, gauge, full_read);
      break;
    case channel::kExternal2:
      read_externaltemp2_bargraph_stats(d, gauge, full_read);
      break;
    default:
      break;
  }
}

}  // namespace display
