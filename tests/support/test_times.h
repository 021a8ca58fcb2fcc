#pragma once

#include <QColor>
#include <cstdint>

// Times and colours the chart and review tests share, in the store's nanoseconds since the epoch.
namespace test_support {

inline constexpr std::int64_t kSecond = 1'000'000'000;
inline constexpr std::int64_t kT0 = 1796515323456LL * 1'000'000;  // 2026-12-06T01:02:03.456+01:00
inline const QColor kRed(255, 0, 0);

}  // namespace test_support
