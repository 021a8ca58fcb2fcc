#include "chip/snapshot.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "chip/register_catalogue.h"

namespace chip {

namespace {

using nlohmann::json;

constexpr std::string_view kProgram = "kelvran-eval";

const RegisterEntry* CatalogueEntry(std::uint8_t address) {
  for (const RegisterEntry& entry : AllRegisters()) {
    if (entry.address == address) return &entry;
  }
  return nullptr;
}

std::vector<const RegisterEntry*> CatalogueByAddress() {
  std::vector<const RegisterEntry*> entries;
  for (const RegisterEntry& entry : AllRegisters()) entries.push_back(&entry);
  std::sort(entries.begin(), entries.end(),
            [](const auto* a, const auto* b) { return a->address < b->address; });
  return entries;
}

[[noreturn]] void Fail(const std::string& where, const std::string& what) {
  throw SnapshotError(where.empty() ? what : where + ": " + what);
}

const json& Field(const json& object, const std::string& path, const char* key) {
  const auto found = object.find(key);
  if (found == object.end()) Fail(path, std::string("the field \"") + key + "\" is missing");
  return *found;
}

std::string Text(const json& object, const std::string& path, const char* key) {
  const json& value = Field(object, path, key);
  const std::string where = path.empty() ? key : path + "." + key;
  if (!value.is_string()) Fail(where, "must be text");
  return value.get<std::string>();
}

// A JSON number or a text such as "0x2D" or "45"; whole and within 0..max.
int Number(const json& object, const std::string& path, const char* key, int max,
           const char* what) {
  const json& value = Field(object, path, key);
  const std::string where = path.empty() ? key : path + "." + key;
  long long number = 0;
  std::string shown;
  if (value.is_number_integer()) {
    number = value.get<long long>();
    shown = std::to_string(number);
  } else if (value.is_string()) {
    shown = value.get<std::string>();
    std::string_view text = shown;
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
      base = 16;
      text.remove_prefix(2);
    }
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number, base);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
      Fail(where, "\"" + shown + "\" is not a whole number");
    }
  } else {
    Fail(where, "must be a whole number or a text such as \"0x2D\"");
  }
  if (number < 0 || number > max) {
    Fail(where, shown + " is not " + what + " (0.." + std::to_string(max) + ")");
  }
  return static_cast<int>(number);
}

// Files written before snapshots held the 7-bit form gave a board on the printer port its
// 8-bit one (0x58, 0x5A, 0x5C): read as the 7-bit address of the same chip.
int SevenBitAddress(const ChipPlace& place) {
  const int a = place.chip_address;
  const bool board_form = a == 0x58 || a == 0x5A || a == 0x5C;
  return place.medium == "printer port" && board_form ? a / 2 : a;
}

}  // namespace

Snapshot TakeSnapshot(const std::function<std::uint8_t(std::uint8_t)>& read, std::string version,
                      std::string time, ChipPlace place) {
  Snapshot snapshot{std::move(version), std::move(time), std::move(place), {}};
  for (const RegisterEntry* entry : CatalogueByAddress()) {
    snapshot.registers.push_back(
        {entry->address, std::string(entry->caption), read(entry->address)});
  }
  return snapshot;
}

std::string FormatSnapshot(const Snapshot& snapshot) {
  json registers = json::array();
  for (const SavedRegister& r : snapshot.registers) {
    registers.push_back(
        {{"address", HexByte(r.address)}, {"caption", r.caption}, {"value", HexByte(r.value)}});
  }
  json file = {{"program", kProgram},
               {"version", snapshot.version},
               {"time", snapshot.time},
               {"medium", snapshot.place.medium},
               {"chip_address", HexByte(snapshot.place.chip_address)}};
  if (snapshot.place.port_base) file["port_base"] = HexByte(*snapshot.place.port_base);
  if (!snapshot.place.adapter.empty()) file["adapter"] = snapshot.place.adapter;
  file["registers"] = std::move(registers);
  return file.dump(2) + "\n";
}

Snapshot ParseSnapshot(std::string_view text) {
  json file;
  try {
    file = json::parse(text);
  } catch (const json::exception& e) {  // a syntax error, or a number too big for a double
    Fail("", std::string("not valid JSON (") + e.what() + ")");
  }
  if (!file.is_object()) Fail("", "not a register snapshot: the file must hold one JSON object");
  if (const auto program = file.find("program");
      program != file.end() && (!program->is_string() || *program != kProgram)) {
    Fail("program", "this is not a snapshot of " + std::string(kProgram));
  }
  Snapshot snapshot;
  snapshot.version = Text(file, "", "version");
  snapshot.time = Text(file, "", "time");
  snapshot.place.medium = Text(file, "", "medium");
  snapshot.place.chip_address = Number(file, "", "chip_address", 0xFF, "a chip address");
  snapshot.place.chip_address = SevenBitAddress(snapshot.place);
  if (file.contains("port_base")) {
    snapshot.place.port_base = Number(file, "", "port_base", 0xFFFF, "a port base address");
  }
  if (file.contains("adapter")) snapshot.place.adapter = Text(file, "", "adapter");
  const json& registers = Field(file, "", "registers");
  if (!registers.is_array()) Fail("registers", "must be a list");
  std::array<bool, 256> seen{};
  for (std::size_t i = 0; i < registers.size(); ++i) {
    const std::string path = "registers[" + std::to_string(i) + "]";
    const json& item = registers[i];
    if (!item.is_object()) Fail(path, "must be an object with address, caption and value");
    const auto address =
        static_cast<std::uint8_t>(Number(item, path, "address", 0xFF, "a register address"));
    if (CatalogueEntry(address) == nullptr) {
      Fail(path + ".address", HexByte(address) + " is not a register of the chip's catalogue");
    }
    if (seen[address]) Fail(path + ".address", HexByte(address) + " comes twice");
    seen[address] = true;
    SavedRegister saved;
    saved.address = address;
    saved.caption = Text(item, path, "caption");
    saved.value = static_cast<std::uint8_t>(Number(item, path, "value", 0xFF, "a register value"));
    snapshot.registers.push_back(std::move(saved));
  }
  std::sort(snapshot.registers.begin(), snapshot.registers.end(),
            [](const SavedRegister& a, const SavedRegister& b) { return a.address < b.address; });
  return snapshot;
}

std::string PlaceNote(const ChipPlace& saved, const ChipPlace& here) {
  const bool same_adapter =
      saved.adapter.empty() || here.adapter.empty() || saved.adapter == here.adapter;
  if (saved.medium == here.medium && saved.chip_address == here.chip_address &&
      saved.port_base == here.port_base && same_adapter) {
    return {};
  }
  std::string where = saved.medium + " at " + HexByte(saved.chip_address);
  if (saved.port_base) where += " on port " + HexByte(*saved.port_base);
  if (!saved.adapter.empty()) where += " on " + saved.adapter;
  return "This snapshot was taken from a chip on " + where +
         ", not from the chip in use; its values are restored all the same.";
}

}  // namespace chip
