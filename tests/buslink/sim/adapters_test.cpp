// A simulated computer with several I2C adapters: how a scenario names them, where each transfer
// goes, and a USB bridge pulled out. (An unplug schedule: the exporter's and kelvran's replug
// tests.)
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "buslink/sim/scenario.h"
#include "buslink/sim/scenario_faults.h"
#include "buslink/sim/sim_rig.h"
#include "buslink/sim/simulated_hardware.h"
#include "support/thrown.h"

namespace buslink::sim {
namespace {

using kelvran_test::CodeOf;
using Lines = std::vector<std::string>;

// The motherboard's controller with nothing on it, a graphics bus and a USB bridge, each with a
// chip at 2Dh whose Configuration 1 tells them apart.
constexpr const char* kBench = R"({
  "smbus": {"number": 0, "name": "SMBus I801 adapter at efa0", "base_address": "0xEFA0"},
  "i2c_adapters": [
    {"number": 3, "name": "i915 gmbus dpb", "parent": "display",
     "chips": [{"address": "0x2D", "registers": {"0x40": 3}}]},
    {"number": 7, "name": "CP2112 SMBus Bridge on hidraw0", "parent": "usb",
     "chips": [{"address": "0x2D", "registers": {"0x40": 7}}]}]})";

// A name left out is "I2C adapter N" (the built-in adapter's own, "SMBus simulated adapter at
// 5000": the Python module's and kelvran detect's tests). The built-in bench has one adapter, so
// the wizard's lines on it name none.
TEST(SimulatedAdapters, AnAdapterWithoutANameGetsADefaultOne) {
  SimRig rig(R"({"i2c_adapters": [{"number": 4}]})");
  EXPECT_EQ(rig.smbus().Adapters().at(0).Label(), "/dev/i2c-4, I2C adapter 4");
  SimulatedHardware built_in(Scenario::BuiltIn());
  EXPECT_EQ(built_in.CreateBusLink()->SMBus().Adapters().size(), 1u) << "exactly one adapter";
}

TEST(SimulatedAdapters, FaultsInTheAdapterListAreReportedNamingTheKey) {
  const std::pair<const char*, const char*> rows[] = {
      {R"({"i2c_adapters": [{"name": "x"}]})", "i2c_adapters[0]: an adapter needs its \"number\""},
      {R"({"smbus": {}, "i2c_adapters": [{"number": 0}]})",
       "i2c_adapters[0].number: 0 is already the number of the smbus adapter"},
      {R"({"i2c_adapters": [{"number": 2}, {"number": "2"}]})",
       "i2c_adapters[1].number: 2 is already the number of i2c_adapters[0]"},
      {R"({"i2c_adapters": [{"number": 2, "name": "two\nlines"}]})",
       "i2c_adapters[0].name: control characters are not allowed"},
      {R"({"i2c_adapters": [{"number": 2, "bus": 1}]})",
       "unknown key i2c_adapters[0].bus (known here: number, name, path, parent, base_address, "
       "chips, unplug)"},
      {R"({"i2c_adapters": [{"number": 2, "unplug": {"at": 1, "for": "2s", "renumber": 3,
                                                     "every": "2s"}}]})",
       "i2c_adapters[0].unplug.every: \"2s\" must be longer than \"for\""},
      {R"({"smbus": {}, "i2c_adapters": [{"number": 2, "unplug": {"at": 1, "for": 1,
                                                                  "renumber": 0}}]})",
       "i2c_adapters[0].unplug.renumber: 0 is already another adapter's number"},
  };
  for (const auto& [json, fault] : rows) ExpectRefused(json, fault);
}

// That each transfer reaches the selected adapter's chips the wizard's adapter tests show through
// the windows, and the base box's answer its init form test; here an adapter that is not there.
TEST(SimulatedAdapters, AnAdapterNotThereSaysSoAndAPulledBridgeSaysItOnce) {
  SimRig rig(kBench);
  EXPECT_EQ(rig.smbus().CurrentAdapter()->number, 0) << "the SMBus controller, as on Linux";
  rig.smbus().SelectAdapter(5);
  std::string message;
  EXPECT_EQ(CodeOf([&] { rig.smbus().ReadByte(0x2D, 0x40); }, &message), ErrorCode::NoDevice);
  EXPECT_EQ(message, "there is no i2c adapter 5 in the simulated computer");
  rig.smbus().SelectAdapter(7);
  EXPECT_EQ(rig.smbus().ReadByte(0x2D, 0x40), 7);
  EXPECT_EQ(rig.hardware.SMBusChip(0x2D, 3)->Read(0x40), 3);
  rig.hardware.UnplugAdapter(7);
  EXPECT_EQ(CodeOf([&] { rig.smbus().ReadByte(0x2D, 0x20); }), ErrorCode::AdapterGone);
  EXPECT_EQ(CodeOf([&] { rig.smbus().ReadByte(0x2D, 0x20); }), ErrorCode::NoDevice);
}

}  // namespace
}  // namespace buslink::sim
