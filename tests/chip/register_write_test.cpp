// Writes read back: a register that does not keep what was written stops a write or a restore
// with the register, the value written and the value read.
#include "chip/register_write.h"

#include <gtest/gtest.h>

#include <array>

#include "support/register_file.h"
#include "support/thrown.h"

namespace chip {
namespace {

using FakeChip = kelvran_test::RegisterFile;

TEST(RegisterWrite, WhatTheRegisterStoresMustComeBack) {
  const struct {
    std::uint8_t address, value, keeps;
    bool kept;
  } cases[] = {
      {0x43, 0x0F, 0xFF, true},  {0x43, 0x0F, 0xF7, false},  // bit 3 lost
      {0x47, 0x5F, 0xF0, true},   // the VID pins read the socket, not the write
      {0x47, 0xDF, 0x70, false},  // a divisor bit lost
      {0x40, 0x99, 0x00, true},   // RESET: the register comes back at its power-on value
      {0x40, 0x09, 0xF7, false},  // INT Clear is kept as written, so it must come back
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(RegisterName(c.address) + " " + HexByte(c.value));
    FakeChip chip;
    chip.keeps[c.address] = c.keeps;
    const auto write = [&] {
      return WriteAndReadBack(c.address, c.value, chip.Reader(), chip.Writer());
    };
    if (c.kept) {
      EXPECT_EQ(write(), c.value & c.keeps);
    } else {
      EXPECT_EQ(kelvran_test::MessageOf<ReadBackError>(write),
                RegisterName(c.address) + " holds " + HexByte(c.value & c.keeps) + " after " +
                    HexByte(c.value) + " was written to it");
    }
  }
}

}  // namespace
}  // namespace chip
