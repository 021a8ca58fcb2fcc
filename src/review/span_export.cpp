#include "review/span_export.h"

#include "chart/time_axis.h"

#include <QDateTime>
#include <QTimeZone>
#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "chip/recording.h"
#include "review/readout.h"
#include "review/recording_model.h"

namespace review {

std::string SpanCsv(const RecordingModel& model, std::int64_t a, std::int64_t b,
                    const Compared* compared) {
  const chart::SeriesStore& store = model.store();
  const auto& series = model.series();
  std::string out = "time,seconds";
  for (const RecordingModel::Series& s : series) {
    out.push_back(',');
    chip::AppendCsvField(
        out, (s.caption + QStringLiteral(" [") + s.unit + QLatin1Char(']')).toStdString());
  }
  // The compared recording's channels that the first has too: (its series, its decimals).
  std::vector<std::pair<int, int>> theirs;
  if (compared != nullptr && compared->model != nullptr) {
    for (const RecordingModel::Series& s : series) {
      const int other = compared->model->SeriesOf(s.caption);
      if (other < 0) continue;
      theirs.emplace_back(other, DecimalsOf(s.unit));
      out.push_back(',');
      chip::AppendCsvField(out, (s.caption + QStringLiteral(" · ") + compared->name +
                                 QStringLiteral(" [") + s.unit + QLatin1Char(']'))
                                    .toStdString());
    }
  }
  out.push_back('\n');
  const std::int64_t from = std::min(a, b);
  const std::int64_t to = std::max(a, b);
  chart::TimeAxis clock{chart::TimeAxis::Style::Clock, model.UtcOffsetSeconds(), 0};
  clock.clock = &model.Clock();
  for (std::int64_t i = store.LowerBound(from); i < store.Size() && store.TimeAt(i) <= to; ++i) {
    const std::int64_t t = store.TimeAt(i);
    // A row that holds no value marks a gap in the recording, not a reading.
    bool any = false;
    for (std::size_t s = 0; s < series.size() && !any; ++s)
      any = !std::isnan(store.ValueAt(static_cast<int>(s), i));
    if (!any) continue;
    // Each row's own clock time, in its own zone.
    const chart::ClockStep step = chart::ClockAt(clock, t);
    const std::int64_t wall = t + step.shift;
    const std::int64_t ms = wall / 1'000'000 - (wall % 1'000'000 < 0 ? 1 : 0);
    out += QDateTime::fromMSecsSinceEpoch(ms, QTimeZone(step.utc_offset_seconds))
               .toString(Qt::ISODateWithMs)
               .toStdString();
    out.push_back(',');
    chip::AppendDecimal(out, static_cast<double>(t - from) / 1e9, 3);
    for (std::size_t s = 0; s < series.size(); ++s) {
      out.push_back(',');
      const double v = store.ValueAt(static_cast<int>(s), i);
      if (!std::isnan(v)) chip::AppendDecimal(out, v, DecimalsOf(series[s].unit));
    }
    for (const auto& [other, decimals] : theirs) {
      out.push_back(',');
      const double v = ValueWithin(compared->model->store(), other, t - compared->shift);
      if (!std::isnan(v)) chip::AppendDecimal(out, v, decimals);
    }
    out.push_back('\n');
  }
  return out;
}

}  // namespace review
