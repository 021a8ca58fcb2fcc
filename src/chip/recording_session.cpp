#include "chip/recording_session.h"

#include "chip/local_time.h"

namespace chip {

RecordingSession::RecordingSession(RecordingHeader header, RecordingFile& file,
                                   std::optional<std::uint8_t> configuration1)
    : header_(std::move(header)), file_(file), configuration1_(configuration1) {}

void RecordingSession::Row(const Sample& sample, Wall wall_now, Steady now) {
  const std::string time = IsoLocalTime(wall_now);
  std::string& out = file_.buffer();
  if (rows_ == 0) {
    started_ = now;
    header_.channel_mode = sample.channel_mode;
    header_.start_time = time;
    out += FormatHeader(header_);
    if (configuration1_) out += FormatNotMonitoring(*configuration1_);
  } else if (sample.channels_changed) {
    out += FormatModeChange(sample.channel_mode, time);
  }
  if (sample.limits_changed || rows_ == 0) out += FormatLimits(sample.channels);
  if (sample.channels_changed || rows_ == 0) out += FormatColumnNames(sample.channels);
  const double seconds = std::chrono::duration<double>(now - started_).count();
  AppendRow(out, time, seconds, sample);
  ++rows_;
  file_.Write({}, now);
}

}  // namespace chip
