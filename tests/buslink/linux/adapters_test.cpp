// Every I2C adapter of a computer as the search sees it: what each is (from its kernel name and
// where it hangs in sysfs), which the search covers, --bus, and what happens to a transfer when
// a signal interrupts it or the adapter disappears under it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "buslink/bus_trace.h"
#include "buslink/linux/i2c_adapters.h"
#include "buslink/linux/linux_backend.h"
#include "fake_kernel.h"
#include "support/thrown.h"
#include "temp_tree.h"

namespace buslink::linux_hw {
namespace {

using kelvran_test::CodeOf;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using namespace testing;  // the fake kernel and sysfs tree

const std::string kIgpu = kHost + "/0000:00:02.0";
const std::string kGpu = kHost + "/0000:00:01.0/0000:01:00.0";
const std::string kXhci = kHost + "/0000:00:14.0";
const Place kChipset = Controller("1f.4");
const Place kOnIgpu{kIgpu, {{kIgpu, "0x030000"}}, "pci"};
const Place kOnGpu{kGpu, {{kHost + "/0000:00:01.0", "0x060400"}, {kGpu, "0x030000"}}, "pci"};
const Place kUsbHid = UsbBridge("1-2");

// Names as Linux's drivers give them (i2c-i801, i2c-piix4, hid-cp2112, hid-mcp2221,
// i2c-tiny-usb, i2c-stub, i915, amdgpu, nouveau, bttv, i2c-designware).
TEST(AdapterClassification, RealAdapterNamesOnASysfsTree) {
  const struct {
    const char* name;
    std::optional<Place> place;
    AdapterKind kind;
  } cases[] = {
      {"SMBus I801 adapter at efa0", kChipset, AdapterKind::SMBusController},
      {"SMBus PIIX4 adapter port 0 at 0b00", Controller("14.0"), AdapterKind::SMBusController},
      {"CP2112 SMBus Bridge on hidraw0", kUsbHid, AdapterKind::UsbBridge},
      {"MCP2221 usb-i2c bridge", kUsbHid, AdapterKind::UsbBridge},
      {"i2c-tiny-usb at bus 001 device 005",
       Place{kXhci + "/usb1/1-3/1-3:1.0", {{kXhci, "0x0c0330"}}, "usb"}, AdapterKind::UsbBridge},
      {"SMBus stub driver", Place{"", {}, ""}, AdapterKind::Virtual},
      {"i915 gmbus dpb", kOnIgpu, AdapterKind::Display},
      {"AUX B/DDI B/PHY B", Place{kIgpu + "/drm/card0/card0-DP-1", {{kIgpu, "0x030000"}}, "drm"},
       AdapterKind::Display},
      {"AMDGPU DM i2c hw bus 0", kOnGpu, AdapterKind::Display},
      {"nvkm-0000:01:00.0-bus-0005", kOnGpu, AdapterKind::Display},
      {"dmdc", kOnGpu, AdapterKind::Display},
      // Known by its parent alone, or by its name alone.
      {"bt878 #0 [sw]",
       Place{kHost + "/0000:00:1e.0/0000:05:00.0",
             {{kHost + "/0000:00:1e.0/0000:05:00.0", "0x040000"}},
             "pci"},
       AdapterKind::Display},
      {"DPDDC-B", std::nullopt, AdapterKind::Display},
      {"Synopsys DesignWare I2C adapter", Place{"/platform/AMDI0010:00", {}, "platform"},
       AdapterKind::Other},
  };
  TempTree tree;
  int n = 0;
  for (const auto& c : cases) AddAdapter(tree, n++, c.name, c.place);
  const std::vector<I2cAdapterInfo> adapters = AdapterInfos(ScanI2cDev(tree.root()), {});
  ASSERT_EQ(adapters.size(), std::size(cases));
  for (std::size_t i = 0; i < adapters.size(); ++i) {
    SCOPED_TRACE(cases[i].name);
    EXPECT_EQ(adapters[i].name, cases[i].name);
    EXPECT_EQ(adapters[i].kind, cases[i].kind) << KindWords(adapters[i].kind);
    const bool display = cases[i].kind == AdapterKind::Display;
    EXPECT_EQ(adapters[i].searched, !display);
    EXPECT_EQ(adapters[i].not_searched,
              display ? std::string(KindWords(AdapterKind::Display)) : "");
  }
  // Its place as udev's by-path names give it, which stays when it comes back under another
  // number: the bridge's USB port, else the PCI device, else the platform device.
  EXPECT_EQ(adapters[0].path, "pci-0000:00:1f.4");
  EXPECT_EQ(adapters[2].path, "usb-1-2");
  EXPECT_EQ(adapters[4].path, "usb-1-3");
  EXPECT_EQ(adapters[5].path, "");
  EXPECT_EQ(adapters[13].path, "platform-AMDI0010:00");
}

TEST(AdapterClassification, BusNamesAdaptersByNumberOrByAPartOfTheirNameAnyCase) {
  TempTree tree;
  AddAdapter(tree, 0, "SMBus I801 adapter at efa0", kChipset);
  AddAdapter(tree, 3, "i915 gmbus dpb", kOnIgpu);
  AddAdapter(tree, 7, "CP2112 SMBus Bridge on hidraw0", kUsbHid);
  AddAdapter(tree, 17, "MCP2221 usb-i2c bridge", kUsbHid);
  const I2cDevScan scan = ScanI2cDev(tree.root());
  const auto searched = [&](const char* bus) {
    std::vector<int> numbers;
    for (const I2cAdapterInfo& a : AdapterInfos(scan, BusChoice::Parse(bus))) {
      if (a.searched) {
        numbers.push_back(a.number);
      } else {
        EXPECT_EQ(a.not_searched, "--bus=" + std::string(bus) + " names another");
      }
    }
    return numbers;
  };
  EXPECT_THAT(searched("7"), ElementsAre(7)) << "not 17, whose number holds a 7";
  EXPECT_THAT(searched("3"), ElementsAre(3)) << "a display bus named by hand is searched";
  EXPECT_THAT(searched("BRIDGE"), ElementsAre(7, 17)) << "any case, every adapter it names";
  EXPECT_THAT(searched("stub"), ElementsAre());

  // The adapter a transfer takes when nothing selects one: the first that --bus names.
  EXPECT_EQ(ChooseAdapter(scan, 0, -1, BusChoice::Parse("mcp")).number, 17);
  std::string message;
  EXPECT_EQ(CodeOf([&] { ChooseAdapter(scan, 0, -1, BusChoice::Parse("stub")); }, &message),
            ErrorCode::NoDevice);
  EXPECT_THAT(message, HasSubstr("no i2c adapter matches --bus=stub"));
  EXPECT_THAT(message, HasSubstr("/dev/i2c-7 (CP2112 SMBus Bridge on hidraw0)"));
}

// Which adapter an SMBus transfer takes by default, and by a typed base address.
TEST(AdapterChoice, PrefersTheAdapterNamedSmbusAndFindsItsBase) {
  TempTree tree;
  AddAdapter(tree, 0, "i915 gmbus dpb", kOnIgpu);
  AddAdapter(tree, 1, "SMBus I801 adapter at efa0", kChipset);
  AddAdapter(tree, 2, "SMBus PIIX4 adapter port 0", Controller("14.0"));
  tree.File("/sys/devices" + kXhci + "/resource",
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
  EXPECT_EQ(CodeOf([&] { ChooseAdapter(scan, 0x400); }, &message), ErrorCode::NoAdapter);
  EXPECT_THAT(message, HasSubstr("no SMBus controller sits at base address 400h"));
  EXPECT_THAT(message, HasSubstr("at EFA0h"));
  // The base box takes three hexadecimal digits: only B00h is offered to type.
  EXPECT_THAT(message, HasSubstr("Enter B00h in the box, or clear the box (or enter 0)"));

  // Without an SMBus by name: the lowest number, and a name from the bus's device entry.
  TempTree other;
  AddAdapter(other, 7, "", kChipset);
  other.File("/sys/bus/i2c/devices/i2c-7/name", "DesignWare I2C adapter\n");
  AddAdapter(other, 3, "AUX B/DDI B/PHY B", kOnIgpu);
  const I2cDevScan fallback = ScanI2cDev(other.root());
  EXPECT_EQ(ChooseAdapter(fallback).number, 3);
  EXPECT_EQ(fallback.adapters[1].name, "DesignWare I2C adapter");
}

// Without nodes, without a controller's driver, a printer port without ppdev: each says what to
// load, before anything is opened. (Without i2c-dev or any printer port: the wizard's tests on
// this backend, whose first pages show the same advice.)
TEST(MissingPieces, EachHasItsOwnAdvice) {
  const struct {
    std::function<void(const TempTree&)> build;
    bool printer_port;
    ErrorCode code;
    const char* says;
  } cases[] = {
      {[](const TempTree& t) { t.File("/sys/class/i2c-dev/i2c-0/name", "SMBus I801\n"); }, false,
       ErrorCode::NoDevice, "no /dev/i2c-* nodes"},
      {[](const TempTree& t) { t.Dir("/sys/class/i2c-dev"); }, false, ErrorCode::NoAdapter,
       "load the driver for the SMBus controller"},
      {[](const TempTree& t) {
         t.Dir("/dev");
         t.File("/proc/sys/dev/parport/parport0/base-addr", "888\t0\n");
       },
       true, ErrorCode::ModuleMissing, "sudo modprobe ppdev"},
  };
  for (const auto& c : cases) {
    TempTree tree;
    c.build(tree);
    BusTrace trace;
    trace.KeepLines(true);
    auto kernel = std::make_shared<FakeKernel>();
    LinuxBackend backend(&trace, LinuxOptions{tree.root(), kernel, {}, nullptr});
    EXPECT_EQ(backend.CreateSystemInfo()->OSBuild(), "2600");
    auto link = backend.CreateBusLink();
    EXPECT_EQ(link->SMBus().BaseAddress(), 0);
    ParallelPorts& ports = link->GetParallelPorts();
    ports.Device().SetLoadReset(0);
    if (ports.PortCount() > 0) ports.SetSelectedPort(0);
    std::string message;
    const auto transfer = [&] {
      if (c.printer_port) ports.Device().ReadByte(0x5C, 0x3E);
      if (!c.printer_port) link->SMBus().WriteByte(0x2D, 0x40, 0x01);
    };
    EXPECT_EQ(CodeOf(transfer, &message), c.code) << c.says;
    EXPECT_THAT(message, HasSubstr(c.says));
    EXPECT_EQ(trace.Lines().size(), 1u);
    EXPECT_EQ(kernel->opens, 0);
  }
}

// A controller at i2c-0 with nothing on it, a graphics bus at i2c-3 and a USB bridge at i2c-7
// with the chip behind it.
class Adapters : public ::testing::Test {
 protected:
  Adapters() {
    AddAdapter(tree, 0, "SMBus I801 adapter at efa0", kChipset);
    AddAdapter(tree, 3, "i915 gmbus dpb", kOnIgpu);
    AddAdapter(tree, 7, "CP2112 SMBus Bridge on hidraw0", kUsbHid);
    kernel->chips_on[Node(0)] = {};
    kernel->chips_on[Node(3)] = {};
    kernel->chips_on[Node(7)][0x2D][0x3E] = 0x41;
    trace.KeepLines(true);
  }
  std::string Node(int n) const { return tree.root() + "/dev/i2c-" + std::to_string(n); }
  std::unique_ptr<BusLink> Link() {
    return LinuxBackend(&trace, LinuxOptions{tree.root(), kernel, {}, nullptr}).CreateBusLink();
  }

  TempTree tree;
  std::shared_ptr<FakeKernel> kernel = std::make_shared<FakeKernel>();
  BusTrace trace;
};

// Which transfers reach a chip through a chosen adapter the kernel VM stage and the wizard's
// tests on this backend show; here what they cannot see.
TEST_F(Adapters, ListsOpenNothingAndAnAdapterLeftIsLetGo) {
  auto link = Link();
  SMBusDevice& smbus = link->SMBus();
  EXPECT_EQ(smbus.Adapters().size(), 3u);
  EXPECT_EQ(kernel->opens, 0) << "listing opened an adapter";
  EXPECT_EQ(CodeOf([&] { smbus.ReadByte(0x2D, 0x3E); }), ErrorCode::Nack);
  smbus.SelectAdapter(7);
  EXPECT_EQ(smbus.ReadByte(0x2D, 0x3E), 0x41);
  EXPECT_THAT(kernel->open_fds, ElementsAre(::testing::Pair(::testing::_, Node(7))))
      << "the first adapter was not let go";
  smbus.SelectAdapter(-1);
  EXPECT_EQ(smbus.CurrentAdapter()->number, 0) << "the adapter named SMBus, as before";
  link.reset();
  EXPECT_TRUE(kernel->open_fds.empty()) << "the adapter was not closed";
}

// A failed transfer names the address and the adapter, and fails that probe alone.
TEST_F(Adapters, AFailedTransferSaysWhyAndFailsThatProbeOnly) {
  kernel->chips_on[Node(0)][0x2D][0x3E] = 0x41;
  const std::tuple<int, ErrorCode, const char*> cases[] = {
      {EREMOTEIO, ErrorCode::Nack, "no device acknowledged address 0x2D"},
      {ETIMEDOUT, ErrorCode::Timeout, "did not answer in time"},
      {EIO, ErrorCode::Io, "Input/output error"},
  };
  for (const auto& [error, code, says] : cases) {
    kernel->transfer_error = error;
    auto link = Link();
    std::string message;
    EXPECT_EQ(CodeOf([&] { link->SMBus().ReadByte(0x2D, 0x3E); }, &message), code) << says;
    EXPECT_THAT(message, HasSubstr(says));
    EXPECT_THAT(message, HasSubstr("/dev/i2c-0 (SMBus I801 adapter at efa0)"));
    kernel->transfer_error = 0;
    EXPECT_EQ(link->SMBus().ReadByte(0x2D, 0x3E), 0x41) << "the next address after " << says;
  }
}

// Not in the node's group yet is the kernel VM stage's case; these it cannot make.
TEST_F(Adapters, PermissionDeniedTellsWhichStepIsMissing) {
  kernel->chips_on[Node(0)][0x2D][0x3E] = 0x41;
  kernel->open_errors[Node(0)] = EACCES;
  const std::pair<NodeAccess, const char*> cases[] = {
      {{"i2c", false, true}, "after this session started; log out and in again"},
      {{"i2c", true, true}, "does not let the group read and write it"}};
  for (const auto& [access, says] : cases) {
    kernel->access = access;
    std::string message;
    auto link = Link();
    EXPECT_EQ(CodeOf([&] { link->SMBus().ReadByte(0x2D, 0x3E); }, &message),
              ErrorCode::PermissionDenied);
    EXPECT_THAT(message, HasSubstr("permission denied on " + Node(0)));
    EXPECT_THAT(message, HasSubstr(says));
  }
  EXPECT_THAT(Link()->SMBus().BaseAddress(), 0xEFA0) << "the base needs no access to the node";

  // Once the user has fixed it, the same objects work without a restart of the search.
  auto link = Link();
  EXPECT_THROW(link->SMBus().ReadByte(0x2D, 0x3E), BusError);
  kernel->open_errors.clear();
  EXPECT_EQ(link->SMBus().ReadByte(0x2D, 0x3E), 0x41);
}

TEST_F(Adapters, AnAdapterThatDisappearsIsReportedGoneAndLetGoNeverAsASilentChip) {
  // Whatever the kernel answers once the bridge is gone, it is the adapter that went away.
  for (const int err : {ENODEV, ENXIO, EIO, ESHUTDOWN}) {
    SCOPED_TRACE(err);
    auto link = Link();
    link->SMBus().SelectAdapter(7);
    ASSERT_EQ(link->SMBus().ReadByte(0x2D, 0x3E), 0x41);
    RemoveAdapter(tree, 7);
    kernel->transfer_error = err;
    std::string message;
    EXPECT_EQ(CodeOf([&] { link->SMBus().ReadByte(0x2D, 0x20); }, &message),
              ErrorCode::AdapterGone);
    EXPECT_EQ(message, "/dev/i2c-7 is gone: the USB adapter was unplugged?");
    EXPECT_TRUE(kernel->open_fds.empty()) << "the kernel waits for the node to be closed";
    EXPECT_EQ(trace.Lines().back(), "SMB 2D R 20 ERR GONE");
    AddAdapter(tree, 7, "CP2112 SMBus Bridge on hidraw0", kUsbHid);
    kernel->transfer_error = 0;
  }

  // Choosing the slave address is where a new address meets the missing adapter first.
  auto link = Link();
  link->SMBus().SelectAdapter(0);
  EXPECT_EQ(CodeOf([&] { link->SMBus().ReadByte(0x2D, 0x3E); }), ErrorCode::Nack)
      << "nothing there, but the adapter is open";
  std::filesystem::remove(Node(0));
  kernel->slave_error = ENODEV;
  std::string message;
  EXPECT_EQ(CodeOf([&] { link->SMBus().WriteByte(0x2E, 0x40, 0x01); }, &message),
            ErrorCode::AdapterGone);
  EXPECT_EQ(message, "/dev/i2c-0 is gone: the adapter was removed or its driver unloaded?");
  // While the adapter is there, ENODEV (i2c-stub) and ENXIO (a controller) say nothing answered:
  // the kernel VM stage's probes.
}

TEST_F(Adapters, CallsASignalInterruptsAreMadeAgain) {
  kernel->chips_on[Node(7)][0x2E][0x3E] = 0x41;
  auto link = Link();
  SMBusDevice& smbus = link->SMBus();
  smbus.SelectAdapter(7);
  // Each step's first kernel call is interrupted twice: opening the node, choosing a new slave
  // address, the read itself, a write.
  const std::function<void()> steps[] = {
      [&] { EXPECT_EQ(smbus.ReadByte(0x2D, 0x3E), 0x41); },
      [&] { EXPECT_EQ(smbus.ReadByte(0x2E, 0x3E), 0x41); },
      [&] { EXPECT_EQ(smbus.ReadByte(0x2E, 0x3E), 0x41); },
      [&] { smbus.WriteByte(0x2E, 0x40, 0x01); },
  };
  for (const auto& step : steps) {
    kernel->interrupt_next = 2;
    step();
    EXPECT_EQ(kernel->interrupt_next, 0);
  }
  EXPECT_EQ(kernel->opens, 1);
  EXPECT_EQ(kernel->chips_on[Node(7)][0x2E][0x40], 0x01);
  EXPECT_THAT(trace.Lines(),
              ElementsAre("SMB 2D R 3E 41", "SMB 2E R 3E 41", "SMB 2E R 3E 41", "SMB 2E W 40 01"));
}

}  // namespace
}  // namespace buslink::linux_hw
