#pragma once

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>

// One write to the chip, read back: what the register stores after it must be what was written.
namespace chip {

using RegisterRead = std::function<std::uint8_t(std::uint8_t address)>;
using RegisterWrite = std::function<void(std::uint8_t address, std::uint8_t value)>;

// The register did not keep what was written. what() says "0x43 (INT Mask 1) holds 0x01 after
// 0x0F was written to it".
class ReadBackError : public std::runtime_error {
 public:
  ReadBackError(std::uint8_t address, std::uint8_t written, std::uint8_t read);
  std::uint8_t address() const { return address_; }
  std::uint8_t written() const { return written_; }
  std::uint8_t read() const { return read_; }

 private:
  std::uint8_t address_, written_, read_;
};

// Writes value, reads the register back and returns what it holds. Throws ReadBackError when the
// bits the register stores differ; a write that resets the chip (RESET, Initialisation) is not
// compared, as the register then holds its power-on value. The bus's own errors pass through.
std::uint8_t WriteAndReadBack(std::uint8_t address, std::uint8_t value, const RegisterRead& read,
                              const RegisterWrite& write);

// "0x43 (INT Mask 1)": a register as messages name it.
std::string RegisterName(std::uint8_t address);

}  // namespace chip
