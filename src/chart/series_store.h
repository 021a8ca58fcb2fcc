#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <deque>
#include <limits>
#include <memory>
#include <vector>

namespace chart {

// Rows of time-stamped values, one column per series, in time order: what a chart draws. The live
// display appends a row per tick and keeps a bounded number of rows (the oldest go); a recording
// under review appends every row of its file and keeps them all.
//
// Values are of type T. A recording keeps floats (SeriesStore): its three decimals and whole RPM
// survive them exactly, and a row of a dozen channels fits in about 60 bytes. The live display
// keeps doubles (DoubleSeriesStore), so a point is drawn exactly where its value puts it. A cell
// without a value holds NaN. A series may also break at a row (a stalled fan, a channel the
// Channel Mode switched off): a chart does not join its points across such a gap.
//
// Beside the values every series keeps a min/max envelope in levels, each kFactor times coarser
// than the one below: blocks of 32 rows, of 1024 rows, and whole chunks of 32768 rows. The
// extremes of any run of rows then cost at most a few dozen reads whatever its length, so a chart
// frame costs a min/max pair per pixel column. Every level also keeps sums, for a column's mean
// and statistics over any run.
//
// Rows live in chunks of kChunkRows, taken as they fill: appending never moves what is stored,
// and a series with no value in a chunk takes no memory there.
// The smallest and largest value of a run of rows.
struct Extremes {
  double min = std::numeric_limits<double>::infinity();
  double max = -std::numeric_limits<double>::infinity();
  bool Empty() const { return !(min <= max); }
};

// Statistics of the values in a run of rows.
struct SeriesStats {
  std::int64_t count = 0;  // values (cells without one do not count)
  double min = std::numeric_limits<double>::infinity();
  double max = -std::numeric_limits<double>::infinity();
  double sum = 0.0;
  double sum_of_squares = 0.0;
  double Mean() const { return count > 0 ? sum / static_cast<double>(count) : std::nan(""); }
  double Rms() const {
    return count > 0 ? std::sqrt(sum_of_squares / static_cast<double>(count)) : std::nan("");
  }
  // The population standard deviation: what RMS hides on a DC rail.
  double StdDev() const {
    if (count <= 0) return std::nan("");
    const double mean = Mean();
    return std::sqrt(std::max(0.0, sum_of_squares / static_cast<double>(count) - mean * mean));
  }
};

// The extremes of a run of rows with the sum and count of its values: what a pixel column that
// holds many rows is drawn from (a band and its mean).
struct Envelope {
  Extremes extremes;
  double sum = 0.0;
  std::int64_t count = 0;
  double Mean() const { return count > 0 ? sum / static_cast<double>(count) : std::nan(""); }
};

template <typename T>
class BasicSeriesStore {
 public:
  static constexpr int kFactor = 32;
  static constexpr int kLevel1Rows = kFactor;                // 32
  static constexpr int kLevel2Rows = kFactor * kLevel1Rows;  // 1024
  static constexpr int kChunkRows = kFactor * kLevel2Rows;   // 32768
  static constexpr std::int64_t kUnbounded = 0;

  using Extremes = chart::Extremes;
  using Stats = SeriesStats;

  explicit BasicSeriesStore(int series_count);
  ~BasicSeriesStore();
  BasicSeriesStore(BasicSeriesStore&&) noexcept;
  BasicSeriesStore& operator=(BasicSeriesStore&&) noexcept;

  int SeriesCount() const { return static_cast<int>(series_.size()); }
  // Rows kept at most; once full, each new row drops the oldest. kUnbounded keeps every row.
  // Drops every row.
  void SetCapacity(std::int64_t rows);
  std::int64_t Capacity() const { return capacity_; }
  void Clear();

  // A new last row at time (an earlier time than the last row's is taken as the last row's), with
  // no value in any series. Returns its index.
  std::int64_t AppendRow(std::int64_t time);
  // The value of a series in the last row (NaN: none). A row must exist.
  void SetLast(int series, double value);
  // The series breaks at the last row: no value there, and no line across it.
  void BreakLast(int series);
  // A point of one series, as a live chart gets them: it goes into the last row when that row is
  // at its time or later and has no value of the series yet, and into a new row otherwise.
  void Add(int series, std::int64_t time, double value);

  std::int64_t Size() const { return size_; }
  // The time of the newest row dropped to keep within the capacity (the lowest time there is
  // while none has been since the last Clear): what lies after it is whole.
  std::int64_t DroppedUpTo() const { return dropped_up_to_; }
  bool Empty() const { return size_ == 0; }
  // Row i, 0 being the oldest kept.
  std::int64_t TimeAt(std::int64_t i) const;
  double ValueAt(int series, std::int64_t i) const;
  // Values of a series in the rows kept, and the newest as it was given (not rounded to T).
  std::int64_t PointCount(int series) const;
  double LastValue(int series) const;

  // The first row in [from, Size()) whose time is at or after time (Size() if none). The search
  // gallops from hint when it lies in that range: a chart walking its columns left to right
  // guesses each column's end from the last one's, which is nearly right.
  std::int64_t LowerBound(std::int64_t time, std::int64_t from = 0, std::int64_t hint = -1) const;
  // Minimum and maximum of a series over rows [begin, end); Empty() when none has a value.
  Extremes Range(int series, std::int64_t begin, std::int64_t end) const;
  // The same with the values' sum and count (of the whole blocks of 1024 alone in a run of
  // kWideRows or more within a chunk), at about the cost of Range.
  Envelope EnvelopeOf(int series, std::int64_t begin, std::int64_t end) const;
  // The sum and count of EnvelopeOf alone (extremes left empty), reading only what they need: a
  // trace drawn as its mean without a band.
  Envelope MeanOf(int series, std::int64_t begin, std::int64_t end) const;
  Stats Statistics(int series, std::int64_t begin, std::int64_t end) const;
  // Whether the series breaks at any row kept.
  bool HasBreaks(int series) const {
    return series >= 0 && series < SeriesCount() &&
           !series_[static_cast<std::size_t>(series)].breaks.empty();
  }
  // Whether the series breaks at any row in [begin, end).
  bool BreaksWithin(int series, std::int64_t begin, std::int64_t end) const;
  // The first or last row in [begin, end) with a value of the series, or -1.
  std::int64_t FirstValueRow(int series, std::int64_t begin, std::int64_t end) const;
  std::int64_t LastValueRow(int series, std::int64_t begin, std::int64_t end) const;
  // Asks for the memory that finding row i's time and the extremes of runs ending or starting
  // there read, without waiting for it. Zoomed out on millions of rows, a chart's columns lie far
  // apart and each edge's lines come cold from memory: a chart asks for an edge a few columns
  // ahead, so those waits overlap instead of following one another.
  // With sums, also what EnvelopeOf reads beside; series -1 asks for the row's time alone.
  // A caller that knows the row already asks for its time no more (with_time false).
  void Prefetch(int series, std::int64_t i, bool sums = false, bool with_time = true) const;
  // The same for MeanOf over runs of kWideRows or more: the row's time and its block of 1024.
  void PrefetchMean(int series, std::int64_t i) const;
  // Runs of this many rows or more within a chunk take EnvelopeOf's mean from blocks of 1024.
  static constexpr int kWideRows = 4 * kLevel2Rows;

 private:
  struct SeriesChunk;
  struct Chunk;
  struct SeriesState {
    std::int64_t count = 0;
    double last = 0.0;
    bool has_last = false;
    // Rows (global indices) where the series breaks, as runs [first, last], in order.
    std::vector<std::pair<std::int64_t, std::int64_t>> breaks;
  };

  // Rows are addressed by a global index that counts every row ever appended since the last
  // Clear: dropping old rows moves first_, never the indices of the rows kept.
  std::int64_t Global(std::int64_t i) const { return first_ + i; }
  const Chunk& ChunkOf(std::int64_t global) const;
  SeriesChunk* SeriesIn(const Chunk& chunk, int series) const;
  SeriesChunk& SeriesForWrite(int series);
  void DropOldest();
  void Store(int series, double value);
  template <typename Visit>
  void ForEachPiece(int series, std::int64_t begin, std::int64_t end, Visit visit) const;
  template <typename Visitor>
  void WalkLevels(int series, std::int64_t begin, std::int64_t end, Visitor& visit) const;
  // EnvelopeOf with its extremes, MeanOf without.
  template <bool kExtremes>
  Envelope Sums(int series, std::int64_t begin, std::int64_t end) const;

  std::vector<SeriesState> series_;
  std::deque<std::unique_ptr<Chunk>> chunks_;
  std::int64_t base_chunk_ = 0;  // global chunk number of chunks_.front()
  std::int64_t first_ = 0;       // global index of row 0
  std::int64_t size_ = 0;
  std::int64_t capacity_ = kUnbounded;
  std::int64_t dropped_up_to_ = std::numeric_limits<std::int64_t>::min();
};

using SeriesStore = BasicSeriesStore<float>;
using DoubleSeriesStore = BasicSeriesStore<double>;
extern template class BasicSeriesStore<float>;
extern template class BasicSeriesStore<double>;

}  // namespace chart
