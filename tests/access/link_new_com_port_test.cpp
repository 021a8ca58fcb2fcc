#include "access/link_new_com_port.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "buslink/bus_error.h"
#include "buslink/sim/simulated_hardware.h"

namespace {

using Lines = std::vector<std::string>;

// Two printer ports with the board only on the second, at 0x278, and an SMBus chip at 0x2D.
// The device object starts on the first port, so a transfer reaches the board only when the
// base address was set on the device just before it.
struct TransferTest : ::testing::Test {
  TransferTest() {
    trace.KeepLines(true);
    d.pp_base_address = 0x278;
  }
  buslink::ParallelDevice& Device() { return d.EnsureBusLink().GetParallelPorts().Device(); }

  buslink::BusTrace trace;
  buslink::sim::SimulatedHardware hardware{
      buslink::sim::Scenario::FromJson(R"({"smbus": {"chips": [{}]}, "printer_ports": [
          {"base": "0x378"}, {"base": "0x278", "boards": [{}]}]})",
                                       "two_ports.json"),
      &trace};
  devaccess::Declarations d{&hardware};
};

TEST_F(TransferTest, PrinterPortPathSetsTheBaseAddressBeforeEveryTransfer) {
  d.comms_medium = 1;
  d.device_address = 0x5C;
  EXPECT_EQ(devaccess::ReadAt(d, 0x3E), 0x41);
  Device().SetBaseAddress(0x378);  // as a transfer to a board on another port would leave it
  devaccess::WriteAt(d, 0x19, 0x80);
  Device().SetBaseAddress(0x378);
  EXPECT_EQ(devaccess::ReadAt(d, 0x19), 128) << "the byte is zero-extended";
  EXPECT_EQ(trace.Lines(), (Lines{"PP 5C R 3E 41", "PP 5C W 19 80", "PP 5C R 19 80"}));
}

TEST_F(TransferTest, EveryMediumOtherThanOneTakesTheSMBusPath) {
  d.device_address = 0x2D;
  for (int medium : {0, 2, -1}) {
    trace.ClearLines();
    d.comms_medium = static_cast<std::int16_t>(medium);
    d.value_read = 77;
    devaccess::WriteAt(d, 0x19, 0x80);
    EXPECT_EQ(d.value_read, 77) << "a write leaves value_read alone";
    EXPECT_EQ(devaccess::ReadAt(d, 0x19), 128) << "the byte is zero-extended";
    EXPECT_EQ(trace.Lines(), (Lines{"SMB 2D W 19 80", "SMB 2D R 19 80"})) << "medium " << medium;
  }
}

// Overflow comes before any bus traffic; a read on the printer-port path has set the base by then.
TEST_F(TransferTest, OutOfRangeBytesSendNothingAndKeepValueRead) {
  for (int medium : {0, 1}) {
    d.comms_medium = static_cast<std::int16_t>(medium);
    d.device_address = medium == 1 ? 0x5C : 0x2D;
    d.value_read = 9;
    EXPECT_THROW(devaccess::WriteAt(d, 0x19, 256), devaccess::OverflowError);
    EXPECT_THROW(devaccess::WriteAt(d, 0x19, -1), devaccess::OverflowError);
    EXPECT_THROW(devaccess::WriteAt(d, 300, 1), devaccess::OverflowError);
    EXPECT_THROW(devaccess::ReadAt(d, 256), devaccess::OverflowError);
    EXPECT_EQ(Device().BaseAddress(), medium == 1 ? 0x278 : 0x378) << "a printer-port read sets it";
    d.device_address = 999;
    EXPECT_THROW(devaccess::ReadAt(d, 0x20), devaccess::OverflowError);
    EXPECT_EQ(d.value_read, 9);
  }
  EXPECT_TRUE(trace.Lines().empty());
}

// A failure names what was being done (which kelvran, the Python module and the exporter put in
// their messages) and leaves value_read as it was.
TEST_F(TransferTest, FailedTransferKeepsThePreviousValueAndNamesItself) {
  using Operation = buslink::TransferContext::Operation;
  for (const bool write : {false, true}) {
    d.device_address = 0x2C;  // nothing answers there
    d.value_read = 42;
    try {
      if (write) devaccess::WriteAt(d, 0x2E, 7);
      if (!write) devaccess::ReadAt(d, 0x20);
      ADD_FAILURE() << "no chip answers at 0x2C";
    } catch (const buslink::BusError& e) {
      ASSERT_TRUE(e.context().has_value());
      EXPECT_EQ(e.context()->operation, write ? Operation::Write : Operation::Read);
      EXPECT_EQ(e.context()->reg, write ? 0x2E : 0x20);
    }
    EXPECT_EQ(d.value_read, 42);
  }
}

// Reading a status register clears it on the chip; the bits wait in the store for every reader.
TEST_F(TransferTest, StatusReadsLeaveTheirBitsInTheAlarmStore) {
  d.device_address = 0x2D;
  chip::AlarmStore::Subscription early = d.alarm_store.Subscribe();
  hardware.SMBusChip(0x2D)->Poke(0x41, 0x21);
  hardware.SMBusChip(0x2D)->Poke(0x42, 0x10);
  hardware.SMBusChip(0x2D)->Poke(0x4C, 0x02);
  devaccess::ReadAt(d, 0x41);
  chip::AlarmStore::Subscription late = d.alarm_store.Subscribe();
  devaccess::ReadAt(d, 0x42);
  devaccess::ReadAt(d, 0x4C);  // the mirror clears nothing: no reader misses anything
  EXPECT_EQ(early.Take(), (chip::StatusSample{0x21, 0x10}));
  EXPECT_EQ(late.Take(), (chip::StatusSample{0x00, 0x10}));
  EXPECT_EQ(early.Take(), chip::StatusSample{});
}

}  // namespace
