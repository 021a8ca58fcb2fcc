// Writes read back: a register that does not keep what was written stops a write or a restore
// with the register, the value written and the value read.
#include "chip/register_write.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "chip/restore_plan.h"
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

// A register that drops a bit part way through a restore stops it there: the message names the
// register and what it holds, and lists the writes before it and those not made.
TEST(RegisterWrite, ARestoreStopsAtARegisterThatDidNotKeepItsValue) {
  FakeChip chip;
  chip.keeps[0x2E] = 0x0F;
  const std::vector<RestoreStep> steps = {
      {0x2B, "2.5V/Ext.Temp. High", 0xFF, 0x50, 0x50},
      {0x2E, "Vccp1 Low", 0x00, 0x60, 0x60},
      {0x43, "INT Mask 1", 0x00, 0x0F, 0x0F},
  };
  try {
    RunRestore(steps, chip.Reader(), chip.Writer());
    FAIL() << "no error";
  } catch (const RestoreError& e) {
    EXPECT_FALSE(e.bus_failed());
    EXPECT_EQ(e.Describe("SMBus at 0x2D"),
              "writing 0x2E (Vccp1 Low) of the chip at SMBus at 0x2D failed: 0x2E (Vccp1 Low) "
              "holds 0x00 after 0x60 was written to it\n"
              "already written: 0x2B 2.5V/Ext.Temp. High = 0x50\n"
              "not written: 0x2E Vccp1 Low, 0x43 INT Mask 1");
  }
  EXPECT_EQ(chip.writes, (std::vector<std::uint8_t>{0x2B, 0x2E}));
}

}  // namespace
}  // namespace chip
