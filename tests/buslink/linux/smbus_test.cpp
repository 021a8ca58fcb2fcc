#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <memory>
#include <set>

#include "buslink/bus_trace.h"
#include "buslink/linux/i2c_adapters.h"
#include "buslink/linux/linux_backend.h"
#include "fake_kernel.h"
#include "support/bus_failure.h"
#include "temp_tree.h"

namespace buslink::linux_hw {
namespace {

using kelvran_test::CodeOf;
using ::testing::ElementsAre;
using testing::FakeKernel;
using ::testing::HasSubstr;
using testing::TempTree;

// An adapter as sysfs shows it: the /dev node, the class entry with its name, and the device
// link into the PCI device whose resource file holds the controller's I/O range.
void AddAdapter(const TempTree& tree, int n, const std::string& name,
                const std::string& pci_resource = {}) {
  const std::string id = "i2c-" + std::to_string(n);
  const std::string pci = "/sys/devices/pci0000:00/0000:00:1f." + std::to_string(n);
  tree.File("/dev/" + id);
  tree.Dir(pci + "/" + id);
  if (!pci_resource.empty()) tree.File(pci + "/resource", pci_resource);
  if (!name.empty()) tree.File("/sys/class/i2c-dev/" + id + "/name", name + "\n");
  tree.Link("/sys/class/i2c-dev/" + id + "/device", pci + "/" + id);
  tree.Link("/sys/bus/i2c/devices/" + id, pci + "/" + id);
}

TEST(SmbusDiscovery, PrefersTheAdapterNamedSmbusAndFindsItsBase) {
  TempTree tree;
  AddAdapter(tree, 0, "i915 gmbus dpb");
  AddAdapter(tree, 1, "SMBus I801 adapter at efa0");
  AddAdapter(tree, 2, "SMBus PIIX4 adapter port 0",
             "0x00000000f7f1a000 0x00000000f7f1a0ff 0x0000000000040200\n"  // memory: skipped
             "0x0000000000000b00 0x0000000000000b1f 0x0000000000040101\n");
  const I2cDevScan scan = ScanI2cDev(tree.root());
  ASSERT_EQ(scan.adapters.size(), 3u);
  EXPECT_EQ(ChooseAdapter(scan).node, tree.root() + "/dev/i2c-1");
  EXPECT_EQ(ChooseAdapter(scan).base_address, 0xEFA0);
  EXPECT_EQ(scan.adapters[2].base_address, 0xB00) << "the PCI I/O resource was not read";
  EXPECT_EQ(scan.adapters[0].base_address, 0);
  EXPECT_EQ(ChooseAdapter(scan, 0xB00).number, 2) << "a typed base address picks its adapter";
  EXPECT_EQ(ChooseAdapter(scan, 0xB00, 0).number, 0) << "an adapter number wins over all";
  EXPECT_EQ(CodeOf([&] { ChooseAdapter(scan, 0, 5); }), ErrorCode::NoDevice);

  std::string message;
  EXPECT_EQ(CodeOf([&] { ChooseAdapter(scan, 0x5000); }, &message), ErrorCode::NoAdapter);
  EXPECT_THAT(message, HasSubstr("EFA0h"));

  // Without an SMBus by name: the lowest number, and a name from the bus's device entry.
  TempTree other;
  AddAdapter(other, 7, "");
  other.File("/sys/bus/i2c/devices/i2c-7/name", "DesignWare I2C adapter\n");
  AddAdapter(other, 3, "AUX B/DDI B/PHY B");
  const I2cDevScan fallback = ScanI2cDev(other.root());
  EXPECT_EQ(ChooseAdapter(fallback).number, 3);
  EXPECT_EQ(fallback.adapters[1].name, "DesignWare I2C adapter");
}

class Smbus : public ::testing::Test {
 protected:
  Smbus() {
    AddAdapter(tree, 0, "i915 gmbus dpb");
    AddAdapter(tree, 1, "SMBus I801 adapter at efa0");
    kernel->smbus_chips[0x2D][0x3E] = 0x41;
    trace.KeepLines(true);
  }
  std::unique_ptr<BusLink> Link() {
    return LinuxBackend(&trace, LinuxOptions{tree.root(), kernel, {}, nullptr}).CreateBusLink();
  }

  TempTree tree;
  std::shared_ptr<FakeKernel> kernel = std::make_shared<FakeKernel>();
  BusTrace trace;
};

// A failed transfer names the address and the adapter, and fails that probe alone: a chip that
// does not answer, or an address a kernel driver holds, leaves the next address working.
TEST_F(Smbus, AFailedTransferSaysWhyAndFailsThatProbeOnly) {
  const struct {
    int transfer_error, absent_error;
    bool bound;
    ErrorCode code;
    const char* says;
  } cases[] = {
      {EREMOTEIO, ENXIO, false, ErrorCode::Nack, "no device acknowledged address 0x2D"},
      {ETIMEDOUT, ENXIO, false, ErrorCode::Timeout, "did not answer in time"},
      {EIO, ENXIO, false, ErrorCode::Io, "Input/output error"},
  };
  for (const auto& c : cases) {
    kernel->transfer_error = c.transfer_error;
    kernel->absent_error = c.absent_error;
    kernel->driver_bound = c.bound ? std::set<std::uint8_t>{0x2C} : std::set<std::uint8_t>{};
    auto link = Link();
    const std::uint8_t address = c.transfer_error != 0 ? 0x2D : 0x2C;
    std::string message;
    EXPECT_EQ(CodeOf([&] { link->SMBus().ReadByte(address, 0x3E); }, &message), c.code) << c.says;
    EXPECT_THAT(message, HasSubstr(c.says));
    EXPECT_THAT(message, HasSubstr("/dev/i2c-1 (SMBus I801 adapter at efa0)"));
    kernel->transfer_error = 0;
    EXPECT_EQ(link->SMBus().ReadByte(0x2D, 0x3E), 0x41) << "the next address after " << c.says;
  }
}

TEST_F(Smbus, PermissionDeniedTellsWhichStepIsMissing) {
  const std::string node = tree.root() + "/dev/i2c-1";
  kernel->open_errors[node] = EACCES;
  const std::pair<NodeAccess, const char*> cases[] = {
      {{"i2c", false, false}, "add your user to the i2c group"},
      {{"i2c", false, true}, "after this session started; log out and in again"},
      {{"i2c", true, true}, "does not let the group read and write it"}};
  for (const auto& [access, says] : cases) {
    kernel->access = access;
    std::string message;
    auto link = Link();
    EXPECT_EQ(CodeOf([&] { link->SMBus().ReadByte(0x2D, 0x3E); }, &message),
              ErrorCode::PermissionDenied);
    EXPECT_THAT(message, HasSubstr("permission denied on " + node));
    EXPECT_THAT(message, HasSubstr(says));
  }
  EXPECT_THAT(Link()->SMBus().BaseAddress(), 0xEFA0) << "the base needs no access to the node";

  // Once the user has fixed it, the same objects work without a restart of the search.
  auto link = Link();
  EXPECT_THROW(link->SMBus().ReadByte(0x2D, 0x3E), BusError);
  kernel->open_errors.clear();
  EXPECT_EQ(link->SMBus().ReadByte(0x2D, 0x3E), 0x41);
}

TEST_F(Smbus, BaseAddressSetThroughTheInterfaceSwitchesAdapterOrSaysWhichThereAre) {
  AddAdapter(tree, 2, "SMBus PIIX4 adapter port 0 at 0b00");
  auto link = Link();
  SMBusDevice& smbus = link->SMBus();
  auto open_node = [&] {
    return kernel->open_fds.size() == 1 ? kernel->open_fds.begin()->second : std::string("?");
  };
  EXPECT_EQ(smbus.ReadByte(0x2D, 0x3E), 0x41);
  EXPECT_EQ(open_node(), tree.root() + "/dev/i2c-1");

  smbus.SetBaseAddress(0xB00);
  EXPECT_EQ(smbus.BaseAddress(), 0xB00);
  EXPECT_EQ(smbus.ReadByte(0x2D, 0x3E), 0x41);
  EXPECT_EQ(open_node(), tree.root() + "/dev/i2c-2") << "the first adapter was not let go";

  smbus.SetBaseAddress(0x400);
  EXPECT_EQ(smbus.BaseAddress(), 0);
  std::string message;
  EXPECT_EQ(CodeOf([&] { smbus.ReadByte(0x2D, 0x3E); }, &message), ErrorCode::NoAdapter);
  EXPECT_THAT(message, HasSubstr("no SMBus controller sits at base address 400h"));
  EXPECT_THAT(message, HasSubstr("at EFA0h"));
  EXPECT_THAT(message, HasSubstr("at B00h"));
  // The base box takes three hexadecimal digits: only B00h is offered to type.
  EXPECT_THAT(message, HasSubstr("Enter B00h in the box, or clear the box (or enter 0)"));
  EXPECT_TRUE(kernel->open_fds.empty());

  smbus.SetBaseAddress(0);
  EXPECT_EQ(smbus.BaseAddress(), 0xEFA0) << "0 is the adapter named SMBus again";
  EXPECT_EQ(smbus.ReadByte(0x2D, 0x3E), 0x41);
  EXPECT_EQ(open_node(), tree.root() + "/dev/i2c-1");
  EXPECT_THAT(trace.Lines(), ElementsAre("SMB 2D R 3E 41", "SMB 2D R 3E 41",
                                         "SMB 2D R 3E ERR NOADAPTER", "SMB 2D R 3E 41"));
  link.reset();
  EXPECT_TRUE(kernel->open_fds.empty()) << "the adapter was not closed";
}

TEST(SmbusMissing, EachMissingPieceHasItsOwnAdvice) {
  struct Case {
    std::function<void(const TempTree&)> build;
    ErrorCode code;
    const char* says;
  };
  const Case cases[] = {
      {[](const TempTree& t) { t.Dir("/dev"); }, ErrorCode::ModuleMissing,
       "load the i2c-dev module: sudo modprobe i2c-dev"},
      {[](const TempTree& t) { t.File("/sys/class/i2c-dev/i2c-0/name", "SMBus I801\n"); },
       ErrorCode::NoDevice, "no /dev/i2c-* nodes"},
      {[](const TempTree& t) { t.Dir("/sys/class/i2c-dev"); }, ErrorCode::NoAdapter,
       "load the driver for the SMBus controller"},
  };
  for (const Case& c : cases) {
    TempTree tree;
    c.build(tree);
    BusTrace trace;
    trace.KeepLines(true);
    auto kernel = std::make_shared<FakeKernel>();
    LinuxBackend backend(&trace, LinuxOptions{tree.root(), kernel, {}, nullptr});
    EXPECT_EQ(backend.CreateSystemInfo()->OSBuild(), "2600");
    auto link = backend.CreateBusLink();
    EXPECT_EQ(link->SMBus().BaseAddress(), 0);
    std::string message;
    EXPECT_EQ(CodeOf([&] { link->SMBus().WriteByte(0x2D, 0x40, 0x01); }, &message), c.code);
    EXPECT_THAT(message, HasSubstr(c.says));
    EXPECT_EQ(trace.Lines().size(), 1u);
    EXPECT_EQ(kernel->opens, 0);
  }
}

}  // namespace
}  // namespace buslink::linux_hw
