#include "buslink/sim/simulated_hardware.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace buslink::sim {
namespace {

using Lines = std::vector<std::string>;

BoardSetup Board(std::uint8_t address, bool when_false, bool when_true) {
  BoardSetup board;
  board.address = address;
  board.answers_when_false = when_false;
  board.answers_when_true = when_true;
  return board;
}

// Two printer ports, a board only on the second; an SMBus chip at 0x2D.
Scenario TwoPorts() {
  Scenario s;
  s.printer_ports = {PrinterPortSetup{0x378, {}},
                     PrinterPortSetup{0x278, {Board(0x5C, true, false)}}};
  s.smbus.present = true;
  s.smbus.base_address = 0x5000;
  s.smbus.chips = {SMBusChipSetup{0x2D, {}}};
  return s;
}

ErrorCode CodeOf(const std::function<void()>& transfer) {
  try {
    transfer();
  } catch (const BusError& error) {
    return error.code();
  }
  ADD_FAILURE() << "the transfer succeeded";
  return ErrorCode::Io;
}

class SimulatedHardwareTest : public ::testing::Test {
 protected:
  explicit SimulatedHardwareTest(const Scenario& scenario = TwoPorts())
      : hardware_(scenario, &trace_), link_(hardware_.CreateBusLink()) {
    trace_.KeepLines(true);
  }
  ParallelPorts& ports() { return link_->GetParallelPorts(); }
  ParallelDevice& device() { return link_->GetParallelPorts().Device(); }
  SMBusDevice& smbus() { return link_->SMBus(); }

  BusTrace trace_;
  SimulatedHardware hardware_;
  std::unique_ptr<BusLink> link_;
};

TEST_F(SimulatedHardwareTest, SelectingAPortPointsTheDeviceAtItsBase) {
  EXPECT_EQ(ports().PortCount(), 2);
  ports().SetSelectedPort(1);
  EXPECT_EQ(ports().BaseAddress(), 0x278);
  EXPECT_EQ(device().BaseAddress(), 0x278);
  EXPECT_EQ(device().ReadByte(0x5C, 0x3E), 0x41);

  ports().SetSelectedPort(0);
  EXPECT_EQ(device().BaseAddress(), 0x378);
  EXPECT_EQ(CodeOf([&] { device().ReadByte(0x5C, 0x3E); }), ErrorCode::Nack);
  EXPECT_EQ(trace_.Lines(), (Lines{"PP 5C R 3E 41", "PP 5C R 3E ERR NACK"}));
}

TEST_F(SimulatedHardwareTest, TransferGoesToThePortWhoseBaseTheDeviceHolds) {
  ports().SetSelectedPort(0);
  device().SetBaseAddress(0x278);  // as the register transfer does before every transfer
  EXPECT_EQ(ports().BaseAddress(), 0x378) << "the port list keeps its own selection";
  EXPECT_EQ(device().ReadByte(0x5C, 0x3E), 0x41);
}

TEST_F(SimulatedHardwareTest, PortOutOfRangeIsRefused) {
  try {
    ports().SetSelectedPort(2);
    FAIL() << "accepted port 2";
  } catch (const BusError& error) {
    EXPECT_EQ(error.code(), ErrorCode::BadPort);
    EXPECT_STREQ(error.what(),
                 "printer port 2 does not exist: the simulated computer has 2 printer ports "
                 "(indices 0..1)");
  }
  EXPECT_EQ(ports().BaseAddress(), 0x378) << "the selection stays";
}

TEST_F(SimulatedHardwareTest, BaseWithoutAPortFails) {
  device().SetBaseAddress(0x3BC);
  EXPECT_EQ(CodeOf([&] { device().ReadByte(0x5C, 0x3E); }), ErrorCode::BadPort);
  EXPECT_EQ(trace_.Lines(), (Lines{"PP 5C R 3E ERR BADPORT"}));
}

TEST_F(SimulatedHardwareTest, AbsentBoardDoesNotAcknowledge) {
  ports().SetSelectedPort(1);
  for (std::uint8_t address : {std::uint8_t{0x58}, std::uint8_t{0x5A}, std::uint8_t{0x5D}}) {
    EXPECT_EQ(CodeOf([&] { device().ReadByte(address, 0x3E); }), ErrorCode::Nack);
  }
  std::uint8_t reg = 0x19;
  std::uint8_t value = 0x80;
  EXPECT_EQ(CodeOf([&] { device().WriteByte(0x58, reg, value); }), ErrorCode::Nack);
  EXPECT_EQ(trace_.Lines(), (Lines{"PP 58 R 3E ERR NACK", "PP 5A R 3E ERR NACK",
                                   "PP 5D R 3E ERR NACK", "PP 58 W 19 ERR NACK"}));
}

TEST(SimulatedHardwareModeFlag, BoardAnswersOnlyUnderItsModeFlagSettings) {
  struct Row {
    const char* answers_under;
    bool when_false;
    bool when_true;
  };
  const Row rows[] = {{"false", true, false}, {"true", false, true}, {"both", true, true}};
  for (const Row& row : rows) {
    Scenario s;
    s.printer_ports = {PrinterPortSetup{0x378, {Board(0x5C, row.when_false, row.when_true)}}};
    SimulatedHardware hardware(s);
    auto link = hardware.CreateBusLink();
    ParallelDevice& device = link->GetParallelPorts().Device();
    for (bool flag : {false, true}) {
      device.SetModeFlag(flag);
      EXPECT_EQ(device.ModeFlag(), flag);
      const bool expected = flag ? row.when_true : row.when_false;
      bool answered = true;
      try {
        EXPECT_EQ(device.ReadByte(0x5C, 0x3E), 0x41);
      } catch (const BusError& error) {
        EXPECT_EQ(error.code(), ErrorCode::Nack);
        answered = false;
      }
      EXPECT_EQ(answered, expected)
          << "answers under " << row.answers_under << ", ModeFlag " << flag;
    }
  }
}

TEST_F(SimulatedHardwareTest, WritesReachTheChipAndAreTraced) {
  ports().SetSelectedPort(1);
  std::uint8_t reg = 0x19;
  std::uint8_t value = 0x80;
  device().WriteByte(0x5C, reg, value);
  smbus().WriteByte(0x2D, 0x40, 0x03);
  EXPECT_EQ(hardware_.BoardChip(1, 0x5C)->Peek(0x19), 0x80);
  EXPECT_EQ(hardware_.SMBusChip(0x2D)->Peek(0x40), 0x03);
  EXPECT_EQ(smbus().ReadByte(0x2D, 0x40), 0x03);
  EXPECT_EQ(trace_.Lines(), (Lines{"PP 5C W 19 80", "SMB 2D W 40 03", "SMB 2D R 40 03"}));
}

TEST_F(SimulatedHardwareTest, SMBusChipsAnswerByTheirSevenBitAddress) {
  EXPECT_EQ(smbus().BaseAddress(), 0x5000);
  EXPECT_EQ(smbus().ReadByte(0x2D, 0x3E), 0x41);
  EXPECT_EQ(CodeOf([&] { smbus().ReadByte(0x2C, 0x3E); }), ErrorCode::Nack);
  EXPECT_EQ(CodeOf([&] { smbus().ReadByte(0x5A, 0x3E); }), ErrorCode::Nack);
  EXPECT_EQ(trace_.Lines(),
            (Lines{"SMB 2D R 3E 41", "SMB 2C R 3E ERR NACK", "SMB 5A R 3E ERR NACK"}));
}

TEST_F(SimulatedHardwareTest, LinksShareTheChips) {
  auto other = hardware_.CreateBusLink();
  other->SMBus().WriteByte(0x2D, 0x19, 0x42);
  EXPECT_EQ(smbus().ReadByte(0x2D, 0x19), 0x42);
  link_->SetMedium(1);
  EXPECT_EQ(link_->Medium(), 1);
  EXPECT_EQ(other->Medium(), 0);
}

TEST(SimulatedHardwareNoBuses, WithoutAdapterTheSMBusFailsWithNoAdapter) {
  BusTrace trace;
  trace.KeepLines(true);
  SimulatedHardware hardware(Scenario{}, &trace);
  auto link = hardware.CreateBusLink();
  EXPECT_EQ(link->SMBus().BaseAddress(), 0);
  EXPECT_EQ(CodeOf([&] { link->SMBus().ReadByte(0x2D, 0x3E); }), ErrorCode::NoAdapter);
  EXPECT_EQ(CodeOf([&] { link->SMBus().WriteByte(0x2D, 0x40, 1); }), ErrorCode::NoAdapter);
  EXPECT_EQ(link->GetParallelPorts().PortCount(), 0);
  EXPECT_EQ(link->GetParallelPorts().BaseAddress(), 0);
  EXPECT_EQ(CodeOf([&] { link->GetParallelPorts().SetSelectedPort(0); }), ErrorCode::BadPort);
  EXPECT_EQ(CodeOf([&] { link->GetParallelPorts().Device().ReadByte(0x5C, 0x3E); }),
            ErrorCode::BadPort);
  EXPECT_EQ(trace.Lines(), (Lines{"SMB 2D R 3E ERR NOADAPTER", "SMB 2D W 40 ERR NOADAPTER",
                                  "PP 5C R 3E ERR BADPORT"}));
}

TEST(SimulatedHardwareSystemInfo, OSBuildIsTheScenarioBuildAsText) {
  EXPECT_EQ(SimulatedHardware(Scenario::BuiltIn()).CreateSystemInfo()->OSBuild(), "1998");
  Scenario s;
  s.os_build = 2222;
  EXPECT_EQ(SimulatedHardware(s).CreateSystemInfo()->OSBuild(), "2222");
}

// A fault lets `skip` matching transfers pass and fails the next `times`; other transfers do not
// count. Each row runs the same six SMBus reads of 0x41 with a write and a read of 0x40 between.
TEST(SimulatedHardwareFaults, FaultFiresAfterSkipForTimes) {
  struct Row {
    const char* what;
    Fault fault;
    const char* outcome;  // one letter per read of 0x41: . passes, N NACK, T TIMEOUT
  };
  auto fault = [](int skip, std::optional<int> times, ErrorCode error = ErrorCode::Nack) {
    Fault f;
    f.medium = FaultMedium::SMB;
    f.op = 'R';
    f.reg = 0x41;
    f.skip = skip;
    f.times = times;
    f.error = error;
    return f;
  };
  Fault other_register = fault(0, std::nullopt);
  other_register.reg = 0x42;
  Fault other_device = fault(0, std::nullopt);
  other_device.device = 0x2C;
  Fault other_medium = fault(0, std::nullopt);
  other_medium.medium = FaultMedium::PP;
  Fault writes_only = fault(0, std::nullopt);
  writes_only.op = 'W';
  writes_only.reg.reset();
  Fault any = Fault{};
  const Row rows[] = {
      {"skip 2, once", fault(2, 1), "..N..."},
      {"skip 0, twice", fault(0, 2), "NN...."},
      {"skip 4, for ever", fault(4, std::nullopt), "....NN"},
      {"never", fault(0, 0), "......"},
      {"timeout", fault(1, 1, ErrorCode::Timeout), ".T...."},
      {"other register", other_register, "......"},
      {"other device", other_device, "......"},
      {"other medium", other_medium, "......"},
      {"writes only", writes_only, "......"},
      {"every transfer counts for an open filter",
       [] {
         Fault f;
         f.skip = 3;  // the read of 0x41, the write and the read of 0x40 pass
         f.times = 1;
         return f;
       }(),
       ".N...."},
      {"no filter fails everything", any, "NNNNNN"},
  };
  for (const Row& row : rows) {
    Scenario s = TwoPorts();
    s.faults = {row.fault};
    SimulatedHardware hardware(s);
    auto link = hardware.CreateBusLink();
    SMBusDevice& smbus = link->SMBus();
    std::string outcome;
    for (int i = 0; i < 6; ++i) {
      try {
        smbus.ReadByte(0x2D, 0x41);
        outcome += '.';
      } catch (const BusError& error) {
        outcome += error.code() == ErrorCode::Timeout ? 'T' : 'N';
      }
      try {
        smbus.WriteByte(0x2D, 0x40, 0x00);
        smbus.ReadByte(0x2D, 0x40);
      } catch (const BusError&) {
      }
    }
    EXPECT_EQ(outcome, row.outcome) << row.what;
  }
}

TEST(SimulatedHardwareFaults, FailedTransferIsTracedAndLeavesTheChipAlone) {
  Scenario s = TwoPorts();
  Fault f;
  f.medium = FaultMedium::PP;
  f.op = 'W';
  f.times = 1;
  f.error = ErrorCode::Timeout;
  s.faults = {f};
  BusTrace trace;
  trace.KeepLines(true);
  SimulatedHardware hardware(s, &trace);
  auto link = hardware.CreateBusLink();
  link->GetParallelPorts().SetSelectedPort(1);
  std::uint8_t reg = 0x19;
  std::uint8_t value = 0x12;
  EXPECT_EQ(CodeOf([&] { link->GetParallelPorts().Device().WriteByte(0x5C, reg, value); }),
            ErrorCode::Timeout);
  EXPECT_EQ(hardware.BoardChip(1, 0x5C)->Peek(0x19), 0xFF) << "nothing was written";
  link->GetParallelPorts().Device().WriteByte(0x5C, reg, value);
  EXPECT_EQ(hardware.BoardChip(1, 0x5C)->Peek(0x19), 0x12);
  EXPECT_EQ(trace.Lines(), (Lines{"PP 5C W 19 ERR TIMEOUT", "PP 5C W 19 12"}));
}

TEST(SimulatedHardwareFaults, FaultsCanBeAddedAndCleared) {
  SimulatedHardware hardware(TwoPorts());
  auto link = hardware.CreateBusLink();
  Fault f;
  f.device = 0x2D;
  hardware.AddFault(f);
  EXPECT_EQ(CodeOf([&] { link->SMBus().ReadByte(0x2D, 0x3E); }), ErrorCode::Nack);
  hardware.ClearFaults();
  EXPECT_EQ(link->SMBus().ReadByte(0x2D, 0x3E), 0x41);
}

TEST(SimulatedHardwareTrace, TraceCanBeSwitchedOnLater) {
  SimulatedHardware hardware(TwoPorts());
  auto link = hardware.CreateBusLink();
  link->SMBus().ReadByte(0x2D, 0x3E);
  BusTrace trace;
  trace.KeepLines(true);
  hardware.SetTrace(&trace);
  link->SMBus().ReadByte(0x2D, 0x3F);
  hardware.SetTrace(nullptr);
  link->SMBus().ReadByte(0x2D, 0x3E);
  EXPECT_EQ(trace.Lines(), (Lines{"SMB 2D R 3F 01"}));
}

// Only a lower bound: the transfer must really take its latency (a too-short wait is the fault
// this catches); how much longer it takes depends on the machine.
TEST(SimulatedHardwareLatency, EachTransferTakesAtLeastItsLatency) {
  Scenario s = TwoPorts();
  s.latency_us = 400;
  SimulatedHardware hardware(s);
  auto link = hardware.CreateBusLink();
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < 5; ++i) link->SMBus().ReadByte(0x2D, 0x3E);
  EXPECT_EQ(CodeOf([&] { link->SMBus().ReadByte(0x2C, 0x3E); }), ErrorCode::Nack);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::microseconds(6 * 400));
}

TEST(SimulatedHardwareScenario, ScenarioFileDrivesTheWholeHardware) {
  const Scenario s = Scenario::FromJson(R"({
      "printer_ports": [{"base": "0x3BC", "boards": [{"address": "0x58", "answers_under": "both",
                                                       "inputs": {"v12": 11.0}}]}],
      "chip": {"registers": {"0x40": "0x01"}, "inputs": {"v12": 12.0}},
      "faults": [{"medium": "PP", "register": "0x24", "skip": 1, "times": 1, "error": "TIMEOUT"}]
    })",
                                        "drive.json");
  BusTrace trace;
  trace.KeepLines(true);
  SimulatedHardware hardware(s, &trace);
  auto link = hardware.CreateBusLink();
  ParallelDevice& device = link->GetParallelPorts().Device();
  EXPECT_EQ(device.BaseAddress(), 0x3BC) << "the device starts on the first port";
  device.SetModeFlag(true);
  EXPECT_EQ(device.ReadByte(0x58, 0x24), 175);  // 11 V on the +12V scale
  EXPECT_EQ(CodeOf([&] { device.ReadByte(0x58, 0x24); }), ErrorCode::Timeout);
  EXPECT_EQ(device.ReadByte(0x58, 0x24), 175);
  EXPECT_EQ(trace.Lines(), (Lines{"PP 58 R 24 AF", "PP 58 R 24 ERR TIMEOUT", "PP 58 R 24 AF"}));
  EXPECT_EQ(CodeOf([&] { link->SMBus().ReadByte(0x2D, 0x3E); }), ErrorCode::NoAdapter);
}

}  // namespace
}  // namespace buslink::sim
