#include "chart/series_store.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

namespace chart {
namespace {

using Store = SeriesStore;

// Points of several series at one time share a row; a series with a point in the newest row
// already, or a time later than it, opens a new one. A time from the past counts as the newest.
TEST(SeriesStore, PointsAtOneTimeShareARow) {
  Store s(3);
  s.Add(0, 10, 1.0);
  s.Add(1, 10, 2.0);
  s.Add(1, 10, 3.0);  // the same series again: a row of its own
  s.Add(2, 5, 4.0);   // from the past: into the newest row
  s.Add(0, 20, 5.0);
  ASSERT_EQ(s.Size(), 3);
  EXPECT_EQ(s.TimeAt(1), 10);
  EXPECT_EQ(s.ValueAt(2, 1), 4.0);
  EXPECT_TRUE(std::isnan(s.ValueAt(0, 1)));
  EXPECT_EQ(s.PointCount(1), 2);
  EXPECT_EQ(s.PointCount(2), 1);
  EXPECT_EQ(s.LastValue(1), 3.0);
  EXPECT_EQ(s.LastValue(2), 4.0);
  // The newest value is kept as given, not as the float the row holds.
  s.Add(2, 30, 0.1);
  EXPECT_EQ(s.LastValue(2), 0.1);
  EXPECT_EQ(s.ValueAt(2, s.Size() - 1), 0.1f);
}

TEST(SeriesStore, LowerBoundFindsTheFirstRowAtOrAfterATimeFromAnyHint) {
  Store s(1);
  for (const std::int64_t t : {10, 20, 20, 20, 30, 25}) s.Add(0, t, 0.0);
  EXPECT_EQ(s.TimeAt(5), 30);
  EXPECT_EQ(s.LowerBound(0), 0);
  EXPECT_EQ(s.LowerBound(20), 1);
  EXPECT_EQ(s.LowerBound(21), 4);
  EXPECT_EQ(s.LowerBound(31), 6);
  EXPECT_EQ(s.LowerBound(20, 3), 3);  // the search starts where told

  Store big(1);
  big.SetCapacity(70000);  // rows across chunk boundaries, the oldest dropped
  for (int k = 0; k < 90000; ++k) big.Add(0, k / 3 * 10, 0.0);
  for (const std::int64_t time :
       {std::int64_t{0}, big.TimeAt(0), big.TimeAt(0) + 5, big.TimeAt(500), big.TimeAt(40000),
        big.TimeAt(69999), big.TimeAt(69999) + 1}) {
    std::int64_t expected = 0;
    while (expected < big.Size() && big.TimeAt(expected) < time) ++expected;
    for (const std::int64_t hint : {-5, 0, 1, 2, 3, 100, 32767, 32768, 40000, 69999, 70000, 90000})
      ASSERT_EQ(big.LowerBound(time, 0, hint), expected) << time << " hint " << hint;
    for (const std::int64_t from : {0, 7, 33000})
      ASSERT_EQ(big.LowerBound(time, from, 300), std::max(expected, from)) << time << " " << from;
  }
}

// What the envelope and the sums answer must equal a plain scan of the values, for ranges that
// sit exactly on the blocks of every level, and for any range, with cells without a value among
// them, in a store partly filled, full, and dropping its oldest rows in the middle of a block.
TEST(SeriesStore, EnvelopeAndStatisticsEqualAPlainScanAtEveryLevel) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> value(-1000.0, 1000.0);
  for (const std::int64_t capacity : {Store::kUnbounded, std::int64_t{70000}}) {
    Store s(2);
    s.SetCapacity(capacity);
    std::vector<double> all;
    const int appended = capacity == Store::kUnbounded ? 3 * Store::kChunkRows + 1234 : 100017;
    for (int k = 0; k < appended; ++k) {
      s.AppendRow(k);
      // Series 1 has a value in a third of the rows, and none for a while.
      const bool has = (k % 3 == 0) && (k < 40000 || k > 45000);
      const double v = static_cast<float>(value(rng));
      all.push_back(has ? v : std::nan(""));
      if (has) s.SetLast(1, v);
      s.SetLast(0, v);
    }
    ASSERT_EQ(s.Size(), capacity == Store::kUnbounded ? appended : capacity);
    EXPECT_EQ(s.TimeAt(0), appended - s.Size());  // the newest rows
    const std::vector<double> kept(all.end() - s.Size(), all.end());
    auto check = [&](std::int64_t b, std::int64_t e) {
      double lo = INFINITY;
      double hi = -INFINITY;
      double sum = 0.0;
      double squares = 0.0;
      std::int64_t count = 0;
      for (std::int64_t i = b; i < e; ++i) {
        const double v = kept[static_cast<std::size_t>(i)];
        if (std::isnan(v)) continue;
        lo = std::min(lo, v);
        hi = std::max(hi, v);
        sum += v;
        squares += v * v;
        ++count;
      }
      const Store::Extremes x = s.Range(1, b, e);
      const Store::Stats st = s.Statistics(1, b, e);
      ASSERT_EQ(x.Empty(), count == 0) << b << ".." << e;
      ASSERT_EQ(st.count, count) << b << ".." << e;
      // A mean drawn without its band is the band's mean to the bit.
      const chart::Envelope envelope = s.EnvelopeOf(1, b, e);
      const chart::Envelope sums = s.MeanOf(1, b, e);
      ASSERT_EQ(sums.sum, envelope.sum) << b << ".." << e;
      ASSERT_EQ(sums.count, envelope.count) << b << ".." << e;
      if (count == 0) return;
      ASSERT_EQ(x.min, lo) << b << ".." << e;
      ASSERT_EQ(x.max, hi) << b << ".." << e;
      ASSERT_EQ(envelope.extremes.min, lo) << b << ".." << e;
      ASSERT_EQ(envelope.extremes.max, hi) << b << ".." << e;
      ASSERT_EQ(st.min, lo);
      ASSERT_EQ(st.max, hi);
      ASSERT_NEAR(st.sum, sum, 1e-9 * std::abs(squares) + 1e-6) << b << ".." << e;
      ASSERT_NEAR(st.sum_of_squares, squares, 1e-9 * squares) << b << ".." << e;
    };
    // Whole blocks of each level, counted from the first row ever appended.
    const std::int64_t dropped = appended - s.Size();
    for (const int block : {Store::kLevel1Rows, Store::kLevel2Rows, Store::kChunkRows}) {
      SCOPED_TRACE(block);
      const std::int64_t first = (dropped + block - 1) / block * block - dropped;
      for (std::int64_t b = first; b + block <= s.Size(); b += block) check(b, b + block);
      check(first, first + (s.Size() - first) / block * block);
    }
    std::uniform_int_distribution<std::int64_t> index(0, s.Size() - 1);
    check(0, s.Size());
    for (int trial = 0; trial < 3000; ++trial) {
      const std::int64_t i = index(rng);
      const std::int64_t j = trial < 1500 ? index(rng) : std::min(s.Size() - 1, i + trial % 70);
      check(std::min(i, j), std::max(i, j) + 1);
    }
  }
}

// A series breaks where a row has its gap, and only there: first and last values, and breaks,
// are found however far the values lie.
TEST(SeriesStore, BreaksAndValueRowsAreFoundAcrossChunks) {
  Store s(2);
  for (int k = 0; k < 3 * Store::kChunkRows; ++k) {
    s.AppendRow(k);
    if (k == 10 || k == 40000 || k == 90000) s.SetLast(0, k);
    if (k >= 50000 && k < 50005) s.BreakLast(0);
    s.SetLast(1, 1.0);
  }
  EXPECT_EQ(s.FirstValueRow(0, 11, s.Size()), 40000);
  EXPECT_EQ(s.FirstValueRow(0, 40001, 90000), -1);
  EXPECT_EQ(s.LastValueRow(0, 0, 90000), 40000);
  EXPECT_EQ(s.LastValueRow(0, 0, 10), -1);
  EXPECT_TRUE(s.BreaksWithin(0, 40001, 90000));
  EXPECT_TRUE(s.BreaksWithin(0, 50004, 50005));
  EXPECT_FALSE(s.BreaksWithin(0, 50005, 90001));
  EXPECT_FALSE(s.BreaksWithin(0, 11, 50000));
  EXPECT_FALSE(s.BreaksWithin(1, 0, s.Size()));
  // A cell with a break takes no value; a point for it goes into a row of its own.
  s.AppendRow(3 * Store::kChunkRows);
  s.BreakLast(0);
  s.SetLast(0, 8.0);
  EXPECT_TRUE(std::isnan(s.ValueAt(0, s.Size() - 1)));
  s.Add(0, 3 * Store::kChunkRows, 9.0);
  EXPECT_EQ(s.ValueAt(0, s.Size() - 1), 9.0);
  EXPECT_TRUE(s.BreaksWithin(0, s.Size() - 2, s.Size() - 1));
}

}  // namespace
}  // namespace chart
