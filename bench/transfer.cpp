// One ReadRegister and one WriteRegister through the simulated chip, on each medium's path. A real
// 100 kHz SMBus byte read takes about 400 us; the program's own share must stay far below that.
#include <benchmark/benchmark.h>

#include "access/link_new_com_port.h"
#include "buslink/sim/simulated_hardware.h"

namespace {

// A board at power-up: the chip converts nothing, so these figures are the path's own cost (and
// comparable with earlier runs); bench_simulated_chip measures the conversions.
constexpr const char* kPowerUp =
    R"({"printer_ports": [{"boards": [{}]}], "smbus": {"chips": [{}]}, "chip": {"noise": 1}})";

struct Rig {
  explicit Rig(int medium)
      : hardware(buslink::sim::Scenario::FromJson(kPowerUp, "power-up")), d(&hardware) {
    hardware.SetLatencyMicroseconds(0);
    d.comms_medium = static_cast<std::int16_t>(medium);
    d.pp_base_address = 0x378;
    d.device_address = medium == 1 ? 0x5C : 0x2D;
  }
  buslink::sim::SimulatedHardware hardware;
  devaccess::Declarations d;
};

void BM_ReadRegister(benchmark::State& state) {
  Rig rig(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    rig.d.reg_address = 0x24;
    devaccess::ReadRegister(rig.d);
    benchmark::DoNotOptimize(rig.d.value_read);
  }
}

void BM_WriteRegister(benchmark::State& state) {
  Rig rig(static_cast<int>(state.range(0)));
  std::int16_t value = 0;
  for (auto _ : state) {
    rig.d.reg_address = 0x19;
    rig.d.value_to_write = value;
    devaccess::WriteRegister(rig.d);
    value = static_cast<std::int16_t>((value + 1) & 0xFF);
  }
}

// Argument: comms_medium, 1 = printer port, 0 = SMBus.
BENCHMARK(BM_ReadRegister)
    ->ArgName("medium")
    ->Arg(1)
    ->Arg(0)
    ->Repetitions(5)
    ->ReportAggregatesOnly();
BENCHMARK(BM_WriteRegister)
    ->ArgName("medium")
    ->Arg(1)
    ->Arg(0)
    ->Repetitions(5)
    ->ReportAggregatesOnly();

}  // namespace

BENCHMARK_MAIN();
