#include "buslink/sim/simulated_hardware.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "buslink/sim/sim_rig.h"
#include "support/thrown.h"

namespace buslink::sim {
namespace {

using kelvran_test::CodeOf;
using Lines = std::vector<std::string>;

// Which port and board answer, and under which mode flag, the wizard's search table and
// `kelvran detect` show through the simulator; here what they do not.
TEST(SimulatedHardware, WritesReachTheChipsThatEveryLinkShares) {
  SimRig rig(R"({"smbus": {"chips": [{}]},
      "printer_ports": [{"base": "0x378"}, {"base": "0x278", "boards": [{}]}]})");
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
  rig.device().SetBaseAddress(0x3BC);
  EXPECT_EQ(CodeOf([&] { rig.device().ReadByte(0x5C, 0x3E); }), ErrorCode::BadPort);
  EXPECT_EQ(rig.trace.Lines().back(), "PP 5C R 3E ERR BADPORT");
}

TEST(SimulatedHardware, WithoutBusesTransfersFailWithoutAdapterOrPort) {
  SimRig rig("{}");
  EXPECT_EQ(rig.smbus().BaseAddress(), 0);
  EXPECT_EQ(CodeOf([&] { rig.smbus().ReadByte(0x2D, 0x3E); }), ErrorCode::NoAdapter);
  EXPECT_EQ(CodeOf([&] { rig.smbus().WriteByte(0x2D, 0x40, 1); }), ErrorCode::NoAdapter);
  EXPECT_EQ(rig.ports().PortCount(), 0);
  EXPECT_EQ(rig.ports().BaseAddress(), 0);
  EXPECT_EQ(CodeOf([&] { rig.ports().SetSelectedPort(0); }), ErrorCode::BadPort);
  EXPECT_EQ(CodeOf([&] { rig.device().ReadByte(0x5C, 0x3E); }), ErrorCode::BadPort);
  EXPECT_EQ(rig.trace.Lines(), (Lines{"SMB 2D R 3E ERR NOADAPTER", "SMB 2D W 40 ERR NOADAPTER",
                                      "PP 5C R 3E ERR BADPORT"}));
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
    SimRig rig(std::string(R"({"smbus": {"chips": [{}]}, "faults": [)") + fault + "]}");
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

// A failed write leaves the chip alone; faults and the trace can be changed while running.
TEST(SimulatedHardware, FailedTransferIsTracedAndLeavesTheChipAlone) {
  SimRig rig(R"({"printer_ports": [{"boards": [{}]}], "smbus": {"chips": [{}]},
              "faults": [{"medium": "PP", "op": "W", "times": 1, "error": "TIMEOUT"}]})");
  std::uint8_t reg = 0x19;
  std::uint8_t value = 0x12;
  EXPECT_EQ(CodeOf([&] { rig.device().WriteByte(0x5C, reg, value); }), ErrorCode::Timeout);
  EXPECT_EQ(rig.hardware.BoardChip(0, 0x5C)->Peek(0x19), 0xFF) << "nothing was written";
  rig.device().WriteByte(0x5C, reg, value);
  EXPECT_EQ(rig.hardware.BoardChip(0, 0x5C)->Peek(0x19), 0x12);
  Fault f;
  f.device = 0x2D;
  rig.hardware.AddFault(f);
  EXPECT_EQ(CodeOf([&] { rig.smbus().ReadByte(0x2D, 0x3E); }), ErrorCode::Nack);
  rig.hardware.ClearFaults();
  EXPECT_EQ(rig.smbus().ReadByte(0x2D, 0x3F), 0x01);
  rig.hardware.SetTrace(nullptr);
  rig.smbus().ReadByte(0x2D, 0x3E);
  EXPECT_EQ(rig.trace.Lines(), (Lines{"PP 5C W 19 ERR TIMEOUT", "PP 5C W 19 12",
                                      "SMB 2D R 3E ERR NACK", "SMB 2D R 3F 01"}));
}

}  // namespace
}  // namespace buslink::sim
