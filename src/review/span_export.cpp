#include "review/span_export.h"

#include <QDateTime>
#include <QTimeZone>
#include <algorithm>
#include <cmath>

#include "chip/recording.h"
#include "review/readout.h"
#include "review/recording_model.h"

namespace review {

std::string SpanCsv(const RecordingModel& model, std::int64_t a, std::int64_t b) {
  const chart::SeriesStore& store = model.store();
  const auto& series = model.series();
  std::string out = "time,seconds";
  for (const RecordingModel::Series& s : series) {
    out.push_back(',');
    chip::AppendCsvField(
        out, (s.caption + QStringLiteral(" [") + s.unit + QLatin1Char(']')).toStdString());
  }
  out.push_back('\n');
  const std::int64_t from = std::min(a, b);
  const std::int64_t to = std::max(a, b);
  const QTimeZone zone(model.UtcOffsetSeconds());
  for (std::int64_t i = store.LowerBound(from); i < store.Size() && store.TimeAt(i) <= to; ++i) {
    const std::int64_t t = store.TimeAt(i);
    const std::int64_t ms = t / 1'000'000 - (t % 1'000'000 < 0 ? 1 : 0);
    out += QDateTime::fromMSecsSinceEpoch(ms, zone).toString(Qt::ISODateWithMs).toStdString();
    out.push_back(',');
    chip::AppendDecimal(out, static_cast<double>(t - from) / 1e9, 3);
    for (std::size_t s = 0; s < series.size(); ++s) {
      out.push_back(',');
      const double v = store.ValueAt(static_cast<int>(s), i);
      if (!std::isnan(v)) chip::AppendDecimal(out, v, DecimalsOf(series[s].unit));
    }
    out.push_back('\n');
  }
  return out;
}

}  // namespace review
