// The printer-port bus, measured two ways. The CPU time is what the bit-banged master costs over
// simulated wires, with the waits taking no time. The counters say what one transfer is on a real
// port: line transitions, port accesses (each an ioctl, about a microsecond on a legacy port) and
// the time spent waiting half periods of 10 us, which is the floor of a real transfer.
#include <benchmark/benchmark.h>

#include <chrono>

#include "buslink/linux/bit_bang_i2c.h"
#include "simulated_board.h"

namespace {

using buslink::linux_hw::BitBangI2c;
using buslink::linux_hw::BitBangTiming;
using buslink::linux_hw::Wiring;
using buslink::linux_hw::testing::FakePacer;
using buslink::linux_hw::testing::SimulatedBoard;

constexpr std::uint8_t kBoard = 0x5C;

template <typename Transfer>
void Measure(benchmark::State& state, Transfer transfer) {
  FakePacer pacer;
  SimulatedBoard board(SimulatedBoard::Build::Direct, kBoard, pacer);
  board.slave.registers[0x3E] = 0x41;
  BitBangTiming timing;
  timing.half_period = std::chrono::microseconds(10);
  BitBangI2c master(board, Wiring::Direct, timing, pacer, "simulated port");
  master.Idle();

  const long transitions = board.line_transitions;
  const long accesses = board.data_writes + board.status_reads;
  const auto waited = pacer.Now();
  for (auto _ : state) transfer(master);

  const auto n = static_cast<double>(state.iterations());
  state.counters["line_transitions"] =
      static_cast<double>(board.line_transitions - transitions) / n;
  state.counters["port_accesses"] =
      static_cast<double>(board.data_writes + board.status_reads - accesses) / n;
  state.counters["real_port_us"] =
      std::chrono::duration<double, std::micro>(pacer.Now() - waited).count() / n;
}

void BM_PrinterPortReadRegister(benchmark::State& state) {
  Measure(state,
          [](BitBangI2c& master) { benchmark::DoNotOptimize(master.ReadRegister(kBoard, 0x3E)); });
}
BENCHMARK(BM_PrinterPortReadRegister);

void BM_PrinterPortWriteRegister(benchmark::State& state) {
  Measure(state, [](BitBangI2c& master) { master.WriteRegister(kBoard, 0x40, 0x01); });
}
BENCHMARK(BM_PrinterPortWriteRegister);

}  // namespace

BENCHMARK_MAIN();
