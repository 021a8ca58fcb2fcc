// The chip's part of a scenario: "chip", and the same keys in a board or adapter chip entry.
#include <map>

#include "buslink/sim/scenario_reader.h"

namespace buslink::sim::scenario_format {

namespace {

// Its keys are register addresses rather than names, so it is read without a table.
void ReadRegisters(Reader& r, const json& object, const std::string& path, ChipSetup& setup) {
  r.RequireObject(object, path);
  std::map<std::uint8_t, std::string> written_as;
  for (const auto& item : object.items()) {
    const auto reg = IntegerFromText(item.key());
    if (!reg) r.Fail(path + ": register \"" + item.key() + "\" is not a register address");
    if (*reg < 0 || *reg > 0xFF) {
      r.Fail(path + ": register " + item.key() + " is outside 0x00..0xFF");
    }
    const auto address = static_cast<std::uint8_t>(*reg);
    if (const auto it = written_as.find(address); it != written_as.end()) {
      r.Fail(path + ": register " + Hex(address) + " is given twice (\"" + it->second +
             "\" and \"" + item.key() + "\")");
    }
    written_as[address] = item.key();
    setup.registers[address] =
        static_cast<std::uint8_t>(r.Integer(item.value(), Key(path, item.key()), 0, 255));
  }
}

// An analog input: its number, or the shape it follows on the simulated clock.
template <double ChipInputs::*kNumber, AnalogInput kInput, bool kNonNegative = false>
void Analog(Reader& r, const json& value, const std::string& path, ChipInputs& into) {
  ReadAnalogInput(r, value, path, kNonNegative ? 0.0 : kAny, into.*kNumber,
                  into.shapes[static_cast<std::size_t>(kInput)]);
}

using enum AnalogInput;
constexpr Field<ChipInputs> kInputKeys[] = {
    {"v25", Analog<&ChipInputs::v25, V25>},
    {"vccp1", Analog<&ChipInputs::vccp1, Vccp1>},
    {"vcc", Analog<&ChipInputs::vcc, Vcc>},
    {"v5", Analog<&ChipInputs::v5, V5>},
    {"v12", Analog<&ChipInputs::v12, V12>},
    {"vccp2", Analog<&ChipInputs::vccp2, Vccp2>},
    {"ain1", Analog<&ChipInputs::ain1, Ain1>},
    {"ain2", Analog<&ChipInputs::ain2, Ain2>},
    {"temp_internal", Analog<&ChipInputs::temp_internal, TempInternal>},
    {"temp_ext1", Analog<&ChipInputs::temp_ext1, TempExt1>},
    {"temp_ext2", Analog<&ChipInputs::temp_ext2, TempExt2>},
    {"fan1_rpm", Analog<&ChipInputs::fan1_rpm, Fan1Rpm, true>},
    {"fan2_rpm", Analog<&ChipInputs::fan2_rpm, Fan2Rpm, true>},
    {"vid", Whole<&ChipInputs::vid, 0, 31>},
    {"chassis_intrusion", Flag<&ChipInputs::chassis_intrusion>},
};

// Merged over what the setup already holds: an entry's own keys override the scenario-wide chip.
constexpr Field<ChipSetup> kChipTable[] = {
    {"registers", ReadRegisters},
    {"inputs", Object<&ChipSetup::inputs, kInputKeys>},
    {"noise", Real<&ChipSetup::noise, true>},
};

}  // namespace

const std::span<const Field<ChipSetup>> kChipKeys = kChipTable;

}  // namespace buslink::sim::scenario_format
