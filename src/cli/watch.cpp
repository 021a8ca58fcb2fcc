#include "cli/watch.h"

#include <chrono>
#include <ctime>
#include <ostream>
#include <string>
#include <string_view>

#include "access/link_new_com_port.h"
#include "chip/channels.h"
#include "chip/register_catalogue.h"

namespace cli {

namespace {

using chip::Channel;
using devaccess::ReadAt;

struct Reading {
  double value = 0;
  double low = 0;
  double high = 0;
  bool has_high = false;
  bool alarm = false;
};

int Decimals(const Channel& c) {
  return c.quantity == chip::Quantity::Volts ? 3 : 0;
}

std::string_view Number(const Channel& c, double value, chip::CaptionText& buffer) {
  buffer = chip::MakeCaption(value, Decimals(c), "");
  return buffer.view();
}

// "2026-12-06T01:02:03.456Z"
std::string Timestamp() {
  const auto now = std::chrono::system_clock::now();
  const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  const auto ms =
      std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()) % 1000;
  std::tm utc{};
  gmtime_r(&seconds, &utc);
  char text[40];
  const std::size_t n = std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &utc);
  std::snprintf(text + n, sizeof text - n, ".%03dZ", static_cast<int>(ms.count()));
  return text;
}

class Sampler {
 public:
  explicit Sampler(devaccess::Declarations& d) : d_(d) {
    channels_ = chip::ChannelsFor(ReadAt(d_, chip::reg::kChannelMode));
    divisors_ = ReadAt(d_, chip::reg::kVidFanDivisor);
  }
  const chip::ChannelSet& channels() const { return channels_; }

  // Readings in the order of channels(), into a buffer that is reused.
  const std::array<Reading, 14>& Sample() {
    const int status1 = ReadAt(d_, chip::reg::kIntStatus1);
    const int status2 = ReadAt(d_, chip::reg::kIntStatus2);
    for (std::size_t i = 0; i < channels_.size(); ++i) {
      const Channel& c = channels_[i];
      const int divisor = chip::FanDivisorOf(c, divisors_);
      Reading& r = readings_[i];
      r.value = chip::ValueFromRegister(c, ReadAt(d_, c.value_register), divisor);
      r.low = chip::ValueFromRegister(c, ReadAt(d_, c.low_register), divisor);
      r.has_high = c.high_register >= 0;
      if (r.has_high) r.high = chip::ValueFromRegister(c, ReadAt(d_, c.high_register), divisor);
      const int status = c.alarm_register == chip::reg::kIntStatus1 ? status1 : status2;
      r.alarm = ((status >> c.alarm_bit) & 1) != 0;
    }
    return readings_;
  }

 private:
  devaccess::Declarations& d_;
  chip::ChannelSet channels_;
  int divisors_ = 0;
  std::array<Reading, 14> readings_{};
};

void CsvHeader(const chip::ChannelSet& channels, std::ostream& out) {
  out << "time";
  for (const Channel* c : channels) {
    out << ',' << c->caption << " (" << c->unit << ")," << c->caption << " low," << c->caption
        << " high," << c->caption << " alarm";
  }
  out << '\n';
}

void CsvRow(const chip::ChannelSet& channels, const std::array<Reading, 14>& r, std::ostream& out) {
  chip::CaptionText buffer;
  out << Timestamp();
  for (std::size_t i = 0; i < channels.size(); ++i) {
    const Channel& c = channels[i];
    out << ',' << Number(c, r[i].value, buffer) << ',' << Number(c, r[i].low, buffer) << ',';
    if (r[i].has_high) out << Number(c, r[i].high, buffer);
    out << ',' << (r[i].alarm ? 1 : 0);
  }
  out << '\n';
}

void JsonLine(const chip::ChannelSet& channels, const std::array<Reading, 14>& r,
              std::ostream& out) {
  chip::CaptionText buffer;
  out << "{\"time\":\"" << Timestamp() << "\",\"channels\":[";
  for (std::size_t i = 0; i < channels.size(); ++i) {
    const Channel& c = channels[i];
    out << (i == 0 ? "" : ",") << "{\"name\":\"" << c.caption << "\",\"unit\":\"" << c.unit
        << "\",\"value\":" << Number(c, r[i].value, buffer)
        << ",\"low\":" << Number(c, r[i].low, buffer) << ",\"high\":";
    if (r[i].has_high) {
      out << Number(c, r[i].high, buffer);
    } else {
      out << "null";
    }
    out << ",\"alarm\":" << (r[i].alarm ? "true" : "false") << '}';
  }
  out << "]}\n";
}

// "<time>  +2.5V 2.503 V  ...  Fan 1 4821 RPM ALARM": for a log or a pipe.
void PlainLine(const chip::ChannelSet& channels, const std::array<Reading, 14>& r,
               std::ostream& out) {
  chip::CaptionText buffer;
  out << Timestamp();
  for (std::size_t i = 0; i < channels.size(); ++i) {
    const Channel& c = channels[i];
    out << "  " << c.caption << ' ' << Number(c, r[i].value, buffer) << ' ' << c.unit;
    if (r[i].alarm) out << " ALARM";
  }
  out << '\n';
}

// Display width of a UTF-8 text: the degree sign is one column.
std::size_t Columns(std::string_view s) {
  std::size_t n = 0;
  for (const char c : s) {
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++n;
  }
  return n;
}

void Pad(std::ostream& out, std::string_view s, std::size_t width, bool right) {
  const std::size_t used = Columns(s);
  const std::string fill(used < width ? width - used : 0, ' ');
  if (right) out << fill;
  out << s;
  if (!right) out << fill;
}

void Table(const chip::ChannelSet& channels, const std::array<Reading, 14>& r, bool refresh,
           std::ostream& out) {
  if (refresh) out << "\x1b[H\x1b[2J";  // home and clear, so the table stays in place
  chip::CaptionText buffer;
  out << Timestamp() << '\n';
  Pad(out, "channel", 12, false);
  Pad(out, "value", 10, true);
  Pad(out, "low", 10, true);
  Pad(out, "high", 10, true);
  out << "  unit  alarm\n";
  for (std::size_t i = 0; i < channels.size(); ++i) {
    const Channel& c = channels[i];
    Pad(out, c.caption, 12, false);
    Pad(out, Number(c, r[i].value, buffer), 10, true);
    Pad(out, Number(c, r[i].low, buffer), 10, true);
    Pad(out, r[i].has_high ? Number(c, r[i].high, buffer) : "-", 10, true);
    out << "  ";
    Pad(out, c.unit, 4, false);
    out << "  " << (r[i].alarm ? "ALARM" : "ok") << '\n';
  }
  out.flush();
}

}  // namespace

void Watch(devaccess::Declarations& d, const Arguments& args, std::ostream& out,
           const Terminal& terminal) {
  Sampler sampler(d);
  const Format format = args.format;
  const bool table = format == Format::Auto && terminal.output_is_terminal;
  if (format == Format::Csv) CsvHeader(sampler.channels(), out);
  for (long n = 0; args.count == 0 || n < args.count; ++n) {
    if (terminal.stop_requested && terminal.stop_requested()) return;
    if (n > 0 && args.interval_seconds > 0 && terminal.sleep_for) {
      terminal.sleep_for(args.interval_seconds);
    }
    const auto& readings = sampler.Sample();
    if (format == Format::Json) {
      JsonLine(sampler.channels(), readings, out);
    } else if (table) {
      Table(sampler.channels(), readings, true, out);
    } else if (format == Format::Csv) {
      CsvRow(sampler.channels(), readings, out);
    } else {
      PlainLine(sampler.channels(), readings, out);
    }
    if (!out) return;  // the reader went away (a closed pipe): nothing more to show
  }
}

}  // namespace cli
