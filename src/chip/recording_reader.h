#pragma once

// Reads the recordings that the window and `kelvran record` write (see recording.h), also while
// they are still being written: text is fed in pieces as it arrives, each complete line is read
// as it ends, and an incomplete last line waits for the rest.
//
// The same layout without the '#' header is what `kelvran watch --csv` writes, and without the
// raw and status columns what the chart export and the review's A-B export write: the header,
// each channel's raw column and the status columns are optional. Older recordings lack the
// `alarms` column and the `# limits:` lines; both are optional. '#'
// lines the reader does not know are handed on as notes and otherwise skipped. Anything else
// that is not as a recording has it (a foreign CSV, a damaged line) throws RecordingFormatError
// naming the line and what was expected there.

#include <cstdint>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace chip {

class RecordingFormatError : public std::runtime_error {
 public:
  // "line 12: expected ..."
  RecordingFormatError(std::uint64_t line, const std::string& expected);
  std::uint64_t line() const { return line_; }

 private:
  std::uint64_t line_;
};

// A channel's pair of columns: "+12V [V]" and "+12V raw".
struct RecordedColumn {
  std::string caption;  // "+12V"
  std::string unit;     // "V", "°C", "RPM"
};

// One entry of a "# limits:" line; a limit the channel has not got is empty.
struct RecordedLimits {
  std::string caption;
  std::optional<double> low;
  std::optional<double> high;
};

struct RecordedRow {
  std::uint64_t line = 0;
  std::int64_t time = 0;           // the true time, in nanoseconds since the Unix epoch (UTC)
  int utc_offset_seconds = 0;      // of the zone the time is written in
  double seconds = 0.0;            // since the recording (or its latest restart) began
  std::span<const double> values;  // by column; NaN for an empty cell (a stalled fan)
  std::span<const int> raws;       // by column; -1 for an empty cell
  int status1 = -1;                // INT Status 1 and 2; -1 for an empty cell
  int status2 = -1;
  std::optional<std::string_view> alarms;  // with an alarms column: "+12V;External 1" or ""
};

// A stretch in which the chip did not answer: its start ("# bus error at <time>: <what failed>")
// or its end ("# resumed at <time> after 6.0 s, 6 samples missed").
struct RecordedGap {
  bool resumed = false;
  std::int64_t time = 0;  // nanoseconds since the Unix epoch (UTC)
  int utc_offset_seconds = 0;
  std::string_view error;    // at its start: what failed
  double seconds = 0.0;      // at its end: how long it lasted
  std::uint64_t missed = 0;  // at its end: samples not taken
};

// Where the reader hands what it reads, in file order.
class RecordingSink {
 public:
  virtual ~RecordingSink() = default;
  // A '#' line after the first: "medium", "SMBus"; "started", "2026-...". A line without ": "
  // ("channel mode changed to 0x04 at ...") comes whole as the key.
  virtual void Note(std::uint64_t /*line*/, std::string_view /*key*/, std::string_view /*value*/) {}
  // The columns of the rows that follow (at the start, and after a Channel Mode change).
  virtual void Columns(std::span<const RecordedColumn> columns, bool has_alarms) = 0;
  // Limits that hold from the next row on.
  virtual void Limits(std::span<const RecordedLimits> /*limits*/) {}
  virtual void Row(const RecordedRow& row) = 0;
  virtual void Gap(std::uint64_t /*line*/, const RecordedGap& /*gap*/) {}
};

class RecordingReader {
 public:
  explicit RecordingReader(RecordingSink& sink);

  // Reads every line that bytes completes. Throws RecordingFormatError; after that the reader
  // reads nothing more.
  void Feed(std::string_view bytes);
  // The text ends here. Throws RecordingFormatError for a text that is no recording at all (an
  // empty file, or a first line that is not a recording's). Returns the number of the incomplete
  // last line the text ends with (a recording still being written, or cut short by a crash), or 0.
  std::uint64_t Finish() const;

  std::uint64_t lines() const { return line_; }  // complete lines read
  std::uint64_t rows() const { return rows_; }
  // Bytes of an incomplete last line kept back.
  std::size_t pending() const { return partial_.size(); }

 private:
  void Line(std::string_view line);
  void FirstLine(std::string_view line);
  void CommentLine(std::string_view text);
  bool GapLine(std::string_view text);
  void ColumnNames();
  void DataRow();
  void Split(std::string_view line);
  [[noreturn]] void Fail(const std::string& expected) const;
  [[noreturn]] void FailField(std::size_t field, const std::string& expected) const;

  RecordingSink& sink_;
  std::uint64_t line_ = 0;
  std::uint64_t rows_ = 0;
  bool failed_ = false;
  std::string partial_;  // an incomplete line, waiting for its end

  std::vector<RecordedColumn> columns_;
  std::vector<std::string> column_names_;  // every column, for messages
  bool has_columns_ = false;
  bool has_alarms_ = false;
  std::vector<std::size_t> value_fields_;  // by column: where its value is
  std::vector<std::size_t> raw_fields_;    // by column: where its raw byte is, 0 for none
  std::size_t status_field_ = 0;           // INT Status 1 (and 2 after it), 0 for none
  std::size_t alarms_field_ = 0;
  std::uint64_t columns_line_ = 0;
  std::vector<std::string_view> fields_;  // of the current line
  std::vector<std::string> unquoted_;     // quoted fields, unquoted
  std::vector<double> values_;
  std::vector<int> raws_;
  std::vector<RecordedLimits> limits_;
};

// "2026-12-06T01:02:03.456+01:00" (or "...Z") as nanoseconds since the epoch and the zone's
// offset; nothing for anything else.
struct ParsedTime {
  std::int64_t time = 0;
  int utc_offset_seconds = 0;
};
std::optional<ParsedTime> ParseIsoTime(std::string_view text);

}  // namespace chip
