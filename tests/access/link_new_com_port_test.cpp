#include "access/link_new_com_port.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "buslink/bus_error.h"

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

// A component that writes down every call made on it, in order, so the tests can check the
// sequence a transfer goes through.
struct CallLog {
  std::vector<std::string> calls;
  std::uint8_t next_read = 0;
  bool fail_reads = false;
};

class LoggingDevice : public buslink::ParallelDevice {
 public:
  explicit LoggingDevice(CallLog& log) : log_(log) {}
  void SetLoadReset(int) override { log_.calls.push_back("LoadReset"); }
  void SetBaseAddress(int base) override {
    base_ = base;
    log_.calls.push_back("PP.BaseAddress=" + std::to_string(base));
  }
  int BaseAddress() const override { return base_; }
  void SetDeviceAddress(std::uint8_t) override {}
  void SetModeFlag(bool) override {}
  bool ModeFlag() const override { return false; }
  std::uint8_t ReadByte(std::uint8_t device, std::uint8_t reg) override {
    log_.calls.push_back("PP.Read " + std::to_string(device) + " " + std::to_string(reg));
    if (log_.fail_reads) throw buslink::BusError(buslink::ErrorCode::Nack, "no answer");
    return log_.next_read;
  }
  void WriteByte(std::uint8_t device, std::uint8_t& reg, std::uint8_t& value) override {
    log_.calls.push_back("PP.Write " + std::to_string(device) + " " + std::to_string(reg) + " " +
                         std::to_string(value));
  }

 private:
  CallLog& log_;
  int base_ = 0;
};

class LoggingPorts : public buslink::ParallelPorts {
 public:
  explicit LoggingPorts(CallLog& log) : log_(log), device_(log) {}
  int BaseAddress() const override { return 0x378; }
  buslink::ParallelDevice& Device() override {
    log_.calls.push_back("Device");
    return device_;
  }
  std::uint8_t PortCount() const override { return 1; }
  void SetSelectedPort(std::uint8_t) override {}

 private:
  CallLog& log_;
  LoggingDevice device_;
};

class LoggingSMBus : public buslink::SMBusDevice {
 public:
  explicit LoggingSMBus(CallLog& log) : log_(log) {}
  void WriteByte(std::uint8_t device, std::uint8_t reg, std::uint8_t value) override {
    log_.calls.push_back("SMB.Write " + std::to_string(device) + " " + std::to_string(reg) + " " +
                         std::to_string(value));
  }
  std::uint8_t ReadByte(std::uint8_t device, std::uint8_t reg) override {
    log_.calls.push_back("SMB.Read " + std::to_string(device) + " " + std::to_string(reg));
    if (log_.fail_reads) throw buslink::BusError(buslink::ErrorCode::Nack, "no answer");
    return log_.next_read;
  }
  long BaseAddress() const override { return 0; }
  void SetDeviceAddress(std::uint8_t) override {}
  void SetBaseAddress(long) override {}

 private:
  CallLog& log_;
};

class LoggingLink : public buslink::BusLink {
 public:
  explicit LoggingLink(CallLog& log) : log_(log), ports_(log), smbus_(log) {}
  buslink::ParallelPorts& GetParallelPorts() override {
    log_.calls.push_back("ParallelPorts");
    return ports_;
  }
  buslink::SMBusDevice& SMBus() override {
    log_.calls.push_back("SMBus");
    return smbus_;
  }
  void SetMedium(int) override {}
  int Medium() const override { return 0; }

 private:
  CallLog& log_;
  LoggingPorts ports_;
  LoggingSMBus smbus_;
};

class LoggingBackend : public buslink::Backend {
 public:
  std::unique_ptr<buslink::BusLink> CreateBusLink() override {
    log.calls.push_back("CreateBusLink");
    return std::make_unique<LoggingLink>(log);
  }
  std::unique_ptr<buslink::SystemInfo> CreateSystemInfo() override { return nullptr; }
  CallLog log;
};

struct TransferTest : ::testing::Test {
  LoggingBackend backend;
  devaccess::Declarations d{&backend};
};

TEST_F(TransferTest, PrinterPortReadSetsBaseAddressBeforeEveryTransfer) {
  d.comms_medium = 1;
  d.pp_base_address = 0x278;
  d.device_address = 0x5C;
  d.reg_address = 0x3E;
  backend.log.next_read = 0x41;
  devaccess::ReadRegister(d);
  devaccess::ReadRegister(d);
  EXPECT_EQ(d.value_read, 0x41);
  EXPECT_THAT(backend.log.calls,
              ElementsAre("CreateBusLink", "ParallelPorts", "Device", "PP.BaseAddress=632",
                          "ParallelPorts", "Device", "PP.Read 92 62",  //
                          "ParallelPorts", "Device", "PP.BaseAddress=632", "ParallelPorts",
                          "Device", "PP.Read 92 62"));
}

TEST_F(TransferTest, PrinterPortWriteSetsBaseAddressThenWrites) {
  d.comms_medium = 1;
  d.pp_base_address = 0x378;
  d.device_address = 0x5C;
  devaccess::WriteAt(d, 0x40, 0x03);
  EXPECT_THAT(backend.log.calls,
              ElementsAre("CreateBusLink", "ParallelPorts", "Device", "PP.BaseAddress=888",
                          "ParallelPorts", "Device", "PP.Write 92 64 3"));
}

TEST_F(TransferTest, EveryMediumOtherThanOneTakesTheSMBusPath) {
  d.EnsureBusLink();
  for (int medium : {0, 2, -1}) {
    backend.log.calls.clear();
    d.comms_medium = static_cast<std::int16_t>(medium);
    d.device_address = 0x2D;
    devaccess::ReadAt(d, 0x20);
    devaccess::WriteAt(d, 0x19, 255);
    EXPECT_THAT(backend.log.calls,
                ElementsAre("SMBus", "SMB.Read 45 32", "SMBus", "SMB.Write 45 25 255"))
        << "comms_medium " << medium;
  }
}

TEST_F(TransferTest, ReadZeroExtendsTheByte) {
  d.device_address = 0x2D;
  backend.log.next_read = 0x80;
  EXPECT_EQ(devaccess::ReadAt(d, 0x24), 128);
  backend.log.next_read = 0xFF;
  EXPECT_EQ(devaccess::ReadAt(d, 0x24), 255);
}

TEST_F(TransferTest, WriteLeavesValueReadAlone) {
  d.device_address = 0x2D;
  d.value_read = 77;
  devaccess::WriteAt(d, 0x19, 255);
  EXPECT_EQ(d.value_read, 77);
  EXPECT_EQ(backend.log.calls.back(), "SMB.Write 45 25 255");
}

TEST_F(TransferTest, OutOfRangeWriteSendsNothingAtAll) {
  for (int medium : {0, 1}) {
    backend.log.calls.clear();
    d.comms_medium = static_cast<std::int16_t>(medium);
    d.device_address = 0x2D;
    d.value_read = 9;
    EXPECT_THROW(devaccess::WriteAt(d, 0x19, 256), devaccess::OverflowError);
    EXPECT_THROW(devaccess::WriteAt(d, 0x19, -1), devaccess::OverflowError);
    EXPECT_THROW(devaccess::WriteAt(d, 300, 1), devaccess::OverflowError);
    EXPECT_THAT(backend.log.calls, IsEmpty()) << "medium " << medium;
    EXPECT_EQ(d.value_read, 9);
  }
}

TEST_F(TransferTest, OutOfRangeReadSetsBaseButReadsNothing) {
  d.comms_medium = 1;
  d.pp_base_address = 0x378;
  d.device_address = 0x5C;
  d.value_read = 5;
  EXPECT_THROW(devaccess::ReadAt(d, 256), devaccess::OverflowError);
  EXPECT_EQ(d.value_read, 5);
  EXPECT_THAT(backend.log.calls, ElementsAre("CreateBusLink", "ParallelPorts", "Device",
                                             "PP.BaseAddress=888", "ParallelPorts", "Device"));

  backend.log.calls.clear();
  d.comms_medium = 0;
  d.device_address = 0x2D;
  d.device_address = 999;
  EXPECT_THROW(devaccess::ReadAt(d, 0x20), devaccess::OverflowError);
  EXPECT_THAT(backend.log.calls, ElementsAre("SMBus"));
}

TEST_F(TransferTest, FailedReadKeepsThePreviousValue) {
  d.device_address = 0x2D;
  d.value_read = 42;
  backend.log.fail_reads = true;
  EXPECT_THROW(devaccess::ReadAt(d, 0x20), buslink::BusError);
  EXPECT_EQ(d.value_read, 42);
}

}  // namespace
