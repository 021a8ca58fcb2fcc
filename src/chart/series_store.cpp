#include "chart/series_store.h"

#include <algorithm>
#include <array>

namespace chart {

namespace {

template <typename T>
struct MinMax {
  static constexpr T kInf = std::numeric_limits<T>::infinity();
  T min = kInf;
  T max = -kInf;
  // std::min(a, b) keeps a unless b < a, which a NaN never is: a cell without a value changes
  // nothing. Without branches, so a run of wandering values costs no mispredictions.
  void Add(T v) {
    min = std::min(min, v);
    max = std::max(max, v);
  }
  void Add(const MinMax& m) {
    min = std::min(min, m.min);
    max = std::max(max, m.max);
  }
};

template <typename T>
struct Summary {
  MinMax<T> extremes;
  std::uint32_t count = 0;
  double sum = 0.0;
  double sum_of_squares = 0.0;
  void Add(T v) {
    extremes.Add(v);
    ++count;
    sum += v;
    sum_of_squares += static_cast<double>(v) * v;
  }
};

// Every cache line of bytes [begin, begin + size).
void PrefetchLines(const void* begin, std::size_t size) {
  constexpr std::uintptr_t kLine = 64;
  const auto first = reinterpret_cast<std::uintptr_t>(begin) & ~(kLine - 1);
  const auto end = reinterpret_cast<std::uintptr_t>(begin) + size;
  for (std::uintptr_t line = first; line < end; line += kLine) {
    __builtin_prefetch(reinterpret_cast<const void*>(line));
  }
}

// The sum of a block of 32 rows' values, for a column's mean. Kept apart from the block's
// extremes, so a plain min/max frame reads no more memory for it.
template <typename T>
struct BlockSum {
  T sum = 0;
  std::uint32_t count = 0;
  void Add(T v) {
    sum += v;
    ++count;
  }
};

template <typename T>
bool EmptyBlock(const MinMax<T>& m) {
  return m.min > m.max;
}

template <typename T>
void Merge(Extremes& into, const MinMax<T>& m) {
  into.min = std::min(into.min, static_cast<double>(m.min));
  into.max = std::max(into.max, static_cast<double>(m.max));
}

template <typename T>
void Merge(SeriesStats& into, const Summary<T>& s) {
  if (s.count == 0) return;
  into.count += s.count;
  into.min = std::min(into.min, static_cast<double>(s.extremes.min));
  into.max = std::max(into.max, static_cast<double>(s.extremes.max));
  into.sum += s.sum;
  into.sum_of_squares += s.sum_of_squares;
}

}  // namespace

template <typename T>
struct BasicSeriesStore<T>::SeriesChunk {
  SeriesChunk() { values.fill(std::numeric_limits<T>::quiet_NaN()); }
  std::array<T, kChunkRows> values;
  std::array<MinMax<T>, kChunkRows / kLevel1Rows> level1{};
  std::array<BlockSum<T>, kChunkRows / kLevel1Rows> level1_sums{};
  std::array<Summary<T>, kChunkRows / kLevel2Rows> level2{};
  Summary<T> whole;
};

template <typename T>
struct BasicSeriesStore<T>::Chunk {
  explicit Chunk(int series_count) : series(static_cast<std::size_t>(series_count)) {}
  std::array<std::int64_t, kChunkRows> times;  // written as rows come: untouched pages stay free
  std::vector<std::unique_ptr<SeriesChunk>> series;  // null: no value in this chunk
  int rows = 0;
};

template <typename T>
BasicSeriesStore<T>::BasicSeriesStore(int series_count)
    : series_(static_cast<std::size_t>(series_count)) {}
template <typename T>
BasicSeriesStore<T>::~BasicSeriesStore() = default;
template <typename T>
BasicSeriesStore<T>::BasicSeriesStore(BasicSeriesStore&&) noexcept = default;
template <typename T>
BasicSeriesStore<T>& BasicSeriesStore<T>::operator=(BasicSeriesStore&&) noexcept = default;

template <typename T>
void BasicSeriesStore<T>::SetCapacity(std::int64_t rows) {
  capacity_ = std::max<std::int64_t>(rows, 0);
  Clear();
}

template <typename T>
void BasicSeriesStore<T>::Clear() {
  chunks_.clear();
  base_chunk_ = 0;
  first_ = 0;
  size_ = 0;
  for (SeriesState& s : series_) s = SeriesState{};
  dropped_up_to_ = std::numeric_limits<std::int64_t>::min();
}

template <typename T>
const typename BasicSeriesStore<T>::Chunk& BasicSeriesStore<T>::ChunkOf(std::int64_t global) const {
  return *chunks_[static_cast<std::size_t>(global / kChunkRows - base_chunk_)];
}

template <typename T>
typename BasicSeriesStore<T>::SeriesChunk* BasicSeriesStore<T>::SeriesIn(const Chunk& chunk,
                                                                         int series) const {
  return chunk.series[static_cast<std::size_t>(series)].get();
}

template <typename T>
std::int64_t BasicSeriesStore<T>::AppendRow(std::int64_t time) {
  if (size_ > 0) time = std::max(time, TimeAt(size_ - 1));
  const std::int64_t global = first_ + size_;
  if (global % kChunkRows == 0) chunks_.push_back(std::make_unique<Chunk>(SeriesCount()));
  Chunk& chunk = *chunks_.back();
  chunk.times[static_cast<std::size_t>(global % kChunkRows)] = time;
  ++chunk.rows;
  ++size_;
  if (capacity_ != kUnbounded && size_ > capacity_) DropOldest();
  return size_ - 1;
}

template <typename T>
void BasicSeriesStore<T>::DropOldest() {
  const Chunk& chunk = ChunkOf(first_);
  dropped_up_to_ = chunk.times[static_cast<std::size_t>(first_ % kChunkRows)];
  const auto offset = static_cast<std::size_t>(first_ % kChunkRows);
  for (int s = 0; s < SeriesCount(); ++s) {
    SeriesState& state = series_[static_cast<std::size_t>(s)];
    if (const SeriesChunk* sc = SeriesIn(chunk, s);
        sc != nullptr && !std::isnan(sc->values[offset]))
      --state.count;
    auto& breaks = state.breaks;
    if (!breaks.empty() && breaks.front().first == first_) {
      if (breaks.front().second == first_) {
        breaks.erase(breaks.begin());
      } else {
        ++breaks.front().first;
      }
    }
  }
  ++first_;
  --size_;
  if (first_ % kChunkRows == 0) {
    chunks_.pop_front();
    ++base_chunk_;
  }
}

template <typename T>
typename BasicSeriesStore<T>::SeriesChunk& BasicSeriesStore<T>::SeriesForWrite(int series) {
  auto& slot = chunks_.back()->series[static_cast<std::size_t>(series)];
  if (!slot) slot = std::make_unique<SeriesChunk>();
  return *slot;
}

template <typename T>
void BasicSeriesStore<T>::Store(int series, double value) {
  SeriesState& state = series_[static_cast<std::size_t>(series)];
  const std::int64_t global = first_ + size_ - 1;
  const auto o = static_cast<std::size_t>(global % kChunkRows);
  SeriesChunk& sc = SeriesForWrite(series);
  // A cell is written once: the envelope only ever widens.
  if (!std::isnan(sc.values[o])) return;
  const auto v = static_cast<T>(value);
  sc.values[o] = v;
  sc.level1[o / kLevel1Rows].Add(v);
  sc.level1_sums[o / kLevel1Rows].Add(v);
  sc.level2[o / kLevel2Rows].Add(v);
  sc.whole.Add(v);
  ++state.count;
  state.last = value;
  state.has_last = true;
}

template <typename T>
void BasicSeriesStore<T>::SetLast(int series, double value) {
  if (series < 0 || series >= SeriesCount() || size_ == 0 || std::isnan(value)) return;
  if (BreaksWithin(series, size_ - 1, size_)) return;
  Store(series, value);
}

template <typename T>
void BasicSeriesStore<T>::BreakLast(int series) {
  if (series < 0 || series >= SeriesCount() || size_ == 0) return;
  const std::int64_t global = first_ + size_ - 1;
  auto& breaks = series_[static_cast<std::size_t>(series)].breaks;
  if (!breaks.empty() && breaks.back().second >= global - 1) {
    breaks.back().second = global;
  } else {
    breaks.emplace_back(global, global);
  }
}

template <typename T>
void BasicSeriesStore<T>::Add(int series, std::int64_t time, double value) {
  if (series < 0 || series >= SeriesCount() || std::isnan(value)) return;
  if (size_ == 0 || time > TimeAt(size_ - 1) || !std::isnan(ValueAt(series, size_ - 1)) ||
      BreaksWithin(series, size_ - 1, size_)) {
    AppendRow(time);
  }
  Store(series, value);
}

template <typename T>
std::int64_t BasicSeriesStore<T>::TimeAt(std::int64_t i) const {
  const std::int64_t g = Global(i);
  return ChunkOf(g).times[static_cast<std::size_t>(g % kChunkRows)];
}

template <typename T>
double BasicSeriesStore<T>::ValueAt(int series, std::int64_t i) const {
  if (series < 0 || series >= SeriesCount()) return std::nan("");
  const std::int64_t g = Global(i);
  const SeriesChunk* sc = SeriesIn(ChunkOf(g), series);
  return sc == nullptr ? std::nan("") : sc->values[static_cast<std::size_t>(g % kChunkRows)];
}

template <typename T>
std::int64_t BasicSeriesStore<T>::PointCount(int series) const {
  return series >= 0 && series < SeriesCount() ? series_[static_cast<std::size_t>(series)].count
                                               : 0;
}

template <typename T>
double BasicSeriesStore<T>::LastValue(int series) const {
  if (series < 0 || series >= SeriesCount()) return 0.0;
  const SeriesState& s = series_[static_cast<std::size_t>(series)];
  return s.has_last && s.count > 0 ? s.last : 0.0;
}

template <typename T>
std::int64_t BasicSeriesStore<T>::LowerBound(std::int64_t time, std::int64_t from,
                                             std::int64_t hint) const {
  from = std::clamp<std::int64_t>(from, 0, size_);
  if (hint < from || hint >= size_) hint = from;
  // Gallop from the hint to bracket the answer in (below, above], then search the bracket.
  std::int64_t below = from - 1;  // TimeAt(below) < time, or below is before the range
  std::int64_t above = size_;     // TimeAt(above) >= time, or above is past the range
  if (hint == size_ || TimeAt(hint) >= time) {
    above = hint;
    for (std::int64_t step = 1;; step *= 2) {
      const std::int64_t probe = above - step;
      if (probe < from) break;
      if (TimeAt(probe) < time) {
        below = probe;
        break;
      }
      above = probe;
    }
  } else {
    below = hint;
    for (std::int64_t step = 1;; step *= 2) {
      const std::int64_t probe = below + step;
      if (probe >= size_) break;
      if (TimeAt(probe) >= time) {
        above = probe;
        break;
      }
      below = probe;
    }
  }
  std::int64_t lo = below + 1;
  std::int64_t hi = above;
  while (lo < hi) {
    const std::int64_t mid = lo + (hi - lo) / 2;
    if (TimeAt(mid) < time) {
      lo = mid + 1;
    } else {
      hi = mid;
    }
  }
  return lo;
}

// Calls visit(series chunk or null, first offset, end offset) for the piece of rows [begin, end)
// in each chunk.
template <typename T>
template <typename Visit>
void BasicSeriesStore<T>::ForEachPiece(int series, std::int64_t begin, std::int64_t end,
                                       Visit visit) const {
  begin = std::max<std::int64_t>(begin, 0);
  end = std::min(end, size_);
  for (std::int64_t g = Global(begin); g < Global(end);) {
    const std::int64_t chunk_end = (g / kChunkRows + 1) * kChunkRows;
    const std::int64_t stop = std::min(chunk_end, Global(end));
    visit(SeriesIn(ChunkOf(g), series), static_cast<int>(g % kChunkRows),
          static_cast<int>(stop - (chunk_end - kChunkRows)));
    g = stop;
  }
}

// Walks rows [begin, end) of a series from the finest level up and back down, so a run of any
// length costs a few dozen reads. A whole chunk goes to visit.Whole(its summary). For a piece of
// one, visit.Begin(rows) gives a Piece to add into, and visit.End(piece) takes it back; the piece
// gets Single(chunk, row) for single rows up to the first block of 32, Block1(chunk, block) for
// blocks of 32 up to the first of 1024, Block2(summary) for blocks of 1024, then the same down
// again for the tail; a piece whose coarse is set gets its whole blocks of 1024 alone. Each reads
// only what it needs: a row's value, a block's extremes or its sums.
template <typename T>
template <typename Visitor>
void BasicSeriesStore<T>::WalkLevels(int series, std::int64_t begin, std::int64_t end,
                                     Visitor& visit) const {
  ForEachPiece(series, begin, end, [&](const SeriesChunk* sc, int a, int b) {
    if (sc == nullptr) return;
    if (a == 0 && b == kChunkRows) {
      visit.Whole(sc->whole);
      return;
    }
    auto piece = visit.Begin(b - a);  // a local, so its sums stay in registers
    const auto level1 = [&](int i) {
      piece.Block1(*sc, static_cast<std::size_t>(i / kLevel1Rows));
    };
    const auto level2 = [&](int i) {
      piece.Block2(sc->level2[static_cast<std::size_t>(i / kLevel2Rows)]);
    };
    int i = a;
    if (piece.coarse) {
      for (i = (a + kLevel2Rows - 1) / kLevel2Rows * kLevel2Rows; i + kLevel2Rows <= b;
           i += kLevel2Rows)
        level2(i);
    } else {
      for (; i < b && i % kLevel1Rows != 0; ++i) piece.Single(*sc, static_cast<std::size_t>(i));
      for (; i + kLevel1Rows <= b && i % kLevel2Rows != 0; i += kLevel1Rows) level1(i);
      for (; i + kLevel2Rows <= b; i += kLevel2Rows) level2(i);
      for (; i + kLevel1Rows <= b; i += kLevel1Rows) level1(i);
      for (; i < b; ++i) piece.Single(*sc, static_cast<std::size_t>(i));
    }
    visit.End(piece);
  });
}

template <typename T>
typename BasicSeriesStore<T>::Extremes BasicSeriesStore<T>::Range(int series, std::int64_t begin,
                                                                  std::int64_t end) const {
  struct Piece {
    MinMax<T> m;
    bool coarse = false;
    void Single(const SeriesChunk& sc, std::size_t i) { m.Add(sc.values[i]); }
    void Block1(const SeriesChunk& sc, std::size_t k) { m.Add(sc.level1[k]); }
    void Block2(const Summary<T>& s) { m.Add(s.extremes); }
  };
  struct Visit {
    Extremes e;
    void Whole(const Summary<T>& s) { Merge(e, s.extremes); }
    Piece Begin(int /*rows*/) { return {}; }
    void End(const Piece& piece) { Merge(e, piece.m); }
  } visit;
  if (series >= 0 && series < SeriesCount()) WalkLevels(series, begin, end, visit);
  return visit.e;
}

// The extremes as Range finds them, with the sums beside them; a NaN cell adds nothing to either.
// A piece of many blocks of 1024 takes its mean from those blocks alone: the rows at its ends (a
// third at most) move a pixel column's mean by a hair, and reading their sums would cost a
// zoomed-out frame a fifth more. MeanOf adds the same sums in the same order, so a mean comes out
// the same to the bit with a band or without.
template <typename T>
template <bool kExtremes>
Envelope BasicSeriesStore<T>::Sums(int series, std::int64_t begin, std::int64_t end) const {
  struct Piece {
    MinMax<T> m;
    double sum = 0.0;
    std::int64_t count = 0;
    bool wide = false;
    bool coarse = false;  // a wide mean without its band reads the blocks of 1024 alone
    void Single(const SeriesChunk& sc, std::size_t i) {
      const T v = sc.values[i];
      if constexpr (kExtremes) m.Add(v);
      if (!wide && !std::isnan(v)) {
        sum += v;
        ++count;
      }
    }
    void Block1(const SeriesChunk& sc, std::size_t k) {
      if constexpr (kExtremes) m.Add(sc.level1[k]);
      if (wide) return;
      sum += sc.level1_sums[k].sum;
      count += sc.level1_sums[k].count;
    }
    void Block2(const Summary<T>& s) {
      if constexpr (kExtremes) m.Add(s.extremes);
      sum += s.sum;
      count += s.count;
    }
  };
  struct Visit {
    Envelope e;
    void Whole(const Summary<T>& s) {
      if constexpr (kExtremes) Merge(e.extremes, s.extremes);
      e.sum += s.sum;
      e.count += s.count;
    }
    Piece Begin(int rows) {
      Piece piece;
      piece.wide = rows >= kWideRows;
      piece.coarse = piece.wide && !kExtremes;
      return piece;
    }
    void End(const Piece& piece) {
      if constexpr (kExtremes) Merge(e.extremes, piece.m);
      e.sum += piece.sum;
      e.count += piece.count;
    }
  } visit;
  if (series >= 0 && series < SeriesCount()) WalkLevels(series, begin, end, visit);
  return visit.e;
}

template <typename T>
Envelope BasicSeriesStore<T>::EnvelopeOf(int series, std::int64_t begin, std::int64_t end) const {
  return Sums<true>(series, begin, end);
}

template <typename T>
Envelope BasicSeriesStore<T>::MeanOf(int series, std::int64_t begin, std::int64_t end) const {
  return Sums<false>(series, begin, end);
}

template <typename T>
typename BasicSeriesStore<T>::Stats BasicSeriesStore<T>::Statistics(int series, std::int64_t begin,
                                                                    std::int64_t end) const {
  Stats st;
  if (series < 0 || series >= SeriesCount()) return st;
  ForEachPiece(series, begin, end, [&](const SeriesChunk* sc, int a, int b) {
    if (sc == nullptr) return;
    if (a == 0 && b == kChunkRows) {
      Merge(st, sc->whole);
      return;
    }
    Summary<T> s;
    int i = a;
    for (; i < b && i % kLevel2Rows != 0; ++i) {
      if (const T v = sc->values[static_cast<std::size_t>(i)]; !std::isnan(v)) s.Add(v);
    }
    for (; i + kLevel2Rows <= b; i += kLevel2Rows) {
      const Summary<T>& block = sc->level2[static_cast<std::size_t>(i / kLevel2Rows)];
      if (block.count == 0) continue;
      s.extremes.Add(block.extremes);
      s.count += block.count;
      s.sum += block.sum;
      s.sum_of_squares += block.sum_of_squares;
    }
    for (; i < b; ++i) {
      if (const T v = sc->values[static_cast<std::size_t>(i)]; !std::isnan(v)) s.Add(v);
    }
    Merge(st, s);
  });
  return st;
}

template <typename T>
bool BasicSeriesStore<T>::BreaksWithin(int series, std::int64_t begin, std::int64_t end) const {
  if (series < 0 || series >= SeriesCount() || begin >= end) return false;
  const auto& breaks = series_[static_cast<std::size_t>(series)].breaks;
  if (breaks.empty()) return false;
  const std::int64_t gb = Global(begin);
  const std::int64_t ge = Global(end);
  // The first run that ends at or after begin; it breaks the range when it starts before end.
  const auto it = std::lower_bound(breaks.begin(), breaks.end(), gb,
                                   [](const auto& run, std::int64_t g) { return run.second < g; });
  return it != breaks.end() && it->first < ge;
}

template <typename T>
std::int64_t BasicSeriesStore<T>::FirstValueRow(int series, std::int64_t begin,
                                                std::int64_t end) const {
  std::int64_t found = -1;
  if (series < 0 || series >= SeriesCount()) return found;
  std::int64_t piece_start = std::max<std::int64_t>(begin, 0);
  ForEachPiece(series, begin, end, [&](const SeriesChunk* sc, int a, int b) {
    const std::int64_t base = piece_start - a;
    piece_start += b - a;
    if (found >= 0 || sc == nullptr) return;
    for (int i = a; i < b; ++i) {
      // A block of 32 without a value is passed over whole.
      if (i % kLevel1Rows == 0 && i + kLevel1Rows <= b &&
          EmptyBlock(sc->level1[static_cast<std::size_t>(i / kLevel1Rows)])) {
        i += kLevel1Rows - 1;
        continue;
      }
      if (!std::isnan(sc->values[static_cast<std::size_t>(i)])) {
        found = base + i;
        return;
      }
    }
  });
  return found;
}

template <typename T>
std::int64_t BasicSeriesStore<T>::LastValueRow(int series, std::int64_t begin,
                                               std::int64_t end) const {
  begin = std::max<std::int64_t>(begin, 0);
  end = std::min(end, size_);
  if (series < 0 || series >= SeriesCount()) return -1;
  for (std::int64_t i = end - 1; i >= begin; --i) {
    const std::int64_t g = Global(i);
    const SeriesChunk* sc = SeriesIn(ChunkOf(g), series);
    const auto o = static_cast<std::size_t>(g % kChunkRows);
    if (sc == nullptr) {
      i -= static_cast<std::int64_t>(o);  // the whole chunk up to here is empty
      continue;
    }
    if (o % kLevel1Rows == kLevel1Rows - 1 && EmptyBlock(sc->level1[o / kLevel1Rows])) {
      i -= kLevel1Rows - 1;
      continue;
    }
    if (!std::isnan(sc->values[o])) return i;
  }
  return -1;
}

template <typename T>
void BasicSeriesStore<T>::Prefetch(int series, std::int64_t i, bool sums, bool with_time) const {
  if (i < 0 || i >= size_) return;
  const std::int64_t g = Global(i);
  const Chunk& chunk = ChunkOf(g);
  const auto o = static_cast<std::size_t>(g % kChunkRows);
  if (with_time) __builtin_prefetch(&chunk.times[o]);
  if (series < 0 || series >= SeriesCount()) return;
  const SeriesChunk* sc = SeriesIn(chunk, series);
  if (sc == nullptr) return;
  // Range reads the single values of the row's block of 32, the level-1 entries of its block of
  // 1024 and the level-2 entry beside it.
  const std::size_t block1 = o / kLevel1Rows;
  const std::size_t block2 = o / kLevel2Rows;
  PrefetchLines(&sc->values[block1 * kLevel1Rows], kLevel1Rows * sizeof(T));
  PrefetchLines(&sc->level1[block2 * kFactor], kFactor * sizeof(sc->level1[0]));
  if (sums) PrefetchLines(&sc->level1_sums[block2 * kFactor], kFactor * sizeof(sc->level1_sums[0]));
  __builtin_prefetch(&sc->level2[block2]);
}

template <typename T>
void BasicSeriesStore<T>::PrefetchMean(int series, std::int64_t i) const {
  if (i < 0 || i >= size_) return;
  const std::int64_t g = Global(i);
  const Chunk& chunk = ChunkOf(g);
  const auto o = static_cast<std::size_t>(g % kChunkRows);
  __builtin_prefetch(&chunk.times[o]);
  if (series < 0 || series >= SeriesCount()) return;
  if (const SeriesChunk* sc = SeriesIn(chunk, series); sc != nullptr) {
    __builtin_prefetch(&sc->level2[o / kLevel2Rows]);
  }
}

template class BasicSeriesStore<float>;
template class BasicSeriesStore<double>;

}  // namespace chart
