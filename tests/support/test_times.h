#pragma once

#include <QColor>
#include <QRect>
#include <cmath>
#include <cstdint>

// Times and colours the chart and review tests share, in the store's nanoseconds since the epoch.
namespace test_support {

inline constexpr std::int64_t kSecond = 1'000'000'000;
inline constexpr std::int64_t kT0 = 1796515323456LL * 1'000'000;  // 2026-12-06T01:02:03.456+01:00
inline const QColor kRed(255, 0, 0);

// The pixel column at `fraction` of a plot's width, and the row a value in [lo, hi] is drawn on.
inline int PlotColumn(const QRect& plot, double fraction) {
  return plot.left() + static_cast<int>(fraction * (plot.width() - 1));
}
inline int PlotRow(const QRect& plot, double v, double lo, double hi) {
  return plot.top() + static_cast<int>(std::lround((hi - v) * (plot.height() - 1) / (hi - lo)));
}

}  // namespace test_support
