#include "review/time_view.h"
#include "support/test_times.h"

#include <gtest/gtest.h>

namespace review {
namespace {

using test_support::kSecond;

// However far the user pans or zooms out, some of the data stays in view, and the view never
// narrows below a millisecond.
TEST(TimeView, NeverLosesTheData) {
  TimeView v;
  v.SetData(1000 * kSecond, 2000 * kSecond);
  v.Pan(-50.0);
  EXPECT_EQ(v.End(), 1000 * kSecond + v.Span() / 2);
  v.Pan(80.0);
  EXPECT_EQ(v.Start(), 2000 * kSecond - v.Span() / 2);
  v.ZoomAround(1500 * kSecond, 1e-20);
  EXPECT_EQ(v.Span(), TimeView::kMinSpan);
  // Zooming out again and again stays well inside 64-bit time.
  v.ZoomAround(1500 * kSecond, 1e9);
  for (int i = 0; i < 100; ++i) {
    ASSERT_GT(v.Span(), 0);
    ASSERT_LE(v.Start(), 1000 * kSecond);
    ASSERT_GE(v.End(), 2000 * kSecond);
    v.ZoomAround(1500 * kSecond, 2.0);
  }
}

}  // namespace
}  // namespace review
