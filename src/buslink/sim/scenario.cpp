#include "buslink/sim/scenario.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <initializer_list>
#include <limits>
#include <nlohmann/json.hpp>
#include <string_view>

#include "buslink/sim/built_in_bench.h"
#include "buslink/sim/profile.h"

namespace buslink::sim {

namespace {

using nlohmann::json;

constexpr int kDefaultPortBases[] = {0x378, 0x278, 0x3BC};
constexpr long kDefaultSMBusBase = 0x5000;
constexpr int kMaxLatencyUs = 1'000'000;
constexpr int kMaxAdapterNumber = 1023;
constexpr std::size_t kMaxAdapterName = 100;

std::string Hex(std::int64_t value, int digits = 2) {
  char text[32];
  std::snprintf(text, sizeof text, "0x%0*llX", digits, static_cast<long long>(value));
  return text;
}

constexpr double kAny = -std::numeric_limits<double>::max();

std::string Key(const std::string& path, std::string_view key) {
  return path.empty() ? std::string(key) : path + "." + std::string(key);
}

std::string Index(const std::string& path, std::size_t i) {
  return path + "[" + std::to_string(i) + "]";
}

std::string Lower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

// "0x5C", "0X5c", "92" or "-5"; the whole text must be the number.
std::optional<std::int64_t> IntegerFromText(std::string_view text) {
  bool negative = false;
  if (!text.empty() && text.front() == '-') {
    negative = true;
    text.remove_prefix(1);
  }
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  if (text.empty()) return std::nullopt;
  std::int64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return negative ? -value : value;
}

std::optional<double> NumberFromText(std::string_view text) {
  if (auto whole = IntegerFromText(text)) return static_cast<double>(*whole);
  double value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
    return std::nullopt;
  }
  return value;
}

// Walks the parsed document; every fault becomes one line naming the source and the key's path.
class Parser {
 public:
  explicit Parser(std::string source) : source_(std::move(source)) {}

  Scenario Parse(const json& root) {
    if (!root.is_object()) {
      Fail("the top level must be a JSON object, not " + Describe(root));
    }
    CheckKeys(root, "",
              {"os_build", "latency_us", "seed", "printer_ports", "smbus", "chip", "faults",
               "i2c_adapters"});
    Scenario scenario;  // in a file, hardware not named does not exist

    ChipSetup chip;
    if (const json* c = Find(root, "chip")) {
      RequireObject(*c, "chip");
      CheckKeys(*c, "chip", {"registers", "inputs", "noise"});
      ReadChipParts(*c, "chip", chip);
    }
    if (const json* v = Find(root, "os_build")) {
      scenario.os_build = static_cast<int>(Integer(*v, "os_build", 0, 2147483647));
    }
    if (const json* v = Find(root, "latency_us")) {
      scenario.latency_us = static_cast<int>(Integer(*v, "latency_us", 0, kMaxLatencyUs));
    }
    if (const json* v = Find(root, "seed")) {
      scenario.seed = static_cast<std::uint32_t>(Integer(*v, "seed", 0, 0xFFFFFFFFLL));
    }
    if (const json* v = Find(root, "printer_ports")) ReadPorts(*v, chip, scenario);
    if (const json* v = Find(root, "smbus")) ReadSMBus(*v, chip, scenario);
    if (const json* v = Find(root, "faults")) ReadFaults(*v, scenario);
    if (const json* v = Find(root, "i2c_adapters")) ReadI2cAdapters(*v, chip, scenario);
    return scenario;
  }

  [[noreturn]] void Fail(const std::string& what) const {
    throw ScenarioError(source_ + ": " + what);
  }

 private:
  static const json* Find(const json& object, const char* key) {
    const auto it = object.find(key);
    return it == object.end() ? nullptr : &*it;
  }

  static std::string Describe(const json& value) {
    const std::string type = value.type_name();
    if (type == "array" || type == "object") return "an " + type;
    if (type == "null") return "null";
    return "a " + type;
  }

  void CheckKeys(const json& object, const std::string& path,
                 std::initializer_list<std::string_view> known) const {
    for (const auto& item : object.items()) {
      bool found = false;
      for (std::string_view k : known) found = found || item.key() == k;
      if (found) continue;
      std::string list;
      for (std::string_view k : known) list += (list.empty() ? "" : ", ") + std::string(k);
      Fail("unknown key " + Key(path, item.key()) + " (known here: " + list + ")");
    }
  }

  void RequireObject(const json& value, const std::string& path) const {
    if (!value.is_object()) Fail(path + ": expected an object, got " + Describe(value));
  }

  void RequireArray(const json& value, const std::string& path) const {
    if (!value.is_array()) Fail(path + ": expected an array, got " + Describe(value));
  }

  // A whole number written as a JSON number or as text ("0x5C", "92"), within min..max. Ranges
  // of addresses and registers are told in hexadecimal.
  std::int64_t Integer(const json& value, const std::string& path, std::int64_t min,
                       std::int64_t max, bool hex = false) const {
    std::int64_t number = 0;
    std::string written;
    if (value.is_number_unsigned()) {
      const auto u = value.get<std::uint64_t>();
      number = u > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())
                   ? std::numeric_limits<std::int64_t>::max()
                   : static_cast<std::int64_t>(u);
      written = std::to_string(u);
    } else if (value.is_number_integer()) {
      number = value.get<std::int64_t>();
      written = std::to_string(number);
    } else if (value.is_number_float()) {
      const double d = value.get<double>();
      if (std::floor(d) != d || std::fabs(d) > 9e15) {
        Fail(path + ": expected a whole number, got " + value.dump());
      }
      number = static_cast<std::int64_t>(d);
      written = value.dump();
    } else if (value.is_string()) {
      written = value.get<std::string>();
      const auto parsed = IntegerFromText(written);
      if (!parsed) Fail(path + ": \"" + written + "\" is not a whole number");
      number = *parsed;
    } else {
      Fail(path + ": expected a number, got " + Describe(value));
    }
    if (number < min || number > max) {
      const std::string range =
          hex ? Hex(min) + ".." + Hex(max) : std::to_string(min) + ".." + std::to_string(max);
      Fail(path + ": " + written + " is outside " + range);
    }
    return number;
  }

  double Number(const json& value, const std::string& path, double min) const {
    double number = 0;
    if (value.is_number()) {
      number = value.get<double>();
    } else if (value.is_string()) {
      const auto parsed = NumberFromText(value.get<std::string>());
      if (!parsed) Fail(path + ": \"" + value.get<std::string>() + "\" is not a number");
      number = *parsed;
    } else {
      Fail(path + ": expected a number, got " + Describe(value));
    }
    if (!std::isfinite(number) || number < min) {
      Fail(path + ": " + value.dump() + " must be a number of at least " + std::to_string(min));
    }
    return number;
  }

  bool Boolean(const json& value, const std::string& path) const {
    if (value.is_boolean()) return value.get<bool>();
    if (value.is_string()) {
      const std::string text = Lower(value.get<std::string>());
      if (text == "true") return true;
      if (text == "false") return false;
    }
    Fail(path + ": expected true or false, got " + value.dump());
  }

  // One of a few words, case ignored; returns its index in choices.
  std::size_t Choice(const json& value, const std::string& path,
                     std::initializer_list<const char*> choices) const {
    std::string list;
    for (const char* c : choices) list += (list.empty() ? "" : ", ") + std::string(c);
    if (value.is_string()) {
      const std::string text = Lower(value.get<std::string>());
      std::size_t i = 0;
      for (const char* c : choices) {
        if (text == Lower(c)) return i;
        ++i;
      }
    }
    Fail(path + ": expected one of " + list + ", got " + value.dump());
  }

  // The parts of a chip description: "registers", "inputs" and "noise", merged over setup.
  void ReadChipParts(const json& object, const std::string& path, ChipSetup& setup) const {
    if (const json* r = Find(object, "registers")) ReadRegisters(*r, Key(path, "registers"), setup);
    if (const json* i = Find(object, "inputs")) ReadInputs(*i, Key(path, "inputs"), setup.inputs);
    if (const json* n = Find(object, "noise")) setup.noise = Number(*n, Key(path, "noise"), 0.0);
  }

  void ReadRegisters(const json& object, const std::string& path, ChipSetup& setup) const {
    RequireObject(object, path);
    std::map<std::uint8_t, std::string> written_as;
    for (const auto& item : object.items()) {
      const auto reg = IntegerFromText(item.key());
      if (!reg) Fail(path + ": register \"" + item.key() + "\" is not a register address");
      if (*reg < 0 || *reg > 0xFF) {
        Fail(path + ": register " + item.key() + " is outside 0x00..0xFF");
      }
      const auto address = static_cast<std::uint8_t>(*reg);
      if (const auto it = written_as.find(address); it != written_as.end()) {
        Fail(path + ": register " + Hex(address) + " is given twice (\"" + it->second +
             "\" and \"" + item.key() + "\")");
      }
      written_as[address] = item.key();
      setup.registers[address] =
          static_cast<std::uint8_t>(Integer(item.value(), Key(path, item.key()), 0, 255));
    }
  }

  void ReadInputs(const json& object, const std::string& path, ChipInputs& inputs) const {
    RequireObject(object, path);
    struct Analog {
      const char* key;
      double ChipInputs::*field;
      double min;
      AnalogInput id;
    };
    using enum AnalogInput;
    static const Analog kAnalog[] = {
        {"v25", &ChipInputs::v25, kAny, V25},
        {"vccp1", &ChipInputs::vccp1, kAny, Vccp1},
        {"vcc", &ChipInputs::vcc, kAny, Vcc},
        {"v5", &ChipInputs::v5, kAny, V5},
        {"v12", &ChipInputs::v12, kAny, V12},
        {"vccp2", &ChipInputs::vccp2, kAny, Vccp2},
        {"ain1", &ChipInputs::ain1, kAny, Ain1},
        {"ain2", &ChipInputs::ain2, kAny, Ain2},
        {"temp_internal", &ChipInputs::temp_internal, kAny, TempInternal},
        {"temp_ext1", &ChipInputs::temp_ext1, kAny, TempExt1},
        {"temp_ext2", &ChipInputs::temp_ext2, kAny, TempExt2},
        {"fan1_rpm", &ChipInputs::fan1_rpm, 0.0, Fan1Rpm},
        {"fan2_rpm", &ChipInputs::fan2_rpm, 0.0, Fan2Rpm},
    };
    for (const auto& item : object.items()) {
      const std::string key_path = Key(path, item.key());
      if (item.key() == "vid") {
        inputs.vid = static_cast<int>(Integer(item.value(), key_path, 0, 31));
        continue;
      }
      if (item.key() == "chassis_intrusion") {
        inputs.chassis_intrusion = Boolean(item.value(), key_path);
        continue;
      }
      bool found = false;
      for (const Analog& a : kAnalog) {
        if (item.key() != a.key) continue;
        ReadAnalogInput(item.value(), key_path, a.min, inputs.*a.field,
                        inputs.shapes[static_cast<std::size_t>(a.id)]);
        found = true;
      }
      if (!found) {
        Fail("unknown key " + key_path +
             " (known here: v25, vccp1, vcc, v5, v12, vccp2, ain1, ain2, temp_internal, "
             "temp_ext1, temp_ext2, fan1_rpm, fan2_rpm, vid, chassis_intrusion)");
      }
    }
  }

  // An analog input: a number, a shape (an object whose parts add up), or an array of numbers
  // and shapes that add up. A number replaces any shape an outer "chip" gave, and the reverse.
  void ReadAnalogInput(const json& value, const std::string& path, double min, double& number,
                       InputShape& shape) const {
    if (value.is_object() || value.is_array()) {
      shape = ReadShape(value, path);
      return;
    }
    if (!value.is_number() && !value.is_string()) {
      Fail(path + ": expected a number or a shape such as {\"sine\": {...}}, got " +
           Describe(value));
    }
    number = Number(value, path, min);
    shape = InputShape();
  }

  InputShape ReadShape(const json& value, const std::string& path) const {
    InputShape shape;
    if (value.is_object()) {
      ReadShapeParts(value, path, shape);
      return shape;
    }
    if (value.empty()) Fail(path + ": an empty list; give numbers and shapes to add up");
    for (std::size_t i = 0; i < value.size(); ++i) {
      const json& item = value[i];
      if (item.is_object()) {
        ReadShapeParts(item, Index(path, i), shape);
      } else {
        shape.Add(Number(item, Index(path, i), kAny));
      }
    }
    return shape;
  }

  void ReadShapeParts(const json& object, const std::string& path, InputShape& shape) const {
    constexpr const char* kShapes = "sine, ramp, step, pulse, noise, csv";
    if (object.empty()) Fail(path + ": an empty shape; give one or more of " + kShapes);
    CheckKeys(object, path, {"sine", "ramp", "step", "pulse", "noise", "csv"});
    for (const auto& item : object.items()) {
      const std::string part_path = Key(path, item.key());
      const json& part = item.value();
      if (item.key() == "sine") {
        shape.Add(ReadSine(part, part_path));
      } else if (item.key() == "ramp") {
        shape.Add(ReadRamp(part, part_path));
      } else if (item.key() == "step" || item.key() == "pulse") {
        shape.Add(ReadPulse(part, part_path, item.key() == "pulse"));
      } else if (item.key() == "noise") {
        RequireObject(part, part_path);
        CheckKeys(part, part_path, {"sigma"});
        shape.Add(InputShape::Noise{
            Number(Required(part, part_path, "sigma"), Key(part_path, "sigma"), 0.0)});
      } else {
        shape.Add(ReadCsv(part, part_path));
      }
    }
  }

  InputShape::Sine ReadSine(const json& object, const std::string& path) const {
    RequireObject(object, path);
    CheckKeys(object, path, {"mean", "amplitude", "period", "phase"});
    InputShape::Sine sine;
    if (const json* m = Find(object, "mean")) sine.mean = Number(*m, Key(path, "mean"), kAny);
    sine.amplitude = Number(Required(object, path, "amplitude"), Key(path, "amplitude"), kAny);
    sine.period = Duration(Required(object, path, "period"), Key(path, "period"), false);
    if (const json* p = Find(object, "phase")) sine.phase = Duration(*p, Key(path, "phase"), true);
    return sine;
  }

  InputShape::Ramp ReadRamp(const json& object, const std::string& path) const {
    RequireObject(object, path);
    CheckKeys(object, path, {"from", "to", "over", "start", "then"});
    InputShape::Ramp ramp;
    ramp.from = Number(Required(object, path, "from"), Key(path, "from"), kAny);
    ramp.to = Number(Required(object, path, "to"), Key(path, "to"), kAny);
    ramp.over = Duration(Required(object, path, "over"), Key(path, "over"), false);
    if (const json* s = Find(object, "start")) ramp.start = Duration(*s, Key(path, "start"), true);
    if (const json* t = Find(object, "then")) ramp.then = Then(*t, Key(path, "then"));
    return ramp;
  }

  // A step and a pulse are one shape: a pulse is a step with a length.
  InputShape::Pulse ReadPulse(const json& object, const std::string& path, bool pulse) const {
    RequireObject(object, path);
    CheckKeys(object, path, {"base", "level", "start", "length", "every"});
    InputShape::Pulse p;
    if (const json* b = Find(object, "base")) p.base = Number(*b, Key(path, "base"), kAny);
    p.level = Number(Required(object, path, "level"), Key(path, "level"), kAny);
    if (const json* s = Find(object, "start")) p.start = Duration(*s, Key(path, "start"), true);
    const json* length = pulse ? &Required(object, path, "length") : Find(object, "length");
    if (length != nullptr) p.length = Duration(*length, Key(path, "length"), false);
    if (const json* e = Find(object, "every")) {
      const std::string e_path = Key(path, "every");
      if (length == nullptr) Fail(e_path + ": a step that repeats needs its \"length\"");
      p.every = Duration(*e, e_path, false);
      if (p.every <= p.length) {
        Fail(e_path + ": " + e->dump() + " must be longer than the length, " + length->dump());
      }
    }
    return p;
  }

  // {"csv": "file.csv"} or {"csv": {"file": "file.csv", "then": "repeat"}}; a relative name is
  // found beside the scenario file.
  InputShape::Profile ReadCsv(const json& value, const std::string& path) const {
    InputShape::Profile profile;
    const json* file = &value;
    std::string file_path = path;
    if (value.is_object()) {
      CheckKeys(value, path, {"file", "then"});
      file = &Required(value, path, "file");
      file_path = Key(path, "file");
      if (const json* t = Find(value, "then")) profile.then = Then(*t, Key(path, "then"));
    }
    if (!file->is_string()) {
      Fail(file_path + ": expected the name of a CSV file, got " + Describe(*file));
    }
    std::filesystem::path name = file->get<std::string>();
    if (name.is_relative()) name = std::filesystem::path(source_).parent_path() / name;
    try {
      profile.points = std::make_shared<const InputShape::Points>(ProfileFromFile(name.string()));
    } catch (const ProfileError& error) {
      Fail(file_path + ": " + error.what());
    }
    return profile;
  }

  Afterwards Then(const json& value, const std::string& path) const {
    switch (Choice(value, path, {"hold", "repeat", "bounce"})) {
      case 1:
        return Afterwards::Repeat;
      case 2:
        return Afterwards::Bounce;
      default:
        return Afterwards::Hold;
    }
  }

  // Seconds, written as a number or as text with a unit ("30s", "250ms", "1.5min", "2h").
  double Duration(const json& value, const std::string& path, bool zero_allowed) const {
    double seconds = 0.0;
    if (value.is_number()) {
      seconds = value.get<double>();
    } else if (value.is_string()) {
      const auto parsed = SecondsFromText(value.get<std::string>());
      if (!parsed) {
        Fail(path + ": " + value.dump() + " is not a duration (30s, 250ms, 1.5min, 2h or seconds)");
      }
      seconds = *parsed;
    } else {
      Fail(path + ": expected a duration such as \"30s\", got " + Describe(value));
    }
    if (!std::isfinite(seconds) || seconds < 0.0 || (!zero_allowed && seconds == 0.0)) {
      Fail(path + ": " + value.dump() +
           (zero_allowed ? " must not be negative" : " must be longer than 0"));
    }
    return seconds;
  }

  const json& Required(const json& object, const std::string& path, const char* key) const {
    const json* value = Find(object, key);
    if (value == nullptr) Fail("missing key " + Key(path, key));
    return *value;
  }

  void ReadPorts(const json& ports, const ChipSetup& chip, Scenario& scenario) const {
    RequireArray(ports, "printer_ports");
    for (std::size_t p = 0; p < ports.size(); ++p) {
      const std::string path = Index("printer_ports", p);
      const json& port = ports[p];
      RequireObject(port, path);
      CheckKeys(port, path, {"base", "boards"});
      PrinterPortSetup setup;
      if (const json* b = Find(port, "base")) {
        setup.base = static_cast<int>(Integer(*b, Key(path, "base"), 0, 0xFFFF, true));
      } else if (p < std::size(kDefaultPortBases)) {
        setup.base = kDefaultPortBases[p];
      } else {
        Fail(path + ": a fourth or later printer port needs its \"base\"");
      }
      for (std::size_t q = 0; q < p; ++q) {
        if (scenario.printer_ports[q].base == setup.base) {
          Fail(Key(path, "base") + ": " + Hex(setup.base, 3) + " is already the base of " +
               Index("printer_ports", q));
        }
      }
      if (const json* boards = Find(port, "boards")) ReadBoards(*boards, path, chip, setup);
      scenario.printer_ports.push_back(std::move(setup));
    }
  }

  void ReadBoards(const json& boards, const std::string& port_path, const ChipSetup& chip,
                  PrinterPortSetup& port) const {
    const std::string list_path = Key(port_path, "boards");
    RequireArray(boards, list_path);
    for (std::size_t i = 0; i < boards.size(); ++i) {
      const std::string path = Index(list_path, i);
      const json& entry = boards[i];
      RequireObject(entry, path);
      CheckKeys(entry, path, {"address", "answers_under", "registers", "inputs", "noise"});
      BoardSetup board;
      board.chip = chip;
      if (const json* a = Find(entry, "address")) {
        const std::string a_path = Key(path, "address");
        board.address = static_cast<std::uint8_t>(Integer(*a, a_path, 0x00, 0xFE, true));
        if ((board.address & 0x01) != 0) {
          Fail(a_path + ": " + Hex(board.address) +
               " is odd; a board address is the 8-bit form (the 7-bit address times two)");
        }
      }
      if (const json* u = Find(entry, "answers_under")) {
        const std::string u_path = Key(path, "answers_under");
        std::size_t choice = 0;
        if (u->is_boolean()) {
          choice = u->get<bool>() ? 1 : 0;
        } else {
          choice = Choice(*u, u_path, {"false", "true", "both"});
        }
        board.answers_when_false = choice != 1;
        board.answers_when_true = choice != 0;
      }
      ReadChipParts(entry, path, board.chip);
      for (std::size_t j = 0; j < port.boards.size(); ++j) {
        if (port.boards[j].address == board.address) {
          Fail(Key(path, "address") + ": " + Hex(board.address) + " is already taken by " +
               Index(list_path, j));
        }
      }
      port.boards.push_back(std::move(board));
    }
  }

  void ReadSMBus(const json& smbus, const ChipSetup& chip, Scenario& scenario) const {
    RequireObject(smbus, "smbus");
    CheckKeys(smbus, "smbus", {"present", "base_address", "chips", "number", "name"});
    SMBusSetup setup;
    setup.present = true;
    setup.base_address = kDefaultSMBusBase;
    if (const json* p = Find(smbus, "present")) setup.present = Boolean(*p, "smbus.present");
    if (const json* b = Find(smbus, "base_address")) {
      setup.base_address = static_cast<long>(Integer(*b, "smbus.base_address", 0, 0xFFFF, true));
    }
    if (const json* n = Find(smbus, "number")) {
      setup.number = static_cast<int>(Integer(*n, "smbus.number", 0, kMaxAdapterNumber));
    }
    if (const json* n = Find(smbus, "name")) setup.name = AdapterName(*n, "smbus.name");
    if (const json* chips = Find(smbus, "chips")) {
      ReadBusChips(*chips, "smbus.chips", chip, setup.chips);
    }
    scenario.smbus = std::move(setup);
  }

  // The chips of one adapter, each at its own 7-bit address.
  void ReadBusChips(const json& chips, const std::string& list_path, const ChipSetup& chip,
                    std::vector<SMBusChipSetup>& out) const {
    RequireArray(chips, list_path);
    for (std::size_t i = 0; i < chips.size(); ++i) {
      const std::string path = Index(list_path, i);
      const json& entry = chips[i];
      RequireObject(entry, path);
      CheckKeys(entry, path, {"address", "registers", "inputs", "noise"});
      SMBusChipSetup c;
      c.chip = chip;
      if (const json* a = Find(entry, "address")) {
        c.address = static_cast<std::uint8_t>(Integer(*a, Key(path, "address"), 0x03, 0x77, true));
      }
      ReadChipParts(entry, path, c.chip);
      for (std::size_t j = 0; j < out.size(); ++j) {
        if (out[j].address == c.address) {
          Fail(Key(path, "address") + ": " + Hex(c.address) + " is already taken by " +
               Index(list_path, j));
        }
      }
      out.push_back(std::move(c));
    }
  }

  // An adapter name is shown in windows and on terminals: one line of printable text.
  std::string AdapterName(const json& value, const std::string& path) const {
    if (!value.is_string()) Fail(path + ": expected a text, got " + Describe(value));
    const std::string name = value.get<std::string>();
    if (name.size() > kMaxAdapterName) {
      Fail(path + ": longer than " + std::to_string(kMaxAdapterName) + " characters");
    }
    for (const char c : name) {
      if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
        Fail(path + ": control characters are not allowed in an adapter name");
      }
    }
    return name;
  }

  void ReadI2cAdapters(const json& adapters, const ChipSetup& chip, Scenario& scenario) const {
    RequireArray(adapters, "i2c_adapters");
    for (std::size_t i = 0; i < adapters.size(); ++i) {
      const std::string path = Index("i2c_adapters", i);
      const json& entry = adapters[i];
      RequireObject(entry, path);
      CheckKeys(entry, path,
                {"number", "name", "path", "parent", "base_address", "chips", "unplug"});
      I2cAdapterSetup setup;
      const json* n = Find(entry, "number");
      if (n == nullptr) Fail(path + ": an adapter needs its \"number\" (as in /dev/i2c-<number>)");
      setup.number = static_cast<int>(Integer(*n, Key(path, "number"), 0, kMaxAdapterNumber));
      if (scenario.smbus.present && scenario.smbus.number == setup.number) {
        Fail(Key(path, "number") + ": " + std::to_string(setup.number) +
             " is already the number of the smbus adapter");
      }
      for (std::size_t j = 0; j < scenario.i2c_adapters.size(); ++j) {
        if (scenario.i2c_adapters[j].number == setup.number) {
          Fail(Key(path, "number") + ": " + std::to_string(setup.number) +
               " is already the number of " + Index("i2c_adapters", j));
        }
      }
      if (const json* v = Find(entry, "name")) setup.name = AdapterName(*v, Key(path, "name"));
      if (const json* v = Find(entry, "parent")) {
        static constexpr AdapterParent kParents[] = {AdapterParent::Pci, AdapterParent::Usb,
                                                     AdapterParent::Display, AdapterParent::None};
        setup.parent = kParents[Choice(*v, Key(path, "parent"), {"pci", "usb", "display", "none"})];
      }
      if (const json* v = Find(entry, "base_address")) {
        setup.base_address =
            static_cast<long>(Integer(*v, Key(path, "base_address"), 0, 0xFFFF, true));
      }
      if (const json* v = Find(entry, "chips")) {
        ReadBusChips(*v, Key(path, "chips"), chip, setup.chips);
      }
      if (const json* v = Find(entry, "path")) setup.path = AdapterName(*v, Key(path, "path"));
      if (const json* v = Find(entry, "unplug")) setup.unplug = ReadUnplug(*v, Key(path, "unplug"));
      scenario.i2c_adapters.push_back(std::move(setup));
    }
    // A number an adapter comes back under is nobody else's, so no two adapters ever share one.
    for (std::size_t i = 0; i < scenario.i2c_adapters.size(); ++i) {
      const I2cAdapterSetup& a = scenario.i2c_adapters[i];
      if (!a.unplug || a.unplug->renumber == a.number) continue;
      const bool smbus = scenario.smbus.present && scenario.smbus.number == a.unplug->renumber;
      bool taken = smbus;
      for (const I2cAdapterSetup& other : scenario.i2c_adapters) {
        taken = taken ||
                (&other != &a && (other.number == a.unplug->renumber ||
                                  (other.unplug && other.unplug->renumber == a.unplug->renumber)));
      }
      if (taken) {
        Fail(Key(Index("i2c_adapters", i), "unplug") + ".renumber: " +
             std::to_string(a.unplug->renumber) + " is already another adapter's number");
      }
    }
  }

  AdapterUnplug ReadUnplug(const json& value, const std::string& path) const {
    RequireObject(value, path);
    CheckKeys(value, path, {"at", "for", "renumber", "every"});
    AdapterUnplug unplug;
    unplug.at = Duration(Required(value, path, "at"), Key(path, "at"), true);
    unplug.for_seconds = Duration(Required(value, path, "for"), Key(path, "for"), false);
    unplug.renumber = static_cast<int>(
        Integer(Required(value, path, "renumber"), Key(path, "renumber"), 0, kMaxAdapterNumber));
    if (const json* e = Find(value, "every")) {
      unplug.every = Duration(*e, Key(path, "every"), false);
      if (*unplug.every <= unplug.for_seconds) {
        Fail(Key(path, "every") + ": " + e->dump() + " must be longer than \"for\"");
      }
    }
    return unplug;
  }

  void ReadFaults(const json& faults, Scenario& scenario) const {
    RequireArray(faults, "faults");
    for (std::size_t i = 0; i < faults.size(); ++i) {
      const std::string path = Index("faults", i);
      const json& entry = faults[i];
      RequireObject(entry, path);
      CheckKeys(entry, path, {"medium", "op", "device", "register", "skip", "times", "error"});
      Fault fault;
      if (const json* m = Find(entry, "medium")) {
        fault.medium = Choice(*m, Key(path, "medium"), {"PP", "SMB"}) == 0 ? FaultMedium::PP
                                                                           : FaultMedium::SMB;
      }
      if (const json* o = Find(entry, "op")) {
        fault.op = Choice(*o, Key(path, "op"), {"R", "W"}) == 0 ? 'R' : 'W';
      }
      if (const json* d = Find(entry, "device")) {
        fault.device = static_cast<std::uint8_t>(Integer(*d, Key(path, "device"), 0, 0xFF, true));
      }
      if (const json* r = Find(entry, "register")) {
        fault.reg = static_cast<std::uint8_t>(Integer(*r, Key(path, "register"), 0, 0xFF, true));
      }
      if (const json* s = Find(entry, "skip")) {
        fault.skip = static_cast<int>(Integer(*s, Key(path, "skip"), 0, 2147483647));
      }
      if (const json* t = Find(entry, "times")) {
        fault.times = static_cast<int>(Integer(*t, Key(path, "times"), 0, 2147483647));
      }
      if (const json* e = Find(entry, "error")) {
        fault.error = Choice(*e, Key(path, "error"), {"NACK", "TIMEOUT"}) == 0 ? ErrorCode::Nack
                                                                               : ErrorCode::Timeout;
      }
      scenario.faults.push_back(fault);
    }
  }

  std::string source_;
};

// nlohmann's messages read "[json.exception.parse_error.101] parse error at line 3, column 5:
// ..."; keep the part from the position on (or, without one, after the bracket), on one line.
std::string DescribeJsonError(const json::exception& error) {
  std::string text = error.what();
  if (const auto at = text.find("at line "); at != std::string::npos) {
    text = " " + text.substr(at);
  } else if (const auto bracket = text.find("] "); bracket != std::string::npos) {
    text = ": " + text.substr(bracket + 2);
  }
  for (char& c : text) {
    if (c == '\n' || c == '\r') c = ' ';
  }
  return text;
}

}  // namespace

Scenario Scenario::BuiltIn() {
  return FromJson(std::string(BuiltInBenchJson()), "the built-in bench");
}

Scenario Scenario::FromJson(const std::string& text, const std::string& source_name) {
  json root;
  try {
    root = json::parse(text);
  } catch (const json::exception& error) {  // a syntax error, or a number too large
    throw ScenarioError(source_name + ": not valid JSON" + DescribeJsonError(error));
  }
  return Parser(source_name).Parse(root);
}

Scenario Scenario::FromFile(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) {
    throw ScenarioError(path + ": cannot open the scenario file: " + std::strerror(errno));
  }
  std::string text;
  char buffer[4096];
  std::size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, n);
  const int read_error = std::ferror(file) != 0 ? errno : 0;
  std::fclose(file);
  if (read_error != 0) {
    throw ScenarioError(path + ": cannot read the scenario file: " + std::strerror(read_error));
  }
  return FromJson(text, path);
}

}  // namespace buslink::sim
