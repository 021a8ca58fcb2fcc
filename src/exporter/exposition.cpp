#include "exporter/exposition.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <optional>
#include <utility>

#include "chip/alarm_names.h"
#include "chip/register_catalogue.h"

namespace exporter {

namespace {

using chip::ChannelReading;
using chip::Quantity;

enum class Kind { Gauge, Counter, Info };

struct Family {
  std::string_view sample;  // the sample's name; OpenMetrics drops _total or _info for the family
  Kind kind;
  std::string_view unit;  // OpenMetrics UNIT; empty for none
  std::string_view help;
};

// Prometheus's conventions: one metric per quantity with the channel as a label, base units as
// suffixes (RPM as hardware monitors write it), counters ending in _total.
constexpr Family kUp{"kelvran_up", Kind::Gauge, "",
                     "1 when the last reading of the chip succeeded, 0 when the bus failed or the "
                     "chip did not identify."};
constexpr Family kInfo{
    "kelvran_chip_info", Kind::Info, "",
    "Where the chip sits (its adapter's number now), its company ID and revision."};
constexpr Family kVolts{"kelvran_voltage_volts", Kind::Gauge, "volts",
                        "Reading of each voltage channel and analog input."};
constexpr Family kVoltsLow{"kelvran_voltage_low_limit_volts", Kind::Gauge, "volts",
                           "Low limit of each voltage channel and analog input."};
constexpr Family kVoltsHigh{"kelvran_voltage_high_limit_volts", Kind::Gauge, "volts",
                            "High limit of each voltage channel and analog input."};
constexpr Family kCelsius{"kelvran_temperature_celsius", Kind::Gauge, "celsius",
                          "Reading of each temperature channel, in whole degrees."};
constexpr Family kCelsiusLow{"kelvran_temperature_low_limit_celsius", Kind::Gauge, "celsius",
                             "Low limit of each temperature channel."};
constexpr Family kCelsiusHigh{"kelvran_temperature_high_limit_celsius", Kind::Gauge, "celsius",
                              "High limit of each temperature channel."};
constexpr Family kTrip{"kelvran_temperature_trip_celsius", Kind::Gauge, "celsius",
                       "Hardware trip points, by the channel they guard and their register."};
constexpr Family kRpm{"kelvran_fan_speed_rpm", Kind::Gauge, "rpm",
                      "Speed of each fan; 0 while it is stalled."};
constexpr Family kRpmLow{"kelvran_fan_low_limit_rpm", Kind::Gauge, "rpm",
                         "Slowest speed each fan may turn before its alarm latches."};
constexpr Family kStalled{"kelvran_fan_stalled", Kind::Gauge, "",
                          "1 when the fan's count is 255: stopped, or slower than its divisor "
                          "can count."};
constexpr Family kVid{"kelvran_vid_code", Kind::Gauge, "",
                      "Code on the five VID pins of the processor socket, VID4 the highest bit."};
constexpr Family kConverting{"kelvran_converting", Kind::Gauge, "",
                             "1 while the chip converts (START set); its readings stand still "
                             "otherwise."};
constexpr Family kAlarm{"kelvran_alarm", Kind::Gauge, "",
                        "1 when the channel's interrupt status bit latched since the reading "
                        "before."};
constexpr Family kAlarms{"kelvran_alarms_total", Kind::Counter, "",
                         "Readings that found the channel's interrupt status bit latched."};
constexpr Family kIntrusion{"kelvran_chassis_intrusion", Kind::Gauge, "",
                            "1 while the chassis intrusion latch is set; writing 0x80 to "
                            "Chassis Clear clears it."};
constexpr Family kBusErrors{"kelvran_bus_errors_total", Kind::Counter, "",
                            "Readings of the chip that failed on the bus."};
constexpr Family kDuration{"kelvran_scrape_duration_seconds", Kind::Gauge, "seconds",
                           "Time this scrape took to read the chips."};

std::string_view FamilyName(const Family& f, Format format) {
  std::string_view name = f.sample;
  if (format == Format::OpenMetrics) {
    if (f.kind == Kind::Counter) name.remove_suffix(std::string_view("_total").size());
    if (f.kind == Kind::Info) name.remove_suffix(std::string_view("_info").size());
  }
  return name;
}

std::string_view TypeName(Kind kind, Format format) {
  switch (kind) {
    case Kind::Counter:
      return "counter";
    case Kind::Info:
      return format == Format::OpenMetrics ? "info" : "gauge";
    case Kind::Gauge:
      break;
  }
  return "gauge";
}

// The bytes of one UTF-8 sequence starting at s[i], or 0 when it is not one.
std::size_t Utf8Length(std::string_view s, std::size_t i) {
  const auto byte = [&s](std::size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char c = byte(i);
  std::size_t n = 0;
  unsigned min = 0;
  unsigned code = 0;
  if (c < 0x80) return 1;
  if ((c & 0xE0) == 0xC0) {
    n = 2, min = 0x80, code = c & 0x1Fu;
  } else if ((c & 0xF0) == 0xE0) {
    n = 3, min = 0x800, code = c & 0x0Fu;
  } else if ((c & 0xF8) == 0xF0) {
    n = 4, min = 0x10000, code = c & 0x07u;
  } else {
    return 0;
  }
  if (i + n > s.size()) return 0;
  for (std::size_t k = 1; k < n; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) return 0;
    code = (code << 6) | (byte(i + k) & 0x3Fu);
  }
  // Overlong forms, surrogates and code points past Unicode's end are not UTF-8.
  if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  return n;
}

class Writer {
 public:
  Writer(std::string& out, Format format) : out_(out), format_(format) {}

  void Head(const Family& f) {
    const std::string_view name = FamilyName(f, format_);
    Line("# HELP ", name, " ", f.help);
    Line("# TYPE ", name, " ", TypeName(f.kind, format_));
    if (format_ == Format::OpenMetrics && !f.unit.empty()) Line("# UNIT ", name, " ", f.unit);
  }

  // name{chip="..."[,key="value"]...} value
  template <typename... Labels>
  void Sample(const Family& f, const ChipLabels& chip, double value, const Labels&... labels) {
    out_.append(f.sample);
    out_.append("{chip=\"");
    AppendLabelValue(out_, chip.chip);
    out_.push_back('"');
    (Label(labels.first, labels.second), ...);
    out_.append("} ");
    Number(value);
    out_.push_back('\n');
  }

  void Number(double value) {
    std::array<char, 32> text{};
    const auto result = std::to_chars(text.data(), text.data() + text.size(), value);
    out_.append(text.data(), result.ptr);
  }

  void Unlabelled(const Family& f, double value) {
    out_.append(f.sample);
    out_.push_back(' ');
    Number(value);
    out_.push_back('\n');
  }

  void End() {
    if (format_ == Format::OpenMetrics) out_.append("# EOF\n");
  }

 private:
  void Line(std::string_view a, std::string_view b, std::string_view c, std::string_view d) {
    out_.append(a).append(b).append(c).append(d).push_back('\n');
  }
  void Label(std::string_view key, std::string_view value) {
    out_.push_back(',');
    out_.append(key);
    out_.append("=\"");
    AppendLabelValue(out_, value);
    out_.push_back('"');
  }

  std::string& out_;
  Format format_;
};

using LabelPair = std::pair<std::string_view, std::string_view>;

LabelPair Channel(const ChannelReading& r) {
  return {"channel", r.channel->caption};
}

// Millivolts, as the window shows them: 12.062, not 12.061999999999999.
double Millivolts(double volts) {
  return std::round(volts * 1000.0) / 1000.0;
}

double Flag(bool on) {
  return on ? 1.0 : 0.0;
}

std::string Hex(int value) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%02X", value & 0xFF);
  return text;
}

// One family for every chip that is up: `each` gives the samples of one chip.
template <typename Each>
void PerChip(Writer& w, const Family& f, std::span<const ChipView> chips, Each each) {
  w.Head(f);
  for (const ChipView& c : chips) {
    if (c.reading->up) each(*c.labels, *c.reading);
  }
}

// A channel family: the channels of one quantity, value or limit.
template <typename Value>
void Channels(Writer& w, const Family& f, std::span<const ChipView> chips, Quantity quantity,
              Value value) {
  PerChip(w, f, chips, [&](const ChipLabels& labels, const ChipReading& r) {
    for (const ChannelReading& channel : r.Channels()) {
      if (channel.channel->quantity != quantity) continue;
      if (const std::optional<double> v = value(channel)) {
        w.Sample(f, labels, *v, Channel(channel));
      }
    }
  });
}

}  // namespace

void AppendLabelValue(std::string& out, std::string_view value) {
  for (std::size_t i = 0; i < value.size();) {
    const char c = value[i];
    if (c == '\\') {
      out.append("\\\\");
    } else if (c == '"') {
      out.append("\\\"");
    } else if (c == '\n') {
      out.append("\\n");
    } else {
      const std::size_t n = Utf8Length(value, i);
      if (n == 0) {
        out.append("\xEF\xBF\xBD");  // U+FFFD for a byte that starts no UTF-8 sequence
        ++i;
        continue;
      }
      out.append(value.substr(i, n));
      i += n;
      continue;
    }
    ++i;
  }
}

void AppendExposition(std::string& out, Format format, std::span<const ChipView> chips,
                      double scrape_seconds) {
  Writer w(out, format);
  w.Head(kUp);
  for (const ChipView& c : chips) w.Sample(kUp, *c.labels, Flag(c.reading->up));

  PerChip(w, kInfo, chips, [&](const ChipLabels& labels, const ChipReading& r) {
    const std::string company = Hex(r.facts.company_id);
    const std::string revision = Hex(r.facts.revision);
    w.Sample(kInfo, labels, 1.0, LabelPair{"medium", labels.medium},
             LabelPair{"adapter", r.adapter.empty() ? labels.adapter : r.adapter},
             LabelPair{"address", labels.address}, LabelPair{"company_id", company},
             LabelPair{"revision", revision});
  });

  const auto value = [](const ChannelReading& c) -> std::optional<double> { return c.value; };
  const auto low = [](const ChannelReading& c) -> std::optional<double> { return c.low; };
  const auto high = [](const ChannelReading& c) -> std::optional<double> {
    return c.has_high ? std::optional<double>(c.high) : std::nullopt;
  };
  const auto mv = [](auto f) {
    return [f](const ChannelReading& c) -> std::optional<double> {
      const std::optional<double> v = f(c);
      return v ? std::optional<double>(Millivolts(*v)) : std::nullopt;
    };
  };
  Channels(w, kVolts, chips, Quantity::Volts, mv(value));
  Channels(w, kVoltsLow, chips, Quantity::Volts, mv(low));
  Channels(w, kVoltsHigh, chips, Quantity::Volts, mv(high));
  Channels(w, kCelsius, chips, Quantity::Celsius, value);
  Channels(w, kCelsiusLow, chips, Quantity::Celsius, low);
  Channels(w, kCelsiusHigh, chips, Quantity::Celsius, high);

  PerChip(w, kTrip, chips, [&](const ChipLabels& labels, const ChipReading& r) {
    for (const chip::ChipFacts::TripPoint& trip : r.facts.trip_points) {
      const std::string reg = Hex(trip.address);
      w.Sample(kTrip, labels, trip.celsius, LabelPair{"channel", trip.channel},
               LabelPair{"register", reg});
    }
  });

  Channels(w, kRpm, chips, Quantity::Rpm, value);
  Channels(w, kRpmLow, chips, Quantity::Rpm, low);
  Channels(w, kStalled, chips, Quantity::Rpm,
           [](const ChannelReading& c) -> std::optional<double> { return Flag(c.stalled); });

  PerChip(w, kVid, chips, [&](const ChipLabels& labels, const ChipReading& r) {
    w.Sample(kVid, labels, r.facts.vid);
  });
  PerChip(w, kConverting, chips, [&](const ChipLabels& labels, const ChipReading& r) {
    w.Sample(kConverting, labels, Flag(r.converting));
  });

  // Every channel measured now, then the bits that belong to no channel.
  const auto alarms = [&](const Family& f, auto value_of) {
    PerChip(w, f, chips, [&](const ChipLabels& labels, const ChipReading& r) {
      for (const ChannelReading& channel : r.Channels()) {
        w.Sample(f, labels, value_of(r, channel.channel->caption, channel.alarm), Channel(channel));
      }
      for (const chip::AlarmWithoutChannel& other : chip::kAlarmsWithoutChannel) {
        const bool on = ((r.alarms.status2 >> other.bit) & 1) != 0;
        w.Sample(f, labels, value_of(r, other.name, on), LabelPair{"channel", other.name});
      }
    });
  };
  alarms(kAlarm, [](const ChipReading&, std::string_view, bool on) { return Flag(on); });
  alarms(kAlarms, [](const ChipReading& r, std::string_view name, bool) {
    const int index = AlarmIndex(name);
    return index < 0 ? 0.0 : static_cast<double>(r.alarm_readings[static_cast<std::size_t>(index)]);
  });

  PerChip(w, kIntrusion, chips, [&](const ChipLabels& labels, const ChipReading& r) {
    w.Sample(kIntrusion, labels, Flag(r.facts.intrusion));
  });

  w.Head(kBusErrors);
  for (const ChipView& c : chips) {
    w.Sample(kBusErrors, *c.labels, static_cast<double>(c.reading->bus_errors));
  }
  w.Head(kDuration);
  w.Unlabelled(kDuration, scrape_seconds);
  w.End();
}

}  // namespace exporter
