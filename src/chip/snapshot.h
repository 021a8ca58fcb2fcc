#pragma once

// Register snapshot files: every catalogue register of one chip, saved as JSON (restore_plan.h
// puts one back on a chip). Plain C++ so the window and the command line share it.
//
// A file looks like this (addresses and values are written as hex strings; a reader also takes
// plain JSON numbers):
//
//   { "program": "kelvran-eval", "version": "1.0.0", "time": "2026-12-06T01:02:03.456+01:00",
//     "medium": "SMBus", "chip_address": "0x2D",
//     "registers": [ { "address": "0x13", "caption": "Int. Temp. Trip", "value": "0x64" }, ... ] }
//
// "medium" is "SMBus" or "printer port"; a printer-port snapshot also carries "port_base", an
// SMBus one the I2C "adapter" when it is known ("/dev/i2c-7, CP2112 SMBus Bridge").

#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "notation/hex.h"

namespace chip {

// Where the chip sat when the snapshot was taken.
struct ChipPlace {
  std::string medium;  // "SMBus" or "printer port"
  // The 7-bit address, as the wizard shows it, on either medium (the board's wiring takes the
  // 8-bit form, twice this, but that is the bus component's business).
  int chip_address = 0;
  std::optional<int> port_base;  // printer port only
  std::string adapter = {};      // SMBus: "/dev/i2c-7, CP2112 SMBus Bridge"; empty when unknown
  friend bool operator==(const ChipPlace&, const ChipPlace&) = default;
};

struct SavedRegister {
  std::uint8_t address = 0;
  std::string caption;
  std::uint8_t value = 0;
};

struct Snapshot {
  std::string version;  // of the program that wrote it
  std::string time;     // ISO 8601
  ChipPlace place;
  std::vector<SavedRegister> registers;  // address order, each catalogue address at most once
};

// A file that is not a snapshot; what() names what is wrong ("registers[3].value: 256 is not a
// register value (0..255)").
class SnapshotError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Reads every catalogue register in address order through read(address).
Snapshot TakeSnapshot(const std::function<std::uint8_t(std::uint8_t)>& read, std::string version,
                      std::string time, ChipPlace place);

std::string FormatSnapshot(const Snapshot& snapshot);
// Throws SnapshotError: not JSON, not an object, a missing or mistyped field, an address that is
// not in the catalogue or comes twice, a value outside 0..255.
Snapshot ParseSnapshot(std::string_view text);

// "" when the snapshot came from this place, otherwise a sentence for the user saying where it
// came from. An adapter that only one of the two names does not make the places differ.
std::string PlaceNote(const ChipPlace& saved, const ChipPlace& here);

// "0x2D": how addresses and values are written in the files, as everywhere else.
using notation::HexByte;

}  // namespace chip
