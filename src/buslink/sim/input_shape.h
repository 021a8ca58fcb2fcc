#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace buslink::sim {

// What a shape does once its own length has run out: stay at its end, start again, or run back to
// its beginning and then forth again.
enum class Afterwards { Hold, Repeat, Bounce };

// A value that changes with the simulated clock: the sum of its parts, each a function of time.
// A shape is evaluated afresh at every conversion, so it costs nothing while the chip is stopped.
class InputShape {
 public:
  // mean + amplitude x sin(2 pi (t - phase) / period): rising through its mean at `phase`.
  struct Sine {
    double mean = 0.0;
    double amplitude = 0.0;
    double period = 1.0;
    double phase = 0.0;
  };
  // `from` until `start`, then straight to `to` in `over` seconds.
  struct Ramp {
    double from = 0.0;
    double to = 0.0;
    double over = 1.0;
    double start = 0.0;
    Afterwards then = Afterwards::Hold;
  };
  // `base`, and `level` from `start` on: for `length` seconds (0: for good), again every `every`
  // seconds (0: once).
  struct Pulse {
    double base = 0.0;
    double level = 0.0;
    double start = 0.0;
    double length = 0.0;
    double every = 0.0;
  };
  // Roughly normal with standard deviation sigma, never beyond 3.5 sigma; a fresh sample every
  // kNoiseSlotSeconds, drawn from the time and the stream alone, so a reading at a given time is
  // the same however often the chip was read before.
  struct Noise {
    double sigma = 0.0;
  };
  // Straight lines between (seconds, value) points, times increasing; the first value before the
  // first time.
  using Points = std::vector<std::pair<double, double>>;
  struct Profile {
    std::shared_ptr<const Points> points;
    Afterwards then = Afterwards::Hold;
  };
  using Part = std::variant<double, Sine, Ramp, Pulse, Noise, Profile>;

  static constexpr double kNoiseSlotSeconds = 0.01;

  void Add(Part part) { parts_.push_back(std::move(part)); }
  bool empty() const { return parts_.empty(); }
  const std::vector<Part>& parts() const { return parts_; }

  // The value at `seconds` on the simulated clock; `stream` tells this input's noise from any
  // other's (the chip derives it from its seed and the input).
  double Value(double seconds, std::uint64_t stream) const;

 private:
  std::vector<Part> parts_;
};

// The chip's analog inputs, in the order of the scenario format's table.
enum class AnalogInput : std::uint8_t {
  V25,
  Vccp1,
  Vcc,
  V5,
  V12,
  Vccp2,
  Ain1,
  Ain2,
  TempInternal,
  TempExt1,
  TempExt2,
  Fan1Rpm,
  Fan2Rpm,
};
constexpr std::size_t kAnalogInputCount = 13;

// One shape per analog input; an empty one leaves the input at its number.
using InputShapes = std::array<InputShape, kAnalogInputCount>;

// A duration as the scenario format writes it: "30s", "250ms", "1.5min", "2h", or a bare number of
// seconds ("30", "0.5"). nullopt when the text is none of these.
std::optional<double> SecondsFromText(std::string_view text);

}  // namespace buslink::sim
