#include "buslink/sim/simulated_hardware.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "buslink/sim/sim_rig.h"
#include "support/bus_failure.h"

namespace buslink::sim {
namespace {

using kelvran_test::CodeOf;
using Lines = std::vector<std::string>;

// Two printer ports, a board only on the second; an SMBus chip at 0x2D.
constexpr const char* kTwoPorts = R"({"smbus": {"chips": [{}]},
    "printer_ports": [{"base": "0x378"}, {"base": "0x278", "boards": [{}]}]})";

// The simulated hardware described by a scenario, a link on it, and a trace that keeps its lines.
struct Rig : SimRig {
  explicit Rig(const std::string& json = kTwoPorts) : SimRig(json) {}
};

TEST(SimulatedHardware, TransferGoesToThePortWhoseBaseTheDeviceHolds) {
  Rig rig;
  EXPECT_EQ(rig.ports().PortCount(), 2);
  rig.ports().SetSelectedPort(1);
  EXPECT_EQ(rig.ports().BaseAddress(), 0x278);
  EXPECT_EQ(rig.device().BaseAddress(), 0x278) << "selecting a port points the device at it";
  EXPECT_EQ(rig.device().ReadByte(0x5C, 0x3E), 0x41);
  rig.ports().SetSelectedPort(0);
  EXPECT_EQ(CodeOf([&] { rig.device().ReadByte(0x5C, 0x3E); }), ErrorCode::Nack);
  rig.device().SetBaseAddress(0x278);  // as the register transfer does before every transfer
  EXPECT_EQ(rig.ports().BaseAddress(), 0x378) << "the port list keeps its own selection";
  EXPECT_EQ(rig.device().ReadByte(0x5C, 0x3E), 0x41);

  std::string message;
  EXPECT_EQ(CodeOf([&] { rig.ports().SetSelectedPort(2); }, &message), ErrorCode::BadPort);
  EXPECT_EQ(message,
            "printer port 2 does not exist: the simulated computer has 2 printer ports "
            "(indices 0..1)");
  EXPECT_EQ(rig.ports().BaseAddress(), 0x378) << "the selection stays";
  rig.device().SetBaseAddress(0x3BC);
  EXPECT_EQ(CodeOf([&] { rig.device().ReadByte(0x5C, 0x3E); }), ErrorCode::BadPort);
  EXPECT_EQ(rig.trace.Lines(), (Lines{"PP 5C R 3E 41", "PP 5C R 3E ERR NACK", "PP 5C R 3E 41",
                                      "PP 5C R 3E ERR BADPORT"}));
}

// Boards answer at their 8-bit address, SMBus chips at their 7-bit one; nothing else does.
TEST(SimulatedHardware, AbsentChipsDoNotAcknowledge) {
  Rig rig;
  rig.ports().SetSelectedPort(1);
  for (std::uint8_t address : {std::uint8_t{0x58}, std::uint8_t{0x5D}}) {
    EXPECT_EQ(CodeOf([&] { rig.device().ReadByte(address, 0x3E); }), ErrorCode::Nack);
  }
  std::uint8_t reg = 0x19;
  std::uint8_t value = 0x80;
  EXPECT_EQ(CodeOf([&] { rig.device().WriteByte(0x58, reg, value); }), ErrorCode::Nack);
  EXPECT_EQ(rig.smbus().BaseAddress(), 0x5000);
  EXPECT_EQ(rig.smbus().ReadByte(0x2D, 0x3E), 0x41);
  EXPECT_EQ(CodeOf([&] { rig.smbus().ReadByte(0x5A, 0x3E); }), ErrorCode::Nack);
  EXPECT_EQ(rig.trace.Lines(),
            (Lines{"PP 58 R 3E ERR NACK", "PP 5D R 3E ERR NACK", "PP 58 W 19 ERR NACK",
                   "SMB 2D R 3E 41", "SMB 5A R 3E ERR NACK"}));
}

// "answers_under" as text in any case, or as a JSON boolean.
TEST(SimulatedHardware, BoardAnswersOnlyUnderItsModeFlagSettings) {
  const std::pair<const char*, std::pair<bool, bool>> rows[] = {{R"("false")", {true, false}},
                                                                {R"("true")", {false, true}},
                                                                {R"("BOTH")", {true, true}},
                                                                {"true", {false, true}}};
  for (const auto& [answers_under, answers] : rows) {
    Rig rig(std::string(R"({"printer_ports": [{"boards": [{"answers_under": )") + answers_under +
            "}]}]}");
    for (bool flag : {false, true}) {
      rig.device().SetModeFlag(flag);
      EXPECT_EQ(rig.device().ModeFlag(), flag);
      SCOPED_TRACE(std::string("answers under ") + answers_under + (flag ? ", flag" : ", no flag"));
      if (flag ? answers.second : answers.first) {
        EXPECT_EQ(rig.device().ReadByte(0x5C, 0x3E), 0x41);
      } else {
        EXPECT_EQ(CodeOf([&] { rig.device().ReadByte(0x5C, 0x3E); }), ErrorCode::Nack);
      }
    }
  }
}

TEST(SimulatedHardware, WritesReachTheChipsThatEveryLinkShares) {
  Rig rig;
  rig.ports().SetSelectedPort(1);
  std::uint8_t reg = 0x19;
  std::uint8_t value = 0x80;
  rig.device().WriteByte(0x5C, reg, value);
  rig.hardware.CreateBusLink()->SMBus().WriteByte(0x2D, 0x40, 0x03);
  EXPECT_EQ(rig.hardware.BoardChip(1, 0x5C)->Peek(0x19), 0x80);
  EXPECT_EQ(rig.smbus().ReadByte(0x2D, 0x40), 0x03);
  EXPECT_EQ(rig.trace.Lines(), (Lines{"PP 5C W 19 80", "SMB 2D W 40 03", "SMB 2D R 40 03"}));
  rig.link->SetMedium(buslink::BusMedium::SMBus);
  EXPECT_EQ(rig.link->Medium(), buslink::BusMedium::SMBus);
  EXPECT_EQ(rig.hardware.CreateBusLink()->Medium(), buslink::BusMedium::PrinterPort)
      << "the medium belongs to one link";
}

TEST(SimulatedHardware, WithoutBusesTransfersFailWithoutAdapterOrPort) {
  Rig rig("{}");
  EXPECT_EQ(rig.smbus().BaseAddress(), 0);
  EXPECT_EQ(CodeOf([&] { rig.smbus().ReadByte(0x2D, 0x3E); }), ErrorCode::NoAdapter);
  EXPECT_EQ(CodeOf([&] { rig.smbus().WriteByte(0x2D, 0x40, 1); }), ErrorCode::NoAdapter);
  EXPECT_EQ(rig.ports().PortCount(), 0);
  EXPECT_EQ(rig.ports().BaseAddress(), 0);
  EXPECT_EQ(CodeOf([&] { rig.ports().SetSelectedPort(0); }), ErrorCode::BadPort);
  EXPECT_EQ(CodeOf([&] { rig.device().ReadByte(0x5C, 0x3E); }), ErrorCode::BadPort);
  EXPECT_EQ(rig.trace.Lines(), (Lines{"SMB 2D R 3E ERR NOADAPTER", "SMB 2D W 40 ERR NOADAPTER",
                                      "PP 5C R 3E ERR BADPORT"}));
  EXPECT_EQ(rig.hardware.CreateSystemInfo()->OSBuild(), "1998");
  EXPECT_EQ(Rig(R"({"os_build": 2222})").hardware.CreateSystemInfo()->OSBuild(), "2222");
}

// A fault lets `skip` matching transfers pass and fails the next `times`; other transfers do not
// count. Each row runs the same six SMBus reads of 0x41 with a write and a read of 0x40 between.
TEST(SimulatedHardware, FaultFiresAfterSkipForTimes) {
  const std::pair<const char*, const char*> rows[] = {
      // the fault, and one letter per read of 0x41: . passes, N NACK, T TIMEOUT
      {R"({"op": "R", "register": 65, "skip": 2, "times": 1})", "..N..."},
      {R"({"op": "R", "register": 65, "times": 2})", "NN...."},
      {R"({"medium": "SMB", "register": 65, "skip": 4})", "....NN"},
      {R"({"register": 65, "times": 0})", "......"},
      {R"({"register": 65, "skip": 1, "times": 1, "error": "TIMEOUT"})", ".T...."},
      {R"({"register": 66})", "......"},
      {R"({"device": 44})", "......"},
      {R"({"medium": "PP"})", "......"},
      {R"({"op": "W"})", "......"},
      {R"({"skip": 3, "times": 1})", ".N...."},  // an open filter counts every transfer
      {"{}", "NNNNNN"},
  };
  for (const auto& [fault, expected] : rows) {
    Rig rig(std::string(R"({"smbus": {"chips": [{}]}, "faults": [)") + fault + "]}");
    std::string outcome;
    for (int i = 0; i < 6; ++i) {
      try {
        rig.smbus().ReadByte(0x2D, 0x41);
        outcome += '.';
      } catch (const BusError& error) {
        outcome += error.code() == ErrorCode::Timeout ? 'T' : 'N';
      }
      try {
        rig.smbus().WriteByte(0x2D, 0x40, 0x00);
        rig.smbus().ReadByte(0x2D, 0x40);
      } catch (const BusError&) {
      }
    }
    EXPECT_EQ(outcome, expected) << fault;
  }
}

TEST(SimulatedHardware, FailedTransferIsTracedAndLeavesTheChipAlone) {
  Rig rig(R"({"printer_ports": [{"boards": [{}]}],
              "faults": [{"medium": "PP", "op": "W", "times": 1, "error": "TIMEOUT"}]})");
  std::uint8_t reg = 0x19;
  std::uint8_t value = 0x12;
  EXPECT_EQ(CodeOf([&] { rig.device().WriteByte(0x5C, reg, value); }), ErrorCode::Timeout);
  EXPECT_EQ(rig.hardware.BoardChip(0, 0x5C)->Peek(0x19), 0xFF) << "nothing was written";
  rig.device().WriteByte(0x5C, reg, value);
  EXPECT_EQ(rig.hardware.BoardChip(0, 0x5C)->Peek(0x19), 0x12);
  EXPECT_EQ(rig.trace.Lines(), (Lines{"PP 5C W 19 ERR TIMEOUT", "PP 5C W 19 12"}));
}

TEST(SimulatedHardware, FaultsAndTraceCanBeChangedWhileRunning) {
  Rig rig;
  Fault f;
  f.device = 0x2D;
  rig.hardware.AddFault(f);
  EXPECT_EQ(CodeOf([&] { rig.smbus().ReadByte(0x2D, 0x3E); }), ErrorCode::Nack);
  rig.hardware.ClearFaults();
  EXPECT_EQ(rig.smbus().ReadByte(0x2D, 0x3F), 0x01);
  rig.hardware.SetTrace(nullptr);
  rig.smbus().ReadByte(0x2D, 0x3E);
  EXPECT_EQ(rig.trace.Lines(), (Lines{"SMB 2D R 3E ERR NACK", "SMB 2D R 3F 01"}));
}

// Only a lower bound: the transfer must really take its latency (a too-short wait is the fault
// this catches); how much longer it takes depends on the machine.
TEST(SimulatedHardware, EachTransferTakesAtLeastItsLatency) {
  Rig rig(R"({"latency_us": 400, "smbus": {"chips": [{}]}})");
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < 5; ++i) rig.smbus().ReadByte(0x2D, 0x3E);
  EXPECT_EQ(CodeOf([&] { rig.smbus().ReadByte(0x2C, 0x3E); }), ErrorCode::Nack);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::microseconds(6 * 400));
}

// A board's own inputs override the scenario-wide chip's; the device starts on the first port.
TEST(SimulatedHardware, ScenarioDrivesTheWholeHardware) {
  Rig rig(R"({
      "printer_ports": [{"base": "0x3BC", "boards": [{"address": "0x58", "answers_under": "both",
                                                       "inputs": {"v12": 11.0}}]}],
      "chip": {"registers": {"0x40": "0x01"}, "inputs": {"v12": 12.0}}})");
  EXPECT_EQ(rig.device().BaseAddress(), 0x3BC);
  rig.device().SetModeFlag(true);
  EXPECT_EQ(rig.device().ReadByte(0x58, 0x24), 175);  // 11 V on the +12V scale
  EXPECT_EQ(rig.trace.Lines(), (Lines{"PP 58 R 24 AF"}));
  EXPECT_EQ(CodeOf([&] { rig.smbus().ReadByte(0x2D, 0x3E); }), ErrorCode::NoAdapter);
}

}  // namespace
}  // namespace buslink::sim
