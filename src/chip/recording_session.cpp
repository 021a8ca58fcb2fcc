#include "chip/recording_session.h"

#include "chip/local_time.h"
#include "chip/register_catalogue.h"

namespace chip {

namespace {

int DecimalsOf(Quantity quantity) {
  return quantity == Quantity::Volts ? 3 : 0;
}

}  // namespace

RecordingSession::RecordingSession(RecordingHeader header, Read read, RecordingFile& file,
                                   Wall wall_now, Steady now)
    : read_(std::move(read)), file_(file), started_(now) {
  header.channel_mode = read_(reg::kChannelMode);
  header.start_time = IsoLocalTime(wall_now);
  file_.Write(FormatHeader(header), now);
  UseMode(header.channel_mode);
  file_.Write(FormatColumnNames(columns_), now);
}

void RecordingSession::UseMode(std::uint8_t channel_mode) {
  channel_mode_ = channel_mode;
  channels_ = ChannelsFor(channel_mode);
  columns_.clear();
  any_fan_ = false;
  for (const Channel* channel : channels_) {
    columns_.push_back({channel->caption, channel->unit, DecimalsOf(channel->quantity)});
    any_fan_ = any_fan_ || channel->fan != 0;
  }
  samples_.assign(columns_.size(), {});
}

void RecordingSession::Row(const std::optional<StatusSample>& status, Wall wall_now, Steady now) {
  const std::uint8_t mode = read_(reg::kChannelMode);
  if (mode != channel_mode_) {
    const std::string time = IsoLocalTime(wall_now);
    UseMode(mode);
    file_.Write(FormatModeChange(mode, time), now);
    file_.Write(FormatColumnNames(columns_), now);
  }
  const int divisors = any_fan_ ? read_(reg::kVidFanDivisor) : 0;
  for (std::size_t i = 0; i < channels_.size(); ++i) {
    const Channel& channel = channels_[i];
    const std::uint8_t raw = read_(static_cast<std::uint8_t>(channel.value_register));
    samples_[i] = {ValueFromRegister(channel, raw, FanDivisorOf(channel, divisors)), raw};
  }
  const double seconds = std::chrono::duration<double>(now - started_).count();
  AppendRow(file_.buffer(), IsoLocalTime(wall_now), seconds, columns_, samples_, status);
  ++rows_;
  file_.Write({}, now);
}

}  // namespace chip
