// A time profile is either points the simulator can follow, or a ProfileError with a message;
// nothing else may come out of the parser, and what it gives must be usable as it stands.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

#include "buslink/sim/input_shape.h"
#include "buslink/sim/profile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  buslink::sim::InputShape::Points points;
  try {
    points = buslink::sim::ProfileFromCsv(text, "fuzz.csv");
  } catch (const buslink::sim::ProfileError& e) {
    if (std::string(e.what()).empty()) std::abort();
    return 0;
  }
  if (points.empty()) std::abort();
  for (std::size_t i = 0; i < points.size(); ++i) {
    if (!std::isfinite(points[i].first) || !std::isfinite(points[i].second)) std::abort();
    if (points[i].first < 0.0 || (i > 0 && points[i].first <= points[i - 1].first)) std::abort();
  }
  // Every way of following it gives a finite value, inside the profile's own range.
  double low = points[0].second;
  double high = low;
  for (const auto& point : points) {
    low = std::min(low, point.second);
    high = std::max(high, point.second);
  }
  const auto shared = std::make_shared<const buslink::sim::InputShape::Points>(points);
  for (auto then : {buslink::sim::Afterwards::Hold, buslink::sim::Afterwards::Repeat,
                    buslink::sim::Afterwards::Bounce}) {
    buslink::sim::InputShape shape;
    shape.Add(buslink::sim::InputShape::Profile{shared, then});
    for (double t :
         {0.0, points.back().first * 0.5, points.back().first, points.back().first * 3.7, 1e9}) {
      const double value = shape.Value(t, 1);
      if (!std::isfinite(value) || value < low - 1e-6 * (1.0 + std::fabs(low)) ||
          value > high + 1e-6 * (1.0 + std::fabs(high))) {
        std::abort();
      }
    }
  }
  return 0;
}
