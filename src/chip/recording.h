#pragma once

// The text of a measurement recording: CSV with a few '#' lines in front.
//
//   # kelvran-eval 1.0.0 recording
//   # medium: SMBus
//   # chip address: 0x2D
//   # adapter: /dev/i2c-0, SMBus I801 adapter at efa0
//   # place: smbus/pci-0000:00:1f.4/0x2D
//   # channel mode: 0x00
//   # started: 2026-12-06T01:02:03.456+01:00
//   # limits: +2.5V 2.250 2.750; ...; Fan 1 2657 -
//   time,seconds,+2.5V [V],+2.5V raw,...,INT Status 1,INT Status 2,alarms
//   2026-12-06T01:02:03.456+01:00,0.000,2.512,193,...,0,16,Chassis
//
// Each channel gives two columns, its converted value and the raw byte; a stalled fan (count 255)
// has an empty value cell. The interrupt columns hold every bit that latched since the previous
// row, and `alarms` names the channels they belong to. A `# limits:` line comes before the first
// row and before any row whose limits changed. A change of Channel Mode during a recording gives a
// '#' line and a new column-name row. Numbers are written with '.' whatever the locale; fields are
// quoted as RFC 4180 asks; a stretch in which the chip did not answer lies between a
// `# bus error at <time>: <what failed>` line and a `# resumed at <time> after 6.0 s, 6 samples
// missed` line; the text is UTF-8. docs/recording-format.md tells it in full.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "chip/sampler.h"
#include "chip/snapshot.h"

namespace chip {

struct RecordingHeader {
  std::string version;
  ChipPlace place;
  std::uint8_t channel_mode = 0;
  std::string start_time;  // ISO 8601
  // "smbus/usb-1-2/0x2D": where the chip sits whatever number its adapter has now; empty when
  // the writer does not know it.
  std::string stable_place = {};
};

std::string FormatHeader(const RecordingHeader& header);
std::string FormatModeChange(std::uint8_t channel_mode, std::string_view time);
std::string FormatColumnNames(std::span<const ChannelReading> channels);
// "# limits: +2.5V 2.250 2.750; Fan 1 2657 -\n": the limits from the next row on.
std::string FormatLimits(std::span<const ChannelReading> channels);
// "# not monitoring: ..." when START is clear in Configuration 1, so a file of readings that
// stand still says why; "" otherwise.
std::string FormatNotMonitoring(std::uint8_t configuration1);

// Appends one row for a sample; allocates only when out has to grow.
void AppendRow(std::string& out, std::string_view time, double seconds, const Sample& sample);

// The pieces of a row for writers of some channels alone (the chart export): a channel's two
// column names after a comma ("+12V [V]", "+12V raw"); the time and seconds a row starts with;
// a channel's two cells after a comma, its value (empty for a stalled fan) and its raw byte.
void AppendColumnNames(std::string& out, const Channel& channel);
void AppendRowStart(std::string& out, std::string_view time, double seconds);
void AppendReadingCells(std::string& out, const ChannelReading& reading);

// "+12V;External 1": the channels whose status bits are set, and the bits that belong to no
// channel by their own names. Appends nothing when no bit is set.
void AppendAlarmNames(std::string& out, const StatusSample& status,
                      std::span<const ChannelReading> channels);

// value with `decimals` places and a '.' whatever the locale; never "-0.000".
void AppendDecimal(std::string& out, double value, int decimals);

// A field as RFC 4180 wants it: quoted, with quotes doubled, when it holds a comma, a quote or a
// line break; as it is otherwise.
void AppendCsvField(std::string& out, std::string_view field);

}  // namespace chip
