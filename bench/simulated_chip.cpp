// What inputs that change with time cost a read of the simulated chip. Each benchmark runs on
// three chips side by side: stopped (nothing converts), converting constant inputs, and
// converting the built-in bench, whose every input is a sine with noise on the steady clock. A
// measured register converts one input; a status register converts all ten channels.
#include <benchmark/benchmark.h>

#include <memory>

#include "access/link_new_com_port.h"
#include "buslink/sim/chip.h"
#include "buslink/sim/simulated_hardware.h"

namespace {

enum Inputs { kStopped, kConstant, kShaped };

buslink::sim::Scenario ScenarioOf(int inputs) {
  using buslink::sim::Scenario;
  switch (inputs) {
    case kStopped:
      return Scenario::FromJson(R"({"smbus": {"chips": [{}]}})", "stopped");
    case kConstant:
      return Scenario::FromJson(
          R"({"smbus": {"chips": [{}]}, "chip": {"registers": {"0x40": 3, "0x16": 2}}})",
          "constant");
    default:
      return Scenario::BuiltIn();
  }
}

void ReadChip(benchmark::State& state, std::uint8_t reg) {
  buslink::sim::SimulatedHardware hardware(ScenarioOf(static_cast<int>(state.range(0))));
  buslink::sim::Chip& chip = *hardware.SMBusChip(0x2D);
  for (auto _ : state) benchmark::DoNotOptimize(chip.Read(reg));
}

void BM_ChipReadMeasurement(benchmark::State& state) {
  ReadChip(state, 0x24);  // +12V
}
void BM_ChipReadStatus(benchmark::State& state) {
  ReadChip(state, 0x41);  // INT Status 1: every channel converts
}

// The program's own road: Declarations, LinkNewComPort, the SMBus device, the chip.
void BM_ReadRegister(benchmark::State& state) {
  buslink::sim::SimulatedHardware hardware(ScenarioOf(static_cast<int>(state.range(0))));
  devaccess::Declarations d(&hardware);
  d.comms_medium = 0;
  d.device_address = 0x2D;
  for (auto _ : state) {
    d.reg_address = 0x24;
    devaccess::ReadRegister(d);
    benchmark::DoNotOptimize(d.value_read);
  }
}

// Argument: 0 stopped, 1 constant inputs, 2 the built-in bench's shapes.
BENCHMARK(BM_ChipReadMeasurement)
    ->ArgName("inputs")
    ->DenseRange(0, 2)
    ->Repetitions(5)
    ->ReportAggregatesOnly();
BENCHMARK(BM_ChipReadStatus)
    ->ArgName("inputs")
    ->DenseRange(0, 2)
    ->Repetitions(5)
    ->ReportAggregatesOnly();
BENCHMARK(BM_ReadRegister)
    ->ArgName("inputs")
    ->DenseRange(0, 2)
    ->Repetitions(5)
    ->ReportAggregatesOnly();

}  // namespace

BENCHMARK_MAIN();
