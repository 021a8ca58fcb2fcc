#include "chip/recording.h"

#include <array>
#include <charconv>

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
  text += "# channel mode: " + HexByte(header.channel_mode) + "\n";
  text += "# started: " + header.start_time + "\n";
  return text;
}

std::string FormatModeChange(std::uint8_t channel_mode, std::string_view time) {
  return "# channel mode changed to " + HexByte(channel_mode) + " at " + std::string(time) + "\n";
}

std::string FormatColumnNames(std::span<const RecordedChannel> channels) {
  std::string text = "time,seconds";
  for (const RecordedChannel& channel : channels) {
    const std::string caption(channel.caption);
    text.push_back(',');
    AppendCsvField(text, caption + " [" + std::string(channel.unit) + "]");
    text.push_back(',');
    AppendCsvField(text, caption + " raw");
  }
  text += ",INT Status 1,INT Status 2\n";
  return text;
}

void AppendRow(std::string& out, std::string_view time, double seconds,
               std::span<const RecordedChannel> channels, std::span<const ChannelSample> samples,
               const std::optional<StatusSample>& status) {
  AppendCsvField(out, time);
  out.push_back(',');
  AppendDecimal(out, seconds, 3);
  for (std::size_t i = 0; i < channels.size() && i < samples.size(); ++i) {
    out.push_back(',');
    AppendDecimal(out, samples[i].value, channels[i].decimals);
    out.push_back(',');
    AppendInteger(out, samples[i].raw);
  }
  out.push_back(',');
  if (status) AppendInteger(out, status->status1);
  out.push_back(',');
  if (status) AppendInteger(out, status->status2);
  out.push_back('\n');
}

}  // namespace chip
