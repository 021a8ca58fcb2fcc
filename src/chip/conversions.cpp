#include "chip/conversions.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace chip {

double VoltsFromRegister(int raw, double k, double offset) {
  return (k / 255.0) * raw + offset;
}

int RegisterFromVolts(double volts, double k_inverse) {
  const double counts = std::floor(volts / (k_inverse / 255.0));
  if (!(counts >= 0.0)) return 0;  // also catches NaN
  return counts > 255.0 ? 255 : static_cast<int>(counts);
}

int CelsiusFromRegister(int raw) {
  return raw >= 128 ? raw - 256 : raw;
}

int RegisterFromCelsius(double degrees) {
  // nearbyint follows the default rounding mode, nearest with halves to even.
  double whole = std::nearbyint(degrees);
  if (!(whole >= -128.0)) whole = -128.0;
  if (whole > 127.0) whole = 127.0;
  const int value = static_cast<int>(whole);
  return value >= 0 ? value : 256 + value;
}

int FanDivisorFromBits(int bits) {
  return 1 << (bits & 3);
}

double RpmFromCount(int count, int divisor) {
  if (count == 0) count = 1;
  const auto product = static_cast<std::int16_t>(divisor * count);
  if (product <= 0) throw std::domain_error("fan speed: divisor x count is not positive");
  return static_cast<double>(kFanConstant / product);
}

FanReading GaugeRpmFromCount(int count, int divisor) {
  if (count == 0) count = 1;
  double rpm = RpmFromCount(count, divisor);
  if (rpm > kMaxRpm) {
    // divisor x 10000 passes 16 bits for divisors 4 and 8, so this product is formed in 32.
    count = kFanConstant / (divisor * kMaxRpm);
    rpm = RpmFromCount(count, divisor);
  }
  return {count, rpm};
}

FanReading ChartRpmFromCount(int count, int divisor) {
  if (count == 0) count = 1;
  double rpm = RpmFromCount(count, divisor);
  if (rpm > kMaxRpm) rpm = static_cast<double>(kMaxRpm) / divisor;
  return {count, rpm};
}

int CountFromRpm(double rpm, int divisor) {
  const double product = rpm * divisor;
  if (!(product > 0.0)) return 255;
  const double count = std::floor(kFanConstant / product);
  return count > 255.0 ? 255 : static_cast<int>(count);
}

namespace {

// value rounded to `decimals` places as a whole number of 10^-decimals, half away from zero on the
// value's 15 significant digits (so 3.3455, stored as 3.34549999..., still rounds up).
std::int64_t ScaledDigits(double magnitude, int decimals) {
  // d.dddddddddddddde+XX, as printf's %.14e writes it, without printf's cost on every tick.
  char buf[32] = {};
  std::to_chars(buf, buf + sizeof buf - 1, magnitude, std::chars_format::scientific, 14);
  int digits[15];
  digits[0] = buf[0] - '0';
  for (int i = 1; i < 15; ++i) digits[i] = buf[i + 1] - '0';
  // The exponent after "e" and its sign; from_chars skips the locale work atoi does per call.
  int exponent = 0;
  std::from_chars(buf + 18, buf + sizeof buf, exponent);
  if (buf[17] == '-') exponent = -exponent;
  const int keep = exponent + 1 + decimals;
  if (keep < 0) return 0;
  if (keep == 0) return digits[0] >= 5 ? 1 : 0;
  std::int64_t n = 0;
  for (int i = 0; i < keep && i < 15; ++i) n = n * 10 + digits[i];
  for (int i = 15; i < keep; ++i) n *= 10;
  if (keep < 15 && digits[keep] >= 5) ++n;
  return n;
}

}  // namespace

CaptionText MakeCaption(double value, int decimals, std::string_view unit) {
  // A reading stays the same over many display ticks: its caption is made once. The unit is
  // kept by value, as the caller's text may not outlive the call.
  struct Made {
    double value = std::nan("");  // equal to nothing
    int decimals = 0;
    std::array<char, 8> unit{};
    std::size_t unit_size = 0;
    CaptionText caption;
  };
  thread_local Made last;
  const bool keep = unit.size() <= last.unit.size();
  if (keep && value == last.value && decimals == last.decimals &&
      unit == std::string_view(last.unit.data(), last.unit_size)) {
    return last.caption;
  }
  CaptionText caption;
  char* out = caption.text_.data();
  const std::size_t room = caption.text_.size();
  int written = 0;
  if (!std::isfinite(value) || std::fabs(value) >= 1e12 || decimals < 0 || decimals > 6) {
    written = std::snprintf(out, room, "%.*f", decimals < 0 ? 0 : decimals, value);
  } else {
    std::int64_t scale = 1;
    for (int i = 0; i < decimals; ++i) scale *= 10;
    const std::int64_t n = ScaledDigits(std::fabs(value), decimals);
    // At most 13 integer digits, a sign, a point and 6 places: the room always suffices.
    char* p = out;
    if (value < 0 && n != 0) *p++ = '-';
    p = std::to_chars(p, out + room, n / scale).ptr;
    if (decimals > 0) {
      *p++ = '.';
      char places[8];
      const char* end = std::to_chars(places, places + sizeof places, n % scale).ptr;
      const auto digits = static_cast<int>(end - places);
      for (int i = digits; i < decimals; ++i) *p++ = '0';
      p = std::copy(static_cast<const char*>(places), end, p);
    }
    written = static_cast<int>(p - out);
  }
  std::size_t size = written < 0 ? 0 : static_cast<std::size_t>(written);
  if (size > room - 1) size = room - 1;
  const std::size_t unit_size = std::min(unit.size(), room - 1 - size);
  std::memcpy(out + size, unit.data(), unit_size);
  caption.size_ = size + unit_size;
  if (keep) {
    last.value = value;
    last.decimals = decimals;
    std::copy(unit.begin(), unit.end(), last.unit.begin());
    last.unit_size = unit.size();
    last.caption = caption;
  }
  return caption;
}

}  // namespace chip
