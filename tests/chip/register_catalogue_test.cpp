#include "chip/register_catalogue.h"

#include "buslink/sim/chip.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

using chip::BitNameSet;

// Labels 1..50 each name one register, in order, and no two the same register: the Read/Write
// tab builds one label per entry and every transfer goes to the entry's address.
TEST(RegisterCatalogue, IndicesRunOneToFiftyOverDistinctAddresses) {
  std::set<int> addresses;
  int expected_index = 1;
  for (const chip::RegisterEntry& entry : chip::AllRegisters()) {
    EXPECT_EQ(entry.index, expected_index++);
    EXPECT_EQ(chip::LookupRegister(entry.index), &entry);
    EXPECT_TRUE(addresses.insert(entry.address).second) << entry.index;
    EXPECT_FALSE(entry.caption.empty()) << entry.index;
  }
  EXPECT_EQ(expected_index, 51);
  for (int outside : {-1, 0, 51}) EXPECT_EQ(chip::LookupRegister(outside), nullptr);
}

// Spot rows where a slip would go unnoticed on screen: look-alike captions, odd spacing, the
// registers with their own bit names, and one of each panel.
TEST(RegisterCatalogue, SpotRows) {
  const struct {
    int index;
    int address;
    const char* caption;
    BitNameSet set;
    const char* panel;
  } rows[] = {
      {2, 0x14, "Ext. Temp.Trip ", BitNameSet::A, "Limits"},
      {4, 0x16, "Channel Mode", BitNameSet::B, "Other Settings"},
      {19, 0x29, "FAN2/AIN1 ", BitNameSet::A, "Measured"},
      {37, 0x3C, "AIN/Fan2 High", BitNameSet::A, "Limits"},
      {39, 0x3F, "Revision", BitNameSet::K, "Measured"},
      {40, 0x40, "Configuration 1", BitNameSet::C, "Other Settings"},
      {46, 0x47, "VID 0-3/Fan Divisor", BitNameSet::H, "Measured"},
      {50, 0x4D, "INT Status Mirror 2", BitNameSet::E, "Measured"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE("index " + std::to_string(row.index));
    const chip::RegisterEntry* entry = chip::LookupRegister(row.index);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->address, row.address);
    EXPECT_EQ(entry->caption, row.caption);
    EXPECT_EQ(entry->bit_names, row.set);
    EXPECT_EQ(chip::PanelCaption(entry->panel), row.panel);
  }
}

// The bit names of the registers whose bits the user acts on.
TEST(RegisterCatalogue, BitNamesOfTheControlRegisters) {
  EXPECT_EQ(chip::BitNamesOf(BitNameSet::C),
            (chip::BitNames{"START", "INT Enable", "THERM Enable", "INT Clear", "RESET", "Reserved",
                            "THERM CLR", "Initialisation"}));
  EXPECT_EQ(chip::BitNamesOf(BitNameSet::H),
            (chip::BitNames{"VID", "VID", "VID", "VID", "FAN1 Divisor", "FAN1 Divisor.",
                            "FAN2 Divisor", "FAN2 Divisor"}));
  EXPECT_EQ(chip::BitNamesOf(BitNameSet::A)[7], "Bit 7");
}

}  // namespace

namespace chip {
namespace {

// The terminal program refuses writes by this list; the simulated chip ignores them by its own.
TEST(RegisterCatalogue, ReadOnlyRegistersAgreeWithTheSimulatedChip) {
  for (const RegisterEntry& r : AllRegisters()) {
    EXPECT_EQ(IsReadOnly(r.address), buslink::sim::Chip::IsReadOnly(r.address)) << r.caption;
  }
}

}  // namespace
}  // namespace chip
