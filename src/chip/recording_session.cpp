#include "chip/recording_session.h"

#include "chip/local_time.h"

namespace chip {

RecordingSession::RecordingSession(RecordingHeader header, files::RecordingFile& file,
                                   std::optional<std::uint8_t> configuration1)
    : header_(std::move(header)), file_(file), configuration1_(configuration1) {}

void RecordingSession::Row(const Sample& sample, Wall wall_now, Steady now) {
  const std::string time = IsoLocalTime(wall_now);
  std::string& out = file_.buffer();
  bool column_names = sample.channels_changed;
  if (rows_ == 0) {
    started_ = now;
    header_.channel_mode = sample.channel_mode;
    header_.start_time = time;
    // A recording continued (--append) gets its restart line instead of the header and goes on
    // under its own column names; other columns refuse it here, before anything is written.
    // The note that the chip is not monitoring follows the header, or the restart line.
    const std::string note = configuration1_ ? FormatNotMonitoring(*configuration1_) : "";
    column_names =
        file_.Begin(FormatHeader(header_) + note, FormatColumnNames(sample.channels), time);
    if (!column_names) out += note;
    out += marks_before_first_row_;
    marks_before_first_row_.clear();
  } else if (sample.channels_changed) {
    out += FormatModeChange(sample.channel_mode, time);
  }
  if (sample.limits_changed || rows_ == 0) out += FormatLimits(sample.channels);
  if (column_names) out += FormatColumnNames(sample.channels);
  const double seconds = std::chrono::duration<double>(now - started_).count();
  AppendRow(out, time, seconds, sample);
  ++rows_;
  // The header and the first row reach the file at once: a wrong folder or a full disk shows
  // now, not a second later.
  if (rows_ == 1) {
    file_.Flush(now);
  } else {
    file_.Write({}, now);
  }
}

void RecordingSession::Mark(std::string_view mark, Steady now) {
  std::string& out = rows_ == 0 ? marks_before_first_row_ : file_.buffer();
  out.append("# ").append(mark).push_back('\n');
  if (rows_ > 0) file_.Flush(now);
}

}  // namespace chip
