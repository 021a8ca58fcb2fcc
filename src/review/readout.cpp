#include "review/readout.h"

#include <QStringList>
#include <cmath>

#include "chip/channels.h"
#include "review/recording_model.h"

namespace review {

namespace {

QString Number(double v, int decimals) {
  if (std::isnan(v)) return QString();
  // A value that rounds to zero reads "0.000", not "-0.000".
  const double shown = std::abs(v) < 0.5 * std::pow(10.0, -decimals) ? 0.0 : v;
  return QString::number(shown, 'f', decimals);
}

}  // namespace

double ValueNear(const chart::SeriesStore& store, int series, std::int64_t time) {
  if (store.Empty()) return std::nan("");
  std::int64_t i = store.LowerBound(time);
  if (i >= store.Size()) {
    i = store.Size() - 1;
  } else if (i > 0 && time - store.TimeAt(i - 1) < store.TimeAt(i) - time) {
    --i;
  }
  return store.ValueAt(series, i);
}

Readout ComputeReadout(const RecordingModel& model, std::span<const int> series,
                       std::optional<std::int64_t> a, std::optional<std::int64_t> b,
                       std::int64_t view_start, std::int64_t view_end) {
  Readout r;
  r.a = a;
  r.b = b;
  r.between_cursors = a && b;
  r.from = r.between_cursors ? std::min(*a, *b) : view_start;
  r.to = r.between_cursors ? std::max(*a, *b) : view_end;
  const chart::SeriesStore& store = model.store();
  const std::int64_t begin = store.LowerBound(r.from);
  const std::int64_t end = r.to == INT64_MAX ? store.Size() : store.LowerBound(r.to + 1);
  for (const int s : series) {
    Readout::Row row;
    row.series = s;
    row.at_a = a ? ValueNear(store, s, *a) : std::nan("");
    row.at_b = b ? ValueNear(store, s, *b) : std::nan("");
    row.stats = store.Statistics(s, begin, end);
    r.rows.push_back(row);
  }
  return r;
}

int DecimalsOf(const QString& unit) {
  return chip::DecimalsOf(unit.toStdString());
}

QString ReadoutHeader(int column) {
  static const char* const kHeaders[kReadoutColumns] = {
      "Channel", "A", "B", "B - A", "Min", "Max", "Mean", "RMS", "Peak-to-peak", "Rows"};
  return column >= 0 && column < kReadoutColumns ? QString::fromLatin1(kHeaders[column])
                                                 : QString();
}

QString ReadoutCell(const Readout& readout, const RecordingModel& model, std::size_t row,
                    int column) {
  if (row >= readout.rows.size()) return QString();
  const Readout::Row& r = readout.rows[row];
  const RecordingModel::Series& s = model.series()[static_cast<std::size_t>(r.series)];
  const int d = DecimalsOf(s.unit);
  const chart::SeriesStore::Stats& st = r.stats;
  const bool any = st.count > 0;
  switch (column) {
    case 0:
      return s.caption + QStringLiteral(" [") + s.unit + QLatin1Char(']');
    case 1:
      return Number(r.at_a, d);
    case 2:
      return Number(r.at_b, d);
    case 3:
      return Number(r.at_b - r.at_a, d);
    case 4:
      return any ? Number(st.min, d) : QString();
    case 5:
      return any ? Number(st.max, d) : QString();
    case 6:
      return any ? Number(st.Mean(), d + 1) : QString();
    case 7:
      return any ? Number(st.Rms(), d + 1) : QString();
    case 8:
      return any ? Number(st.max - st.min, d) : QString();
    case 9:
      return QString::number(st.count);
    default:
      return QString();
  }
}

QString ReadoutSummary(const Readout& readout, const chart::TimeAxis& axis) {
  QStringList parts;
  if (readout.a) parts << QStringLiteral("A %1").arg(chart::FullTime(axis, *readout.a));
  if (readout.b) parts << QStringLiteral("B %1").arg(chart::FullTime(axis, *readout.b));
  if (readout.a && readout.b) {
    const std::int64_t dt = *readout.b - *readout.a;
    parts << QStringLiteral("Δt %1%2").arg(dt < 0 ? QStringLiteral("-") : QString(),
                                           chart::SpanText(std::abs(dt)));
  }
  QString text = parts.join(QStringLiteral(", "));
  if (!text.isEmpty()) text += QStringLiteral("; ");
  text += readout.between_cursors ? QStringLiteral("statistics between A and B")
                                  : QStringLiteral(
                                        "statistics over the view (place A and B to "
                                        "choose the rows)");
  return text;
}

QString ReadoutText(const Readout& readout, const RecordingModel& model,
                    const chart::TimeAxis& axis) {
  QString text = ReadoutSummary(readout, axis) + QLatin1Char('\n');
  QStringList header;
  for (int c = 0; c < kReadoutColumns; ++c) header << ReadoutHeader(c);
  text += header.join(QLatin1Char('\t')) + QLatin1Char('\n');
  for (std::size_t r = 0; r < readout.rows.size(); ++r) {
    QStringList cells;
    for (int c = 0; c < kReadoutColumns; ++c) cells << ReadoutCell(readout, model, r, c);
    text += cells.join(QLatin1Char('\t')) + QLatin1Char('\n');
  }
  return text;
}

}  // namespace review
