#include "buslink/linux/bit_bang_i2c.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <tuple>

#include "simulated_board.h"
#include "support/thrown.h"

namespace buslink::linux_hw {
namespace {

using kelvran_test::CodeOf;
using testing::FakePacer;
using ::testing::HasSubstr;
using testing::SimulatedBoard;
using Build = SimulatedBoard::Build;

constexpr std::uint8_t kBoard = 0x5C;  // 8-bit form, 7-bit 0x2E

// The bit-banged master on a simulated board whose chip has its company id in 0x3E.
struct Rig {
  explicit Rig(Build build, Wiring wiring = Wiring::Direct, BitBangTiming timing = {})
      : board(build, kBoard, pacer), master(board, wiring, timing, pacer, "test port") {
    board.slave.registers[0x3E] = 0x41;
    master.Idle();
  }
  FakePacer pacer;
  SimulatedBoard board;
  BitBangI2c master;
};

// Each wiring talks bit by bit to a board of its own build, and gets no answer from the other.
TEST(BitBang, EachWiringReachesOnlyTheBoardOfItsBuild) {
  for (const auto& [build, wiring, other] :
       {std::tuple{Build::Direct, Wiring::Direct, Build::Inverted},
        std::tuple{Build::Inverted, Wiring::Inverted, Build::Direct}}) {
    SCOPED_TRACE(wiring == Wiring::Direct ? "direct wiring" : "inverted wiring");
    Rig rig(build, wiring);
    EXPECT_EQ(rig.master.ReadRegister(kBoard, 0x3E), 0x41);
    rig.master.WriteRegister(kBoard, 0x40, 0xA5);  // 1010 0101: every bit value and both edges
    EXPECT_EQ(rig.board.slave.registers[0x40], 0xA5);
    EXPECT_EQ(rig.board.slave.registers[0x41], 0x00) << "wrote past the register";
    EXPECT_EQ(rig.master.ReadRegister(kBoard, 0x40), 0xA5);
    rig.board.slave.registers[0xFF] = 0x80;
    EXPECT_EQ(rig.master.ReadRegister(kBoard, 0xFF), 0x80);
    EXPECT_TRUE(rig.board.SclLine() && rig.board.SdaLine()) << "the bus is not left idle";
    EXPECT_TRUE(rig.board.Powered());
    EXPECT_EQ(rig.board.double_changes, 0) << "SCL and SDA moved in one write";

    Rig wrong(other, wiring);
    EXPECT_EQ(CodeOf([&] { wrong.master.ReadRegister(kBoard, 0x3E); }), ErrorCode::Nack);
    EXPECT_THROW(wrong.master.WriteRegister(kBoard, 0x40, 0x22), BusError);
    EXPECT_EQ(wrong.board.slave.registers[0x40], 0x00) << "a wrong-wiring write reached the chip";
  }
}

TEST(BitBang, EmptyAddressNacksAndLeavesTheBusFree) {
  Rig rig(Build::Direct);
  std::string message;
  EXPECT_EQ(CodeOf([&] { rig.master.ReadRegister(0x58, 0x3E); }, &message), ErrorCode::Nack);
  EXPECT_THAT(message, HasSubstr("no board acknowledged address 0x58 on test port"));
  EXPECT_THAT(message, HasSubstr("docs/evaluation-board.md"));
  EXPECT_TRUE(rig.board.SclLine() && rig.board.SdaLine());
  EXPECT_EQ(rig.master.ReadRegister(kBoard, 0x3E), 0x41) << "the NACK left the slave confused";
}

TEST(BitBang, NothingOnThePortIsNoBoardNotAFault) {
  Rig direct(Build::Direct);
  direct.board.connected = false;
  std::string message;
  EXPECT_EQ(CodeOf([&] { direct.master.ReadRegister(kBoard, 0x3E); }, &message), ErrorCode::Nack);
  EXPECT_THAT(message, HasSubstr("SDA line does not follow"));
  // Open inputs read high, which the inverted build takes for a clock held low.
  Rig inverted(Build::Inverted, Wiring::Inverted);
  inverted.board.connected = false;
  EXPECT_EQ(CodeOf([&] { inverted.master.ReadRegister(kBoard, 0x3E); }), ErrorCode::Timeout);
}

TEST(BitBang, WaitsForAStretchedClockUntilTheDeadline) {
  BitBangTiming timing;
  timing.stretch_timeout = std::chrono::milliseconds(25);
  Rig patient(Build::Direct, Wiring::Direct, timing);
  patient.board.slave.stretch_after_address = std::chrono::milliseconds(5);
  EXPECT_EQ(patient.master.ReadRegister(kBoard, 0x3E), 0x41);
  EXPECT_GE(patient.pacer.Now(), std::chrono::milliseconds(10)) << "two stretches not waited";

  Rig stuck(Build::Direct, Wiring::Direct, timing);
  stuck.board.slave.stretch_after_address = std::chrono::milliseconds(40);
  std::string message;
  EXPECT_EQ(CodeOf([&] { stuck.master.ReadRegister(kBoard, 0x3E); }, &message), ErrorCode::Timeout);
  EXPECT_THAT(message, HasSubstr("SCL line on test port stayed low for more than 25 ms"));
  EXPECT_LT(stuck.pacer.Now(), std::chrono::milliseconds(40)) << "waited past the deadline";
}

TEST(BitBang, ClocksOutASlaveLeftInTheMiddleOfAByte) {
  Rig rig(Build::Direct);
  rig.board.slave.StrandMidByte();
  EXPECT_EQ(rig.master.ReadRegister(kBoard, 0x3E), 0x41);
  rig.board.sda_stuck_low = true;
  std::string message;
  EXPECT_EQ(CodeOf([&] { rig.master.ReadRegister(kBoard, 0x3E); }, &message), ErrorCode::Timeout);
  EXPECT_THAT(message, HasSubstr("SDA line on test port stays low"));
}

}  // namespace
}  // namespace buslink::linux_hw
