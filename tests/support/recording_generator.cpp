#include "support/recording_generator.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>

#include "chip/channels.h"
#include "chip/recording.h"

namespace recordings {

namespace {

// Register 0x47 with divisor 2 for both fans.
constexpr int kVidFanDivisor = 0x50;

// The raw byte a channel sits at: near the middle of its scale.
int MiddleRaw(const chip::Channel& c) {
  return c.quantity == chip::Quantity::Volts     ? 192
         : c.quantity == chip::Quantity::Celsius ? 40
                                                 : 150;
}

}  // namespace

std::string IsoTime(std::int64_t ms, int utc_offset_minutes) {
  using namespace std::chrono;
  const sys_time<milliseconds> local{milliseconds(ms + std::int64_t{utc_offset_minutes} * 60000)};
  const sys_days day = floor<days>(local);
  const year_month_day date{day};
  const hh_mm_ss clock{local - day};
  const int offset = std::abs(utc_offset_minutes);
  std::array<char, 96> text{};
  std::snprintf(text.data(), text.size(), "%04d-%02u-%02uT%02d:%02d:%02d.%03d%c%02d:%02d",
                static_cast<int>(date.year()), static_cast<unsigned>(date.month()),
                static_cast<unsigned>(date.day()), static_cast<int>(clock.hours().count()),
                static_cast<int>(clock.minutes().count()),
                static_cast<int>(clock.seconds().count()),
                static_cast<int>(clock.subseconds().count()), utc_offset_minutes < 0 ? '-' : '+',
                offset / 60, offset % 60);
  return text.data();
}

void Write(const Spec& spec, const std::function<void(std::string_view)>& out) {
  const chip::ChannelSet channels = chip::ChannelsFor(spec.channel_mode);
  auto value_of = [](const chip::Channel& c, int raw) {
    return chip::ValueFromRegister(c, raw, chip::FanDivisorOf(c, kVidFanDivisor));
  };
  // Each channel near the middle of its scale, its limits a dozen counts either side (a fan has
  // only its low limit, the slowest speed: a larger count).
  std::vector<chip::ChannelReading> readings;
  for (const chip::Channel* c : channels) {
    chip::ChannelReading r;
    r.channel = c;
    const int mid = MiddleRaw(*c);
    r.raw = static_cast<std::uint8_t>(mid);
    r.value = value_of(*c, mid);
    r.has_high = c->fan == 0;
    r.low = value_of(*c, c->fan != 0 ? mid + 40 : mid - 12);
    r.high = value_of(*c, mid + 12);
    readings.push_back(r);
  }
  std::string text = chip::FormatHeader({"1.0.0",
                                         {"SMBus", 0x2D, std::nullopt},
                                         static_cast<std::uint8_t>(spec.channel_mode),
                                         IsoTime(spec.start_ms, spec.utc_offset_minutes)});
  if (spec.limits) text += chip::FormatLimits(readings);
  std::string names = chip::FormatColumnNames(readings);
  if (!spec.alarms_column)
    names.erase(names.size() - std::string_view(",alarms\n").size()).push_back('\n');
  text += names;

  std::mt19937 rng(spec.seed);
  std::uniform_int_distribution<int> step(-1, 1);
  std::vector<int> walk;
  for (const chip::Channel* c : channels) walk.push_back(MiddleRaw(*c));
  std::size_t alarm = 0;
  chip::Sample sample;
  sample.channel_mode = static_cast<std::uint8_t>(spec.channel_mode);
  sample.channels = readings;
  for (std::int64_t row = 0; row < spec.rows; ++row) {
    while (alarm < spec.v12_alarms.size() && spec.v12_alarms[alarm].second < row) ++alarm;
    const bool v12_high = alarm < spec.v12_alarms.size() && spec.v12_alarms[alarm].first <= row;
    for (std::size_t i = 0; i < readings.size(); ++i) {
      chip::ChannelReading& r = readings[i];
      int mid = MiddleRaw(*r.channel);
      if (spec.daily && r.channel->quantity != chip::Quantity::Volts) {
        const double day = static_cast<double>(row * spec.interval_ms) / 86'400'000.0;
        const double swing = r.channel->quantity == chip::Quantity::Celsius ? 5.0 : -10.0;
        mid += static_cast<int>(std::lround(swing * std::sin(2.0 * 3.14159265358979 * day)));
      }
      // A random walk held within a few counts of the middle.
      walk[i] = std::clamp(walk[i] + step(rng), mid - 6, mid + 6);
      const bool high = v12_high && r.channel->value_register == 0x24;
      r.raw = static_cast<std::uint8_t>(high ? mid + 20 : walk[i]);
      r.value = value_of(*r.channel, r.raw);
      r.alarm = high;
    }
    sample.status = {0, static_cast<std::uint8_t>(v12_high ? 0x01 : 0x00)};
    const std::string time =
        IsoTime(spec.start_ms + row * spec.interval_ms, spec.utc_offset_minutes);
    chip::AppendRow(text, time, static_cast<double>(row * spec.interval_ms) / 1000.0, sample);
    if (!spec.alarms_column) {
      // The older format ends at INT Status 2.
      text.erase(text.rfind(',', text.size() - 1), std::string::npos);
      text.push_back('\n');
    }
    if (text.size() > (1u << 20)) {
      out(text);
      text.clear();
    }
  }
  out(text);
}

std::string Text(const Spec& spec) {
  std::string all;
  Write(spec, [&all](std::string_view piece) { all.append(piece); });
  return all;
}

bool WriteFile(const Spec& spec, const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
  bool ok = true;
  Write(spec, [&](std::string_view piece) {
    ok = ok && std::fwrite(piece.data(), 1, piece.size(), f) == piece.size();
  });
  return std::fclose(f) == 0 && ok;
}

}  // namespace recordings
