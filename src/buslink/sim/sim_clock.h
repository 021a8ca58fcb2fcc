#pragma once

#include <chrono>
#include <optional>

namespace buslink::sim {

// The simulated computer's sense of time, in seconds since it was switched on. It follows the
// steady clock, so a simulated board moves while the program watches it; a test sets or advances
// it by hand instead, and from then on it stands still where it was put, so readings at chosen
// times need no sleeping.
class SimClock {
 public:
  SimClock() : start_(std::chrono::steady_clock::now()) {}

  double Seconds() const {
    if (held_) return *held_;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
  }

  void Set(double seconds) { held_ = seconds; }
  void Advance(double seconds) { held_ = Seconds() + seconds; }

 private:
  std::chrono::steady_clock::time_point start_;
  std::optional<double> held_;
};

}  // namespace buslink::sim
