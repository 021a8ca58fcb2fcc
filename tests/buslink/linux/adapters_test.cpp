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
#include <vector>

#include "buslink/bus_trace.h"
#include "buslink/linux/i2c_adapters.h"
#include "buslink/linux/linux_backend.h"
#include "fake_kernel.h"
#include "simulated_board.h"
#include "support/bus_failure.h"
#include "temp_tree.h"

namespace buslink::linux_hw {
namespace {

using kelvran_test::CodeOf;
using ::testing::ElementsAre;
using testing::FakeKernel;
using ::testing::HasSubstr;
using testing::TempTree;

// Where an adapter hangs: the path of its parent under /sys/devices ("" for none), the class of
// each PCI device on the way, and the parent's subsystem when sysfs gives it one.
struct Place {
  std::string parent;
  std::vector<std::pair<std::string, std::string>> pci_classes;  // device path, class
  std::string subsystem;
};

const std::string kHost = "/pci0000:00";
const std::string kIgpu = kHost + "/0000:00:02.0";
const std::string kGpu = kHost + "/0000:00:01.0/0000:01:00.0";
const std::string kXhci = kHost + "/0000:00:14.0";
const Place kChipset{kHost + "/0000:00:1f.4", {{kHost + "/0000:00:1f.4", "0x0c0500"}}, "pci"};
const Place kOnIgpu{kIgpu, {{kIgpu, "0x030000"}}, "pci"};
const Place kOnGpu{kGpu, {{kHost + "/0000:00:01.0", "0x060400"}, {kGpu, "0x030000"}}, "pci"};
const Place kUsbHid{kXhci + "/usb1/1-2/1-2:1.0/0003:10C4:EA90.0001", {{kXhci, "0x0c0330"}}, "hid"};

// An adapter as the kernel shows it: its node, its class entry with the name, and its device
// wherever it hangs; no place at all leaves sysfs silent about its parent.
void AddAdapter(const TempTree& tree, int n, const std::string& name,
                const std::optional<Place>& place) {
  const std::string id = "i2c-" + std::to_string(n);
  tree.File("/dev/" + id);
  tree.File("/sys/class/i2c-dev/" + id + "/name", name + "\n");
  if (!place) return;
  const std::string parent = "/sys/devices" + place->parent;
  tree.Dir(parent + "/" + id);
  for (const auto& [device, pci_class] : place->pci_classes) {
    tree.File("/sys/devices" + device + "/class", pci_class + "\n");
  }
  if (!place->subsystem.empty() &&
      !std::filesystem::is_symlink(tree.root() + parent + "/subsystem")) {
    tree.Link(parent + "/subsystem", "/sys/bus/" + place->subsystem);
  }
  tree.Link("/sys/class/i2c-dev/" + id + "/device", parent + "/" + id);
  tree.Link("/sys/bus/i2c/devices/" + id, parent + "/" + id);
}

// Names as Linux's drivers give them (i2c-i801, i2c-piix4, hid-cp2112, hid-mcp2221,
// i2c-tiny-usb, i2c-stub, i915, amdgpu, nouveau, bttv, i2c-designware).
TEST(AdapterClassification, RealAdapterNamesOnASysfsTree) {
  const struct {
    const char* name;
    std::optional<Place> place;
    AdapterKind kind;
  } cases[] = {
      {"SMBus I801 adapter at efa0", kChipset, AdapterKind::SMBusController},
      {"SMBus PIIX4 adapter port 0 at 0b00",
       Place{kHost + "/0000:00:14.0", {{kHost + "/0000:00:14.0", "0x0c0500"}}, "pci"},
       AdapterKind::SMBusController},
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
  EXPECT_THAT(searched("cp2112"), ElementsAre(7));
  EXPECT_THAT(searched("BRIDGE"), ElementsAre(7, 17));
  EXPECT_THAT(searched("stub"), ElementsAre());
  EXPECT_FALSE(BusChoice::Parse(""));

  // The adapter a transfer takes when nothing selects one: the first that --bus names.
  EXPECT_EQ(ChooseAdapter(scan, 0, -1, BusChoice::Parse("mcp")).number, 17);
  std::string message;
  EXPECT_EQ(CodeOf([&] { ChooseAdapter(scan, 0, -1, BusChoice::Parse("stub")); }, &message),
            ErrorCode::NoDevice);
  EXPECT_THAT(message, HasSubstr("no i2c adapter matches --bus=stub"));
  EXPECT_THAT(message, HasSubstr("/dev/i2c-7 (CP2112 SMBus Bridge on hidraw0)"));
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
  void Unplug(int n) const {
    const std::string id = "i2c-" + std::to_string(n);
    std::filesystem::remove(Node(n));
    std::filesystem::remove_all(tree.root() + "/sys/class/i2c-dev/" + id);
    std::filesystem::remove(tree.root() + "/sys/bus/i2c/devices/" + id);
  }

  TempTree tree;
  std::shared_ptr<FakeKernel> kernel = std::make_shared<FakeKernel>();
  BusTrace trace;
};

TEST_F(Adapters, SelectingAnAdapterSendsTransfersThereAndListsArePlainLookups) {
  auto link = Link();
  SMBusDevice& smbus = link->SMBus();
  const std::vector<I2cAdapterInfo> listed = smbus.Adapters();
  ASSERT_EQ(listed.size(), 3u);
  EXPECT_EQ(listed[2].Label(), "/dev/i2c-7, CP2112 SMBus Bridge on hidraw0");
  EXPECT_EQ(smbus.CurrentAdapter()->number, 0) << "the adapter named SMBus, as before";
  EXPECT_EQ(kernel->opens, 0) << "listing opened an adapter";

  EXPECT_EQ(CodeOf([&] { smbus.ReadByte(0x2D, 0x3E); }), ErrorCode::Nack);
  smbus.SelectAdapter(7);
  EXPECT_EQ(smbus.CurrentAdapter()->number, 7);
  EXPECT_EQ(smbus.ReadByte(0x2D, 0x3E), 0x41);
  EXPECT_THAT(kernel->open_fds, ElementsAre(::testing::Pair(::testing::_, Node(7))))
      << "the first adapter was not let go";
  smbus.SelectAdapter(-1);
  EXPECT_EQ(smbus.CurrentAdapter()->number, 0);

  // A bridge plugged in later is in the next list, without a new link.
  AddAdapter(tree, 9, "i2c-tiny-usb at bus 001 device 005", kUsbHid);
  EXPECT_EQ(smbus.Adapters().size(), 4u);
}

TEST_F(Adapters, AnAdapterThatDisappearsIsReportedGoneAndLetGoNeverAsASilentChip) {
  // Whatever the kernel answers once the bridge is gone, it is the adapter that went away.
  for (const int err : {ENODEV, ENXIO, EIO, ESHUTDOWN}) {
    SCOPED_TRACE(err);
    auto link = Link();
    link->SMBus().SelectAdapter(7);
    ASSERT_EQ(link->SMBus().ReadByte(0x2D, 0x3E), 0x41);
    Unplug(7);
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

  // While the adapter is there, ENODEV and ENXIO say nothing answered (i2c-stub says ENODEV).
  kernel->slave_error = 0;
  auto present = Link();
  present->SMBus().SelectAdapter(7);
  for (const int err : {ENODEV, ENXIO}) {
    kernel->absent_error = err;
    EXPECT_EQ(CodeOf([&] { present->SMBus().ReadByte(0x2C, 0x3E); }), ErrorCode::Nack) << err;
  }
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

// The printer port: ppdev's ioctls are made again after EINTR; a port whose ioctls say ENODEV
// has gone away under the open node.
TEST(PpdevPort, InterruptedIoctlsAreMadeAgainAndAVanishedPortIsGone) {
  TempTree tree;
  tree.File("/dev/parport0");
  tree.File("/proc/sys/dev/parport/parport0/base-addr", "888\t1912\n");
  auto pacer = std::make_shared<testing::FakePacer>();
  testing::SimulatedBoard board(testing::SimulatedBoard::Build::Direct, 0x5C, *pacer);
  board.slave.registers[0x3E] = 0x41;
  auto kernel = std::make_shared<FakeKernel>();
  kernel->ports[tree.root() + "/dev/parport0"] = &board;
  auto link = LinuxBackend(nullptr, LinuxOptions{tree.root(), kernel, {}, pacer}).CreateBusLink();
  ParallelDevice& device = link->GetParallelPorts().Device();
  device.SetBaseAddress(0x378);
  for (const int interrupts : {1, 5, 40}) {
    kernel->interrupt_next = interrupts;
    EXPECT_EQ(device.ReadByte(0x5C, 0x3E), 0x41) << interrupts << " interrupted calls";
  }
  for (const int err : {ENODEV, ENXIO}) {
    kernel->port_error = err;
    std::string message;
    EXPECT_EQ(CodeOf([&] { device.ReadByte(0x5C, 0x3E); }, &message), ErrorCode::AdapterGone);
    EXPECT_THAT(message, HasSubstr("/dev/parport0 is gone"));
  }
}

}  // namespace
}  // namespace buslink::linux_hw
