#pragma once

#include <stdexcept>

#include "access/declarations.h"

namespace devaccess {

// A register address, device address or value outside 0..255 at the moment of a transfer.
class OverflowError : public std::overflow_error {
 public:
  using std::overflow_error::overflow_error;
};

// Reads register d.reg_address of the chosen chip into d.value_read (0..255).
void ReadRegister(Declarations& d);
// Writes d.value_to_write to register d.reg_address; leaves d.value_read alone.
void WriteRegister(Declarations& d);

// Sets reg_address, reads, and returns value_read: the usual mailbox steps in one call.
inline int ReadAt(Declarations& d, int reg) {
  d.reg_address = static_cast<std::int16_t>(reg);
  ReadRegister(d);
  return d.value_read;
}
inline void WriteAt(Declarations& d, int reg, int value) {
  d.reg_address = static_cast<std::int16_t>(reg);
  d.value_to_write = static_cast<std::int16_t>(value);
  WriteRegister(d);
}

}  // namespace devaccess
