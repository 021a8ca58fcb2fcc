#include "review/readout.h"

#include <QStringList>
#include <algorithm>
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

double ValueWithin(const chart::SeriesStore& store, int series, std::int64_t time) {
  if (store.Empty() || time < store.TimeAt(0) || time > store.TimeAt(store.Size() - 1))
    return std::nan("");
  return ValueNear(store, series, time);
}

Readout ComputeReadout(const RecordingModel& model, std::span<const int> series,
                       std::optional<std::int64_t> a, std::optional<std::int64_t> b,
                       std::int64_t view_start, std::int64_t view_end, const Compared* compared) {
  Readout r;
  r.a = a;
  r.b = b;
  r.between_cursors = a && b;
  r.from = r.between_cursors ? std::min(*a, *b) : view_start;
  r.to = r.between_cursors ? std::max(*a, *b) : view_end;
  // One recording's row, its time shifted onto the first's.
  auto row_of = [&](const chart::SeriesStore& store, int s, std::int64_t shift, Readout::Run run) {
    Readout::Row row;
    row.run = run;
    row.series = s;
    // The first run reads its nearest row anywhere, as it always has; a compared one only within
    // its own span.
    const auto read = run == Readout::Run::First ? ValueNear : ValueWithin;
    row.at_a = a ? read(store, s, *a - shift) : std::nan("");
    row.at_b = b ? read(store, s, *b - shift) : std::nan("");
    const std::int64_t begin = store.LowerBound(r.from - shift);
    const std::int64_t end = r.to == INT64_MAX ? store.Size() : store.LowerBound(r.to - shift + 1);
    row.stats = store.Statistics(s, begin, end);
    return row;
  };
  for (const int s : series) {
    r.rows.push_back(row_of(model.store(), s, 0, Readout::Run::First));
    if (compared == nullptr || compared->model == nullptr) continue;
    const int other =
        compared->model->SeriesOf(model.series()[static_cast<std::size_t>(s)].caption);
    if (other < 0) continue;
    r.rows.push_back(
        row_of(compared->model->store(), other, compared->shift, Readout::Run::Compared));
    Readout::Row difference;
    difference.run = Readout::Run::Difference;
    difference.series = s;
    r.rows.push_back(difference);
  }
  return r;
}

int DecimalsOf(const QString& unit) {
  return chip::DecimalsOf(unit.toStdString());
}

QString ReadoutHeader(int column) {
  static const char* const kHeaders[kReadoutColumns] = {
      "Channel", "A", "B", "B - A", "Min", "Max", "Mean", "Std dev", "RMS", "Peak-to-peak", "Rows"};
  return column >= 0 && column < kReadoutColumns ? QString::fromLatin1(kHeaders[column])
                                                 : QString();
}

namespace {

// A cell's number for one run's row, NaN where it has none.
double Value(const Readout::Row& r, int column) {
  const chart::SeriesStore::Stats& st = r.stats;
  const bool any = st.count > 0;
  const double none = std::nan("");
  switch (column) {
    case 1:
      return r.at_a;
    case 2:
      return r.at_b;
    case 3:
      return r.at_b - r.at_a;
    case 4:
      return any ? st.min : none;
    case 5:
      return any ? st.max : none;
    case 6:
      return st.Mean();
    case 7:
      return st.StdDev();
    case 8:
      return st.Rms();
    case 9:
      return any ? st.max - st.min : none;
    default:
      return none;
  }
}

}  // namespace

QString ReadoutCell(const Readout& readout, const RecordingModel& model, std::size_t row,
                    int column, const Compared* compared) {
  if (row >= readout.rows.size()) return QString();
  const Readout::Row& r = readout.rows[row];
  const RecordingModel& owner =
      r.run == Readout::Run::Compared && compared != nullptr ? *compared->model : model;
  const RecordingModel::Series& s = owner.series()[static_cast<std::size_t>(r.series)];
  // Every column in the channel's own decimals, as the recording writes it.
  const int d = DecimalsOf(s.unit);
  const QString name = s.caption + QStringLiteral(" [") + s.unit + QLatin1Char(']');
  if (r.run == Readout::Run::Difference) {
    if (column == 0) return name + QStringLiteral(" Δ");
    if (column == kRowsColumn || row < 2) return QString();
    return Number(Value(readout.rows[row - 1], column) - Value(readout.rows[row - 2], column), d);
  }
  if (column == 0) {
    return r.run == Readout::Run::Compared && compared != nullptr
               ? name + QStringLiteral(" · ") + compared->name
               : name;
  }
  if (column == kRowsColumn) return QString::number(r.stats.count);
  return Number(Value(r, column), d);
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
                    const chart::TimeAxis& axis, const Compared* compared) {
  QString text = ReadoutSummary(readout, axis) + QLatin1Char('\n');
  QStringList header;
  for (int c = 0; c < kReadoutColumns; ++c) header << ReadoutHeader(c);
  text += header.join(QLatin1Char('\t')) + QLatin1Char('\n');
  for (std::size_t r = 0; r < readout.rows.size(); ++r) {
    QStringList cells;
    for (int c = 0; c < kReadoutColumns; ++c) cells << ReadoutCell(readout, model, r, c, compared);
    text += cells.join(QLatin1Char('\t')) + QLatin1Char('\n');
  }
  return text;
}

}  // namespace review
