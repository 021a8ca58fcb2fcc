#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <memory>

#include "buslink/bus_trace.h"
#include "buslink/linux/linux_backend.h"
#include "fake_kernel.h"
#include "simulated_board.h"
#include "support/thrown.h"
#include "temp_tree.h"

namespace buslink::linux_hw {
namespace {

using kelvran_test::CodeOf;
using ::testing::ElementsAre;
using testing::FakeKernel;
using testing::FakePacer;
using ::testing::HasSubstr;
using testing::SimulatedBoard;
using testing::TempTree;

// Two ports as the kernel lists them, parport0 at 0x378 and parport1 at 0x278, with a board of
// the inverted build at 0x5C on the second.
class PrinterPorts : public ::testing::Test {
 protected:
  PrinterPorts() {
    tree.File("/dev/parport0");
    tree.File("/dev/parport1");
    tree.File("/proc/sys/dev/parport/parport0/base-addr", "888\t1912\n");
    tree.File("/proc/sys/dev/parport/parport1/base-addr", "632\t1656\n");
    tree.Dir("/proc/sys/dev/parport/default");
    board.slave.registers[0x3E] = 0x41;
    kernel->ports[tree.root() + "/dev/parport1"] = &board;
    trace.KeepLines(true);
  }
  std::unique_ptr<BusLink> Link() {
    return LinuxBackend(&trace, LinuxOptions{tree.root(), kernel, {}, pacer}).CreateBusLink();
  }

  TempTree tree;
  std::shared_ptr<FakeKernel> kernel = std::make_shared<FakeKernel>();
  std::shared_ptr<FakePacer> pacer = std::make_shared<FakePacer>();
  SimulatedBoard board{SimulatedBoard::Build::Inverted, 0x5C, *pacer};
  BusTrace trace;
};

TEST_F(PrinterPorts, ListsThePortsAndSendsEachTransferToThePortAtTheDeviceBase) {
  auto link = Link();
  ParallelPorts& ports = link->GetParallelPorts();
  ParallelDevice& device = ports.Device();
  ASSERT_EQ(ports.PortCount(), 2);
  ports.SetSelectedPort(1);
  EXPECT_EQ(ports.BaseAddress(), 0x278);
  EXPECT_EQ(device.BaseAddress(), 0x278);
  ports.SetSelectedPort(0);
  EXPECT_EQ(ports.BaseAddress(), 0x378);
  std::string message;
  EXPECT_EQ(CodeOf([&] { ports.SetSelectedPort(2); }, &message), ErrorCode::BadPort);
  EXPECT_THAT(message, HasSubstr("has 2"));

  device.SetModeFlag(true);
  SimulatedBoard direct_build(SimulatedBoard::Build::Direct, 0x5C, *pacer);
  kernel->ports[tree.root() + "/dev/parport0"] = &direct_build;
  EXPECT_EQ(CodeOf([&] { device.ReadByte(0x5C, 0x3E); }), ErrorCode::Nack);
  device.SetBaseAddress(0x278);
  EXPECT_EQ(device.ReadByte(0x5C, 0x3E), 0x41);
  device.SetBaseAddress(0x3BC);
  EXPECT_EQ(CodeOf([&] { device.ReadByte(0x5C, 0x3E); }, &message), ErrorCode::BadPort);
  EXPECT_THAT(message, HasSubstr("no printer port at base address 0x3BC"));
  EXPECT_THAT(message, HasSubstr("0x378 (" + tree.root() + "/dev/parport0)"));
}

TEST_F(PrinterPorts, SearchFindsTheBoardOnlyWhereAndHowItIsWired) {
  auto link = Link();
  ParallelPorts& ports = link->GetParallelPorts();
  ParallelDevice& device = ports.Device();
  device.SetLoadReset(0);
  EXPECT_EQ(kernel->opens, 0) << "LoadReset opened a port before any search";
  ports.SetSelectedPort(1);
  device.SetModeFlag(false);
  EXPECT_EQ(CodeOf([&] { device.ReadByte(0x5C, 0x3E); }), ErrorCode::Nack);
  device.SetModeFlag(true);
  EXPECT_EQ(device.ReadByte(0x5C, 0x3E), 0x41);
  EXPECT_EQ(CodeOf([&] { device.ReadByte(0x58, 0x3E); }), ErrorCode::Nack);
  std::uint8_t reg = 0x40, value = 0x01;
  device.WriteByte(0x5C, reg, value);
  EXPECT_EQ(board.slave.registers[0x40], 0x01);
  EXPECT_THAT(trace.Lines(), ElementsAre("PP 5C R 3E ERR NACK", "PP 5C R 3E 41",
                                         "PP 58 R 3E ERR NACK", "PP 5C W 40 01"));
  EXPECT_EQ(kernel->opens, 1) << "the port is claimed once and kept";

  board.WriteData(0x00);  // another program left the lines low and the board unpowered
  device.SetLoadReset(0);
  EXPECT_TRUE(board.Powered()) << "LoadReset idles an open port";
  EXPECT_TRUE(board.SclLine() && board.SdaLine());
}

// ppdev's ioctls are made again after EINTR; a port whose ioctls say ENODEV has gone away under
// the open node.
TEST_F(PrinterPorts, InterruptedIoctlsAreMadeAgainAndAVanishedPortIsGone) {
  auto link = Link();
  ParallelDevice& device = link->GetParallelPorts().Device();
  device.SetBaseAddress(0x278);
  device.SetModeFlag(true);
  for (const int interrupts : {1, 5, 40}) {
    kernel->interrupt_next = interrupts;
    EXPECT_EQ(device.ReadByte(0x5C, 0x3E), 0x41) << interrupts << " interrupted calls";
  }
  for (const int err : {ENODEV, ENXIO}) {
    kernel->port_error = err;
    std::string message;
    EXPECT_EQ(CodeOf([&] { device.ReadByte(0x5C, 0x3E); }, &message), ErrorCode::AdapterGone);
    EXPECT_THAT(message, HasSubstr("/dev/parport1 is gone"));
  }
}

}  // namespace
}  // namespace buslink::linux_hw
