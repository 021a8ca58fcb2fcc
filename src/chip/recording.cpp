#include "chip/recording.h"

#include <array>
#include <charconv>
#include <utility>

#include "chip/alarm_names.h"
#include "chip/monitoring.h"

namespace chip {

namespace {

void AppendInteger(std::string& out, unsigned value) {
  std::array<char, 8> text{};
  const auto result = std::to_chars(text.data(), text.data() + text.size(), value);
  out.append(text.data(), result.ptr);
}

}  // namespace

void AppendDecimal(std::string& out, double value, int decimals) {
  std::array<char, 64> text{};
  // to_chars ignores the locale, so a German desktop still gets "12.031".
  const auto result = std::to_chars(text.data(), text.data() + text.size(), value,
                                    std::chars_format::fixed, decimals);
  if (result.ec != std::errc()) return;  // far beyond any reading: an empty cell
  std::string_view written(text.data(), static_cast<std::size_t>(result.ptr - text.data()));
  if (written.starts_with('-') && written.find_first_not_of("-0.") == std::string_view::npos) {
    written.remove_prefix(1);  // a reading that rounds to zero is "0.000", not "-0.000"
  }
  out.append(written);
}

void AppendCsvField(std::string& out, std::string_view field) {
  if (field.find_first_of(",\"\r\n") == std::string_view::npos) {
    out.append(field);
    return;
  }
  out.push_back('"');
  for (const char c : field) {
    if (c == '"') out.push_back('"');
    out.push_back(c);
  }
  out.push_back('"');
}

std::string FormatHeader(const RecordingHeader& header) {
  std::string text = "# kelvran-eval " + header.version + " recording\n";
  text += "# medium: " + header.place.medium + "\n";
  text += "# chip address: " + HexByte(header.place.chip_address) + "\n";
  if (header.place.port_base) text += "# port base: " + HexByte(*header.place.port_base) + "\n";
  if (!header.place.adapter.empty()) text += "# adapter: " + header.place.adapter + "\n";
  if (!header.stable_place.empty()) text += "# place: " + header.stable_place + "\n";
  text += "# channel mode: " + HexByte(header.channel_mode) + "\n";
  text += "# started: " + header.start_time + "\n";
  return text;
}

std::string FormatModeChange(std::uint8_t channel_mode, std::string_view time) {
  return "# channel mode changed to " + HexByte(channel_mode) + " at " + std::string(time) + "\n";
}

std::string FormatNotMonitoring(std::uint8_t configuration1) {
  if (Monitoring(configuration1)) return {};
  return "# not monitoring: " + std::string(kStartClear) +
         ", so the readings stand still (Configuration 1 " + HexByte(configuration1) + ")\n";
}

std::string FormatColumnNames(std::span<const ChannelReading> channels) {
  std::string text = "time,seconds";
  for (const ChannelReading& reading : channels) AppendColumnNames(text, *reading.channel);
  text += ",INT Status 1,INT Status 2,alarms\n";
  return text;
}

std::string FormatLimits(std::span<const ChannelReading> channels) {
  std::string text = "# limits:";
  for (const ChannelReading& reading : channels) {
    const int decimals = DecimalsOf(reading.channel->quantity);
    text += text.size() > 9 ? "; " : " ";
    text.append(reading.channel->caption);
    text.push_back(' ');
    AppendDecimal(text, reading.low, decimals);
    text.push_back(' ');
    if (reading.has_high) {
      AppendDecimal(text, reading.high, decimals);
    } else {
      text.push_back('-');
    }
  }
  text.push_back('\n');
  return text;
}

void AppendAlarmNames(std::string& out, const StatusSample& status,
                      std::span<const ChannelReading> channels) {
  bool first = true;
  const auto name = [&](std::string_view text) {
    if (!first) out.push_back(';');
    out.append(text);
    first = false;
  };
  for (const ChannelReading& reading : channels) {
    if (reading.alarm) name(reading.channel->caption);
  }
  for (const AlarmWithoutChannel& other : kAlarmsWithoutChannel) {
    if (((status.status2 >> other.bit) & 1) != 0) name(other.name);
  }
}

void AppendColumnNames(std::string& out, const Channel& channel) {
  const std::string caption(channel.caption);
  out.push_back(',');
  AppendCsvField(out, caption + " [" + std::string(channel.unit) + "]");
  out.push_back(',');
  AppendCsvField(out, caption + " raw");
}

void AppendRowStart(std::string& out, std::string_view time, double seconds) {
  AppendCsvField(out, time);
  out.push_back(',');
  AppendDecimal(out, seconds, 3);
}

void AppendReadingCells(std::string& out, const ChannelReading& reading) {
  out.push_back(',');
  if (!reading.stalled) AppendDecimal(out, reading.value, DecimalsOf(reading.channel->quantity));
  out.push_back(',');
  AppendInteger(out, reading.raw);
}

void AppendRow(std::string& out, std::string_view time, double seconds, const Sample& sample) {
  AppendRowStart(out, time, seconds);
  for (const ChannelReading& reading : sample.channels) AppendReadingCells(out, reading);
  out.push_back(',');
  AppendInteger(out, sample.status.status1);
  out.push_back(',');
  AppendInteger(out, sample.status.status2);
  out.push_back(',');
  AppendAlarmNames(out, sample.status, sample.channels);
  out.push_back('\n');
}

}  // namespace chip
