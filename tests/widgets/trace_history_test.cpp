#include "widgets/trace_history.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

namespace widgets {
namespace {

TEST(TraceHistory, KeepsOnlyTheNewestPointsOnceFullAndClearForgetsThem) {
  TraceHistory h(1024);
  for (int k = 0; k < 5000; ++k) h.Append(k, 1000.0 + k);
  ASSERT_EQ(h.Size(), 1024);
  EXPECT_EQ(h.TimeAt(0), 5000 - 1024);
  for (int i = 0; i < h.Size(); ++i) ASSERT_EQ(h.ValueAt(i), 1000.0 + 5000 - 1024 + i) << i;
  h.Clear();
  EXPECT_EQ(h.Size(), 0);
  for (int k = 0; k < 700; ++k) h.Append(k, k % 10);
  const TraceHistory::Extremes x = h.Range(0, h.Size());
  EXPECT_EQ(x.min, 0.0);
  EXPECT_EQ(x.max, 9.0);  // none of the old extremes
}

TEST(TraceHistory, LowerBoundFindsTheFirstPointAtOrAfterATime) {
  TraceHistory h(1024);
  for (const std::int64_t t : {10, 20, 20, 20, 30, 25}) h.Append(t, 0.0);
  EXPECT_EQ(h.TimeAt(5), 30);  // a time stamp from the past counts as the newest
  EXPECT_EQ(h.LowerBound(0), 0);
  EXPECT_EQ(h.LowerBound(20), 1);
  EXPECT_EQ(h.LowerBound(21), 4);
  EXPECT_EQ(h.LowerBound(31), 6);
  EXPECT_EQ(h.LowerBound(20, 3), 3);  // the search starts where told
}

// Whatever the hint, right or wrong, the answer is the same.
TEST(TraceHistory, LowerBoundGivesTheSameAnswerFromAnyHint) {
  TraceHistory h(1024);
  for (int k = 0; k < 3000; ++k) h.Append(k / 3 * 10, 0.0);  // each time three times, wrapped
  for (const std::int64_t time : {std::int64_t{0}, h.TimeAt(0), h.TimeAt(0) + 5, h.TimeAt(500),
                                  h.TimeAt(1023), h.TimeAt(1023) + 1}) {
    const int expected = h.LowerBound(time);
    for (const int hint : {-5, 0, 1, 2, 3, 100, 499, 500, 501, 1022, 1023, 1024, 5000})
      ASSERT_EQ(h.LowerBound(time, 0, hint), expected) << time << " hint " << hint;
    for (const int from : {0, 7, 600})
      ASSERT_EQ(h.LowerBound(time, from, 300), std::max(expected, from)) << time << " " << from;
  }
}

// The block and group extremes must give exactly what a scan of the points gives, for every
// state of the ring: partly filled, full, wrapped in the middle of a block or a group.
TEST(TraceHistory, RangeExtremesMatchAScanOfThePoints) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> value(-1000.0, 1000.0);
  for (const int appended : {1, 31, 33, 500, 2048, 2049, 2048 + 17, 3000, 4096 + 1024 + 5}) {
    TraceHistory h(2048);
    std::vector<double> all;
    for (int k = 0; k < appended; ++k) {
      all.push_back(value(rng));
      h.Append(k, all.back());
    }
    const std::vector<double> kept(all.end() - h.Size(), all.end());
    ASSERT_EQ(static_cast<int>(kept.size()), std::min(appended, 2048));
    std::uniform_int_distribution<int> index(0, h.Size() - 1);
    for (int trial = 0; trial < 3000; ++trial) {
      const int i = index(rng);
      const int j = index(rng);
      const int b = trial == 0 ? 0 : std::min(i, j);  // the first: the whole history
      const int e = trial == 0 ? h.Size() : std::max(i, j) + 1;
      const auto [lo, hi] = std::minmax_element(kept.begin() + b, kept.begin() + e);
      const TraceHistory::Extremes x = h.Range(b, e);
      ASSERT_EQ(x.min, *lo) << appended << " range " << b << ".." << e;
      ASSERT_EQ(x.max, *hi) << appended << " range " << b << ".." << e;
    }
  }
}

}  // namespace
}  // namespace widgets
