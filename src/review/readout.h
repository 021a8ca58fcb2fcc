#pragma once

#include <QString>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "chart/series_store.h"
#include "chart/time_axis.h"

namespace review {

class RecordingModel;

// A second recording compared with the first: its model, the shift that puts its time on the
// first's (first's time = its own + shift), and its name.
struct Compared {
  const RecordingModel* model = nullptr;
  std::int64_t shift = 0;
  QString name;
};

// What the cursors read: for each shown channel its value at A and at B, and statistics of its
// rows between A and B, or over the view when the cursors are not both placed. With a compared
// recording that has the channel too, its row follows, then their difference (compared less
// first).
struct Readout {
  enum class Run { First, Compared, Difference };
  struct Row {
    Run run = Run::First;
    int series = 0;     // of the first recording (the compared one's for Run::Compared)
    double at_a = 0.0;  // NaN: no cursor, or no value in the row nearest to it
    double at_b = 0.0;
    chart::SeriesStore::Stats stats;
  };
  std::optional<std::int64_t> a;
  std::optional<std::int64_t> b;
  bool between_cursors = false;  // false: over the view
  std::int64_t from = 0;         // the statistics' span of time
  std::int64_t to = 0;
  std::vector<Row> rows;
};

Readout ComputeReadout(const RecordingModel& model, std::span<const int> series,
                       std::optional<std::int64_t> a, std::optional<std::int64_t> b,
                       std::int64_t view_start, std::int64_t view_end,
                       const Compared* compared = nullptr);

// The value of a series in the row nearest to time (NaN when that row has none).
double ValueNear(const chart::SeriesStore& store, int series, std::int64_t time);
// The same, NaN for a time outside the rows' span (a compared run that began later or ended
// earlier).
double ValueWithin(const chart::SeriesStore& store, int series, std::int64_t time);

// Decimals a value of a unit is shown with: as the recording writes it.
int DecimalsOf(const QString& unit);

// The table's columns, and one cell of it as text ("" for nothing to show).
inline constexpr int kReadoutColumns = 11;
inline constexpr int kRowsColumn = 10;
QString ReadoutHeader(int column);
QString ReadoutCell(const Readout& readout, const RecordingModel& model, std::size_t row,
                    int column, const Compared* compared = nullptr);
// "A 2026-12-06 01:02:03.000, B ..., Δt 2 h 5 min; statistics between A and B".
QString ReadoutSummary(const Readout& readout, const chart::TimeAxis& axis);
// The summary and the table as tab-separated text, for the clipboard.
QString ReadoutText(const Readout& readout, const RecordingModel& model,
                    const chart::TimeAxis& axis, const Compared* compared = nullptr);

}  // namespace review
