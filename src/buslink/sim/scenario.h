#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "buslink/bus_error.h"
#include "buslink/sim/input_shape.h"

namespace buslink::sim {

// What the simulated chip's pins see. Volts, degrees Celsius, rpm. The defaults sit inside the
// limits EasySetup writes, so a scenario that leaves an input out gets a healthy reading.
struct ChipInputs {
  double v25 = 2.5;
  double vccp1 = 1.5;
  double vcc = 3.3;
  double v5 = 5.0;
  double v12 = 12.0;
  double vccp2 = 1.75;
  double ain1 = 1.0;
  double ain2 = 1.5;
  double temp_internal = 30.0;
  double temp_ext1 = 40.0;
  double temp_ext2 = 35.0;
  double fan1_rpm = 4500.0;
  double fan2_rpm = 3000.0;
  int vid = 12;                    // the five VID pins, 0..31
  bool chassis_intrusion = false;  // true: the case has been opened (latches on the rising edge)
  // An analog input with a shape follows it on the simulated clock; its number above is unused.
  InputShapes shapes;
};

// Registers written after power-on reset, and the pins. A board or SMBus chip entry may override
// the scenario-wide chip settings; the override is already merged into each entry.
struct ChipSetup {
  std::map<std::uint8_t, std::uint8_t> registers;
  ChipInputs inputs;
  double noise = 0.0;  // in counts, from the seeded generator
};

struct BoardSetup {
  std::uint8_t address = 0x5C;  // 8-bit form
  bool answers_when_false = true;
  bool answers_when_true = false;
  ChipSetup chip;
};

struct PrinterPortSetup {
  int base = 0x378;
  std::vector<BoardSetup> boards;
};

struct SMBusChipSetup {
  std::uint8_t address = 0x2D;  // 7-bit form
  ChipSetup chip;
};

struct SMBusSetup {
  bool present = false;
  long base_address = 0;
  std::vector<SMBusChipSetup> chips;
  int number = 0;    // as /dev/i2c-<number>
  std::string name;  // empty: "SMBus simulated adapter at <base>"
};

// What a simulated adapter hangs off, as sysfs would say: with its name it decides whether the
// search covers the adapter (a display bus it does not).
enum class AdapterParent { Pci, Usb, Display, None };

// A USB bridge pulled out and put back, in simulated seconds: gone from `at` for `for_seconds`,
// then back as /dev/i2c-<renumber> with the same name, path and chips; with `every`, again every
// so often, back each time alternately under renumber and under its first number.
struct AdapterUnplug {
  double at = 0.0;
  double for_seconds = 0.0;
  int renumber = 0;
  std::optional<double> every;
};

// An I2C adapter beside the "smbus" one: a USB bridge, a display bus, a second controller.
struct I2cAdapterSetup {
  int number = 1;
  std::string name;  // empty: "I2C adapter <number>"
  std::string path;  // its by-path place; empty: derived from the parent and number
  std::optional<AdapterUnplug> unplug;
  AdapterParent parent = AdapterParent::Pci;
  long base_address = 0;
  std::vector<SMBusChipSetup> chips;
};

enum class FaultMedium { Any, PP, SMB };

// Fails matching transfers: the first `skip` pass, then `times` fail (nullopt: all of them).
struct Fault {
  FaultMedium medium = FaultMedium::Any;
  std::optional<char> op;  // 'R' or 'W'
  std::optional<std::uint8_t> device;
  std::optional<std::uint8_t> reg;
  int skip = 0;
  std::optional<int> times;
  ErrorCode error = ErrorCode::Nack;
};

struct Scenario {
  int os_build = 1998;
  int latency_us = 0;
  std::uint32_t seed = 1;
  std::vector<PrinterPortSetup> printer_ports;
  SMBusSetup smbus;
  std::vector<Fault> faults;
  std::vector<I2cAdapterSetup> i2c_adapters;

  // The hardware `--simulate` gives without a file: one printer port at 0x378 with a board at
  // 0x5C answering under ModeFlag false, one SMBus adapter with a chip at 0x2D; both chips set up
  // as EasySetup leaves them and running, their inputs moving (built_in_bench.cpp).
  static Scenario BuiltIn();
  // Throws ScenarioError whose message names the file and the fault, on one line.
  static Scenario FromFile(const std::string& path);
  static Scenario FromJson(const std::string& text, const std::string& source_name);
};

class ScenarioError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace buslink::sim
