#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

namespace kelvran_test {

// A register file standing in for the chip: it keeps the addresses read and written, and a
// register may drop bits on a write, as a chip does that ignores some writes.
struct RegisterFile {
  std::array<std::uint8_t, 256> regs{};
  std::array<std::uint8_t, 256> keeps = [] {
    std::array<std::uint8_t, 256> all{};
    all.fill(0xFF);
    return all;
  }();
  std::vector<std::uint8_t> reads;
  std::vector<std::uint8_t> writes;
  std::function<void(std::uint8_t address)> on_read;  // called before the value is handed out

  std::function<std::uint8_t(std::uint8_t)> Reader() {
    return [this](std::uint8_t a) {
      reads.push_back(a);
      if (on_read) on_read(a);
      return regs[a];
    };
  }
  std::function<void(std::uint8_t, std::uint8_t)> Writer() {
    return [this](std::uint8_t a, std::uint8_t v) {
      writes.push_back(a);
      regs[a] = static_cast<std::uint8_t>(v & keeps[a]);
    };
  }
};

}  // namespace kelvran_test
