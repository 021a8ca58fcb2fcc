#include "review/recording_model.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "chart/strip_chart.h"
#include "chip/alarm_names.h"
#include "chip/channels.h"
#include "chip/register_catalogue.h"

namespace review {

namespace {

// Each channel's colour: the live chart's where its group shows it in the same pane, and one of
// its own where two panes would otherwise share a colour in the one legend.
struct ChannelColour {
  const char* caption;
  QColor colour;
};
const std::array<ChannelColour, 13> kColours = {{
    {"AIN 1", QColor(0, 200, 200)},
    {"AIN 2", QColor(160, 255, 160)},
    {"+2.5V", chart::StripChart::DefaultTraceColor(2)},
    {"+Vccp1", chart::StripChart::DefaultTraceColor(3)},
    {"+Vcc", chart::StripChart::DefaultTraceColor(4)},
    {"+5V", chart::StripChart::DefaultTraceColor(5)},
    {"+12V", chart::StripChart::DefaultTraceColor(6)},
    {"+Vccp2", chart::StripChart::DefaultTraceColor(7)},
    {"Internal", chart::StripChart::DefaultTraceColor(0)},
    {"External 1", chart::StripChart::DefaultTraceColor(1)},
    {"External 2", QColor(200, 200, 0)},
    {"Fan 1", QColor(180, 120, 255)},
    {"Fan 2", QColor(255, 160, 160)},
}};

constexpr std::int64_t kMs = 1'000'000;
constexpr double kGapIntervals = 5.0;  // a step of more intervals than this is a gap
const std::vector<RecordingModel::LimitStep> kNoLimits;
const std::vector<RecordingModel::Span> kNoSpans;

QString FromUtf8(std::string_view s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

}  // namespace

RecordingModel::RecordingModel() {
  store_.SetCapacity(chart::SeriesStore::kUnbounded);
}

QColor RecordingModel::ColourOf(const QString& caption) {
  // A compared run's column of an A-B export ("+12V · ref.csv") keeps its channel's colour.
  const QString channel = caption.section(QStringLiteral(" · "), 0, 0);
  for (const ChannelColour& c : kColours) {
    if (channel == QLatin1String(c.caption)) return c.colour;
  }
  return chart::StripChart::DefaultTraceColor(chart::StripChart::kTraceCount - 1);
}

int RecordingModel::SeriesOf(const QString& caption) const {
  for (std::size_t s = 0; s < series_.size(); ++s) {
    if (series_[s].caption == caption) return static_cast<int>(s);
  }
  return -1;
}

int RecordingModel::SeriesFor(std::string_view caption) {
  const QString name = FromUtf8(caption);
  if (const int s = SeriesOf(name); s >= 0) return s;
  // More channels than any Channel Mode gives: the rest are not shown.
  if (static_cast<int>(series_.size()) >= kMaxSeries) return -1;
  series_.push_back({name, QString(), ColourOf(name)});
  limits_.emplace_back();
  alarms_.emplace_back();
  alarm_last_row_.push_back(0);
  in_columns_.push_back(false);
  return static_cast<int>(series_.size()) - 1;
}

const std::vector<RecordingModel::LimitStep>& RecordingModel::Limits(int series) const {
  return series >= 0 && series < static_cast<int>(limits_.size())
             ? limits_[static_cast<std::size_t>(series)]
             : kNoLimits;
}

const std::vector<RecordingModel::Span>& RecordingModel::Alarms(int series) const {
  return series >= 0 && series < static_cast<int>(alarms_.size())
             ? alarms_[static_cast<std::size_t>(series)]
             : kNoSpans;
}

std::vector<std::int64_t> RecordingModel::AlarmStarts() const {
  std::vector<std::int64_t> starts;
  for (const auto& spans : alarms_) {
    for (const Span& s : spans) starts.push_back(s.start);
  }
  for (const OtherSpan& o : other_alarms_) starts.push_back(o.span.start);
  std::sort(starts.begin(), starts.end());
  starts.erase(std::unique(starts.begin(), starts.end()), starts.end());
  return starts;
}

void RecordingModel::Note(std::uint64_t, std::string_view key, std::string_view value) {
  notes_ << (value.empty() ? FromUtf8(key)
                           : FromUtf8(key) + QStringLiteral(": ") + FromUtf8(value));
}

void RecordingModel::Columns(std::span<const chip::RecordedColumn> columns, bool has_alarms) {
  has_alarm_column_ = has_alarm_column_ || has_alarms;
  std::vector<bool> now(in_columns_.size(), false);
  column_series_.clear();
  for (const chip::RecordedColumn& c : columns) {
    const int s = SeriesFor(c.caption);
    column_series_.push_back(s);
    if (s < 0) continue;
    series_[static_cast<std::size_t>(s)].unit = FromUtf8(c.unit);
    now.resize(series_.size(), false);
    now[static_cast<std::size_t>(s)] = true;
  }
  in_columns_.resize(series_.size(), false);
  // A channel the Channel Mode switched off is not joined across its absence.
  for (std::size_t s = 0; s < in_columns_.size(); ++s) {
    if (in_columns_[s] && !now[s]) gone_.push_back(static_cast<int>(s));
  }
  in_columns_ = std::move(now);
}

void RecordingModel::Limits(std::span<const chip::RecordedLimits> limits) {
  pending_limits_.assign(limits.begin(), limits.end());
  limits_pending_ = true;
  has_limits_ = true;
}

void RecordingModel::Gap(std::uint64_t, const chip::RecordedGap& gap) {
  if (gap.resumed || store_.Empty()) return;
  // A row of its own where the chip stopped answering, with every trace broken there: no line is
  // drawn across the stretch nothing was recorded.
  store_.AppendRow(gap.time - clock_.back().shift);
  for (int s = 0; s < store_.SeriesCount(); ++s) store_.BreakLast(s);
  gap_marked_ = true;
}

void RecordingModel::Row(const chip::RecordedRow& row) {
  // Rows stand where their monotonic `seconds` put them, so a clock stepped back (or forward)
  // moves no row; a restart of `seconds` starts again from its row's clock time, never before
  // the row ahead of it.
  const std::int64_t since = std::llround(row.seconds * 1e3) * kMs;
  if (rows_ == 0) {
    base_ = row.time - since;
  } else if (row.seconds < last_seconds_) {
    base_ = std::max(row.time, last_row_time_) - since;
  }
  const std::int64_t axis_time = base_ + since;
  const std::int64_t shift = row.time - axis_time;
  if (clock_.empty() || std::abs(shift - clock_.back().shift) > kMs ||
      row.utc_offset_seconds != clock_.back().utc_offset_seconds) {
    clock_.push_back({axis_time, shift, row.utc_offset_seconds});
  }
  // Alarms latched since the previous row, not since a gap's mark.
  const std::int64_t previous = rows_ == 0 ? axis_time : last_row_time_;
  last_row_time_ = axis_time;
  if (rows_ == 0) utc_offset_ = row.utc_offset_seconds;
  // A step of `seconds` far above the interval (samples the bus lost, the recorder paused) or
  // back (a restart) is a gap: a row without values between keeps the traces from bridging it.
  const double step = row.seconds - last_seconds_;
  const bool gap = !store_.Empty() && !gap_marked_ &&
                   (step < 0.0 || (interval_ > 0.0 && step > kGapIntervals * interval_));
  if (gap) {
    store_.AppendRow(previous);
    for (int s = 0; s < static_cast<int>(series_.size()); ++s) store_.BreakLast(s);
  }
  if (gap || gap_marked_) {
    interval_ = 0.0;  // learnt again from the rows after it
  } else if (step > 0.0) {
    interval_ = interval_ > 0.0 ? std::min(interval_ * 1.1, step) : step;
  }
  gap_marked_ = false;
  last_seconds_ = row.seconds;
  store_.AppendRow(axis_time);
  const std::int64_t time = store_.TimeAt(store_.Size() - 1);
  ++rows_;
  for (const int s : gone_) store_.BreakLast(s);
  gone_.clear();
  for (std::size_t c = 0; c < column_series_.size() && c < row.values.size(); ++c) {
    const int s = column_series_[c];
    if (s < 0) continue;
    // An empty cell (a stalled fan) breaks the trace rather than bridging it.
    if (std::isnan(row.values[c])) {
      store_.BreakLast(s);
    } else {
      store_.SetLast(s, row.values[c]);
    }
  }
  if (limits_pending_) {
    limits_pending_ = false;
    std::vector<bool> named(series_.size(), false);
    for (const chip::RecordedLimits& l : pending_limits_) {
      const int s = SeriesFor(l.caption);
      if (s < 0) continue;
      named.resize(series_.size(), false);
      named[static_cast<std::size_t>(s)] = true;
      auto& steps = limits_[static_cast<std::size_t>(s)];
      if (steps.empty() || steps.back().low != l.low || steps.back().high != l.high)
        steps.push_back({time, l.low, l.high});
    }
    // A channel left out of a limits line has none from then on.
    for (std::size_t s = 0; s < limits_.size(); ++s) {
      auto& steps = limits_[s];
      if (!named[s] && !steps.empty() && (steps.back().low || steps.back().high))
        steps.push_back({time, std::nullopt, std::nullopt});
    }
  }
  if (row.alarms) {
    std::string_view rest = *row.alarms;
    while (!rest.empty()) {
      const std::size_t end = rest.find(';');
      const QString name = FromUtf8(rest.substr(0, end)).trimmed();
      rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
      if (name.isEmpty()) continue;
      Alarm(SeriesOf(name), name, previous, time, rows_);
    }
  } else {
    AlarmsFromStatus(row.status1, row.status2, previous, time, rows_);
  }
}

void RecordingModel::AlarmsFromStatus(int status1, int status2, std::int64_t previous,
                                      std::int64_t now, std::uint64_t row) {
  if (status1 <= 0 && status2 <= 0) return;
  // An older recording has no alarms column: its status bits name the channels, as the
  // channel table maps them.
  for (std::size_t s = 0; s < series_.size(); ++s) {
    if (!in_columns_[s]) continue;
    for (const chip::Channel* c : chip::AllChannels()) {
      if (series_[s].caption != FromUtf8(c->caption)) continue;
      const int status = c->alarm_register == chip::reg::kIntStatus1 ? status1 : status2;
      if (status > 0 && ((status >> c->alarm_bit) & 1) != 0) {
        Alarm(static_cast<int>(s), series_[s].caption, previous, now, row);
      }
      break;
    }
  }
  for (const chip::AlarmWithoutChannel& other : chip::kAlarmsWithoutChannel) {
    if (status2 > 0 && ((status2 >> other.bit) & 1) != 0) {
      Alarm(-1, FromUtf8(other.name), previous, now, row);
    }
  }
}

void RecordingModel::Alarm(int series, const QString& name, std::int64_t previous, std::int64_t now,
                           std::uint64_t row) {
  // The bits latched at some time since the row before: the span starts there. Alarms in
  // consecutive rows make one span.
  if (series >= 0) {
    auto& spans = alarms_[static_cast<std::size_t>(series)];
    std::uint64_t& last = alarm_last_row_[static_cast<std::size_t>(series)];
    if (!spans.empty() && last + 1 == row) {
      spans.back().end = now;
    } else {
      spans.push_back({previous, now});
    }
    last = row;
    return;
  }
  auto it = std::find_if(other_last_row_.begin(), other_last_row_.end(),
                         [&](const auto& entry) { return entry.first == name; });
  if (it != other_last_row_.end() && it->second + 1 == row) {
    for (auto o = other_alarms_.rbegin(); o != other_alarms_.rend(); ++o) {
      if (o->name == name) {
        o->span.end = now;
        break;
      }
    }
  } else {
    other_alarms_.push_back({name, {previous, now}});
  }
  if (it == other_last_row_.end()) {
    other_last_row_.emplace_back(name, row);
  } else {
    it->second = row;
  }
}

}  // namespace review
