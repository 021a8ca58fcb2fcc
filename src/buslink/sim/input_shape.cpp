#include "buslink/sim/input_shape.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <numbers>

namespace buslink::sim {

namespace {

// Where `elapsed` seconds into a shape of `length` seconds lands, once the length has run out.
double Fold(double elapsed, double length, Afterwards then) {
  if (length <= 0.0) return 0.0;
  switch (then) {
    case Afterwards::Hold:
      return std::min(elapsed, length);
    case Afterwards::Repeat:
      return std::fmod(elapsed, length);
    case Afterwards::Bounce: {
      const double lap = std::fmod(elapsed, 2.0 * length);
      return lap <= length ? lap : 2.0 * length - lap;
    }
  }
  return elapsed;
}

// A well-mixed 64-bit number from its input (splitmix64's finaliser).
std::uint64_t Mix(std::uint64_t x) {
  x += 0x9E3779B97F4A7C15ULL;
  x = (x ^ (x >> 30U)) * 0xBF58476D1CE4E5B9ULL;
  x = (x ^ (x >> 27U)) * 0x94D049BB133111EBULL;
  return x ^ (x >> 31U);
}

// The sum of four uniform samples, centred and scaled to unit variance: close enough to a normal
// for a reading's jitter, and bounded, so a small noise never throws a reading far off.
double UnitNoise(std::uint64_t bits) {
  double sum = 0.0;
  for (unsigned i = 0; i < 4; ++i) {
    sum += (static_cast<double>((bits >> (16U * i)) & 0xFFFFU) + 0.5) / 65536.0;
  }
  return (sum - 2.0) * std::numbers::sqrt3;
}

struct PartValue {
  double seconds;
  std::uint64_t stream;

  double operator()(double constant) const { return constant; }
  double operator()(const InputShape::Sine& s) const {
    return s.mean + s.amplitude * std::sin(2.0 * std::numbers::pi * (seconds - s.phase) / s.period);
  }
  double operator()(const InputShape::Ramp& r) const {
    if (seconds < r.start) return r.from;
    return r.from + (r.to - r.from) * Fold(seconds - r.start, r.over, r.then) / r.over;
  }
  double operator()(const InputShape::Pulse& p) const {
    if (seconds < p.start) return p.base;
    double into = seconds - p.start;
    if (p.every > 0.0) into = std::fmod(into, p.every);
    return p.length <= 0.0 || into < p.length ? p.level : p.base;
  }
  double operator()(const InputShape::Noise& n) const {
    const auto slot =
        static_cast<std::int64_t>(std::floor(seconds / InputShape::kNoiseSlotSeconds));
    return n.sigma * UnitNoise(Mix(stream ^ Mix(static_cast<std::uint64_t>(slot))));
  }
  double operator()(const InputShape::Profile& p) const {
    const InputShape::Points& points = *p.points;
    const double first = points.front().first;
    if (seconds <= first) return points.front().second;
    const double at = first + Fold(seconds - first, points.back().first - first, p.then);
    const auto next = std::upper_bound(points.begin(), points.end(), at,
                                       [](double t, const auto& point) { return t < point.first; });
    if (next == points.begin()) return next->second;
    if (next == points.end()) return points.back().second;
    const auto& [t0, v0] = *(next - 1);
    const auto& [t1, v1] = *next;
    const double fraction = (at - t0) / (t1 - t0);
    return v0 * (1.0 - fraction) + v1 * fraction;
  }
};

}  // namespace

double InputShape::Value(double seconds, std::uint64_t stream) const {
  double sum = 0.0;
  std::uint64_t part_stream = stream;
  for (const Part& part : parts_) {
    // Two noise parts of one input are two independent noises.
    part_stream = Mix(part_stream);
    sum += std::visit(PartValue{seconds, part_stream}, part);
  }
  return sum;
}

std::optional<double> SecondsFromText(std::string_view text) {
  double number = 0.0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  if (text.empty() || error != std::errc() || !std::isfinite(number)) return std::nullopt;
  const std::string_view unit(end, static_cast<std::size_t>(text.data() + text.size() - end));
  if (unit.empty() || unit == "s") return number;
  if (unit == "ms") return number / 1000.0;
  if (unit == "min") return number * 60.0;
  if (unit == "h") return number * 3600.0;
  return std::nullopt;
}

}  // namespace buslink::sim
