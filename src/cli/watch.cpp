#include "cli/watch.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <ostream>
#include <string>
#include <string_view>

#include "access/link_new_com_port.h"
#include "chip/channels.h"
#include "chip/local_time.h"
#include "chip/recording.h"
#include "chip/sampler.h"
#include "cli/alarms.h"
#include "cli/sample_loop.h"

namespace cli {

namespace {

using chip::Channel;
using chip::ChannelReading;
using Readings = std::span<const ChannelReading>;

std::string_view Number(const Channel& c, double value, chip::CaptionText& buffer) {
  buffer = chip::MakeCaption(value, chip::DecimalsOf(c.quantity), "");
  return buffer.view();
}

// As the recordings stamp their rows: local time with its offset.
std::string Timestamp() {
  return chip::IsoLocalTime(std::chrono::system_clock::now());
}

// The recording's layout (its limits lines, column names and rows, without the header lines), so
// a saved watch opens in the review as a recording does. A new Channel Mode brings other
// channels: new column names say so.
void CsvSample(const chip::Sample& sample, double seconds, bool first, std::ostream& out) {
  std::string text;
  if (first || sample.limits_changed) text += chip::FormatLimits(sample.channels);
  if (first || sample.channels_changed) text += chip::FormatColumnNames(sample.channels);
  chip::AppendRow(text, Timestamp(), seconds, sample);
  out << text;
}

void JsonLine(Readings readings, std::ostream& out) {
  chip::CaptionText buffer;
  out << "{\"time\":\"" << Timestamp() << "\",\"channels\":[";
  bool first = true;
  for (const ChannelReading& r : readings) {
    const Channel& c = *r.channel;
    out << (first ? "" : ",") << "{\"name\":\"" << c.caption << "\",\"unit\":\"" << c.unit
        << "\",\"value\":";
    first = false;
    if (r.stalled) {
      out << "null";
    } else {
      out << Number(c, r.value, buffer);
    }
    out << ",\"low\":" << Number(c, r.low, buffer) << ",\"high\":";
    if (r.has_high) {
      out << Number(c, r.high, buffer);
    } else {
      out << "null";
    }
    if (c.fan != 0) out << ",\"stalled\":" << (r.stalled ? "true" : "false");
    out << ",\"alarm\":" << (r.alarm ? "true" : "false") << '}';
  }
  out << "]}\n";
}

// "<time>  +2.5V 2.503 V  ...  Fan 1 stalled ALARM": for a log or a pipe.
void PlainLine(Readings readings, std::ostream& out) {
  chip::CaptionText buffer;
  out << Timestamp();
  for (const ChannelReading& r : readings) {
    const Channel& c = *r.channel;
    out << "  " << c.caption << ' ';
    if (r.stalled) {
      out << "stalled";
    } else {
      out << Number(c, r.value, buffer) << ' ' << c.unit;
    }
    if (r.alarm) out << " ALARM";
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

void Table(Readings readings, std::ostream& out) {
  out << "\x1b[H\x1b[2J";  // home and clear, so the table stays in place
  chip::CaptionText buffer;
  out << Timestamp() << '\n';
  Pad(out, "channel", 12, false);
  Pad(out, "value", 10, true);
  Pad(out, "low", 10, true);
  Pad(out, "high", 10, true);
  out << "  unit  alarm\n";
  for (const ChannelReading& r : readings) {
    const Channel& c = *r.channel;
    Pad(out, c.caption, 12, false);
    Pad(out, r.stalled ? "stalled" : Number(c, r.value, buffer), 10, true);
    Pad(out, Number(c, r.low, buffer), 10, true);
    Pad(out, r.has_high ? Number(c, r.high, buffer) : "-", 10, true);
    out << "  ";
    Pad(out, c.unit, 4, false);
    out << "  " << (r.alarm ? "ALARM" : "ok") << '\n';
  }
}

}  // namespace

int Watch(Session& s, const Arguments& args, std::ostream& out, std::ostream& err,
          const Terminal& terminal) {
  devaccess::ChipIdentity identity = IdentityOf(s.chip());
  devaccess::ReadIdentity(s.d(), identity);
  devaccess::UnattendedSampler sampler(s.d(), identity);
  const Format format = args.format;
  const bool table = format == Format::Auto && terminal.output_is_terminal;
  bool first = true;
  SampleLoopHooks::Steady started;
  SampleLoopHooks hooks;
  hooks.row = [&](const chip::Sample& sample, SampleLoopHooks::Wall,
                  SampleLoopHooks::Steady now) -> std::optional<int> {
    errno = 0;  // a failed write of this sample leaves its reason here
    if (first) started = now;
    if (format == Format::Json) {
      JsonLine(sample.channels, out);
    } else if (table) {
      Table(sample.channels, out);
    } else if (format == Format::Csv) {
      CsvSample(sample, std::chrono::duration<double>(now - started).count(), first, out);
    } else {
      PlainLine(sample.channels, out);
    }
    // Each sample reaches the file or pipe as it comes, so a killed watch loses nothing read.
    out.flush();
    if (!out) {
      if (errno == EPIPE) return kExitOk;  // the reader went away (| head): nothing more to show
      err << "kelvran: cannot write the samples: "
          << (errno != 0 ? std::strerror(errno) : "the output failed") << '\n';
      return kExitBus;
    }
    first = false;
    // The row with the alarm is out first, so a script that mails the log has it.
    if (args.until_alarm && ReportAlarms(sample, err)) return kExitAlarm;
    return std::nullopt;
  };
  return SampleLoop(sampler, args, terminal, err, hooks);
}

}  // namespace cli
