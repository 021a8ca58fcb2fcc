#pragma once

// The text of a measurement recording: CSV with a few '#' lines in front.
//
//   # kelvran-eval 1.0.0 recording
//   # medium: SMBus
//   # chip address: 0x2D
//   # channel mode: 0x00
//   # started: 2026-12-06T01:02:03.456+01:00
//   time,seconds,+2.5V [V],+2.5V raw,...,INT Status 1,INT Status 2
//   2026-12-06T01:02:03.456+01:00,0.000,2.512,193,...,0,16
//
// Each channel gives two columns, its converted value and the raw byte. The interrupt columns
// are empty when nothing read the status registers since the previous row. A change of Channel
// Mode during a recording gives a '#' line and a new column-name row. Numbers are written with
// '.' whatever the locale; fields are quoted as RFC 4180 asks; the text is UTF-8.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "chip/snapshot.h"

namespace chip {

struct RecordingHeader {
  std::string version;
  ChipPlace place;
  std::uint8_t channel_mode = 0;
  std::string start_time;  // ISO 8601
};

// One recorded channel: "+12V" in "V" with 3 decimals.
struct RecordedChannel {
  std::string_view caption;
  std::string_view unit;
  int decimals = 0;
};

struct ChannelSample {
  double value = 0;
  std::uint8_t raw = 0;
};

// The last INT Status 1 and 2 that the display read, when it did.
struct StatusSample {
  std::uint8_t status1 = 0;
  std::uint8_t status2 = 0;
};

std::string FormatHeader(const RecordingHeader& header);
std::string FormatModeChange(std::uint8_t channel_mode, std::string_view time);
std::string FormatColumnNames(std::span<const RecordedChannel> channels);

// Appends one row to out; allocates only when out has to grow. samples[i] belongs to channels[i].
void AppendRow(std::string& out, std::string_view time, double seconds,
               std::span<const RecordedChannel> channels, std::span<const ChannelSample> samples,
               const std::optional<StatusSample>& status);

// value with `decimals` places and a '.' whatever the locale; never "-0.000".
void AppendDecimal(std::string& out, double value, int decimals);

// A field as RFC 4180 wants it: quoted, with quotes doubled, when it holds a comma, a quote or a
// line break; as it is otherwise.
void AppendCsvField(std::string& out, std::string_view field);

}  // namespace chip
