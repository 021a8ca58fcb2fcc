#include "chip/register_catalogue.h"

#include "buslink/sim/chip.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using chip::BitNameSet;

struct Expected {
  int index;
  int address;
  const char* caption;
  const char* description;
  char set;
  const char* panel;
};

// Transcribed separately from the program's table: a slip in either shows up here.
constexpr Expected kExpected[] = {
    {1, 0x13, "Int. Temp. Trip", "Internal Temp. Hardware Trip Point", 'A', "Limits"},
    {2, 0x14, "Ext. Temp.Trip ", "External Temp. Hardware Trip Point", 'A', "Limits"},
    {3, 0x15, "Test Register", "Test Register", 'A', "Other Settings"},
    {4, 0x16, "Channel Mode", "Channel Mode", 'B', "Other Settings"},
    {5, 0x17, "Int. Temp. Trip", "Internal temp. hardware trip.", 'A', "Limits"},
    {6, 0x18, "Ext. Temp.Trip ", "External temp. hardware trip.", 'A', "Limits"},
    {7, 0x19, "Analog Output", "Analog output", 'A', "Other Settings"},
    {8, 0x1A, "AIN1 Low Limit", "AIN1 low limit", 'A', "Limits"},
    {9, 0x1B, "AIN2 Low Limit", "AIN2 low limit", 'A', "Limits"},
    {10, 0x20, "2.5V/Ext.Temp 2 ", "2.5V Measured", 'A', "Measured"},
    {11, 0x21, "Vccp1 ", "Vccp1 Measured", 'A', "Measured"},
    {12, 0x22, "Vcc ", "Vcc Measured", 'A', "Measured"},
    {13, 0x23, "5V ", "5V Measured", 'A', "Measured"},
    {14, 0x24, "12V ", "12V Measured", 'A', "Measured"},
    {15, 0x25, "Vccp2", "Vccp2 Measured", 'A', "Measured"},
    {16, 0x26, "Ext. Temp. ", "External Temp. Measured", 'A', "Measured"},
    {17, 0x27, "Int. Temp. ", "Internal Temp. Measured", 'A', "Measured"},
    {18, 0x28, "FAN1/AIN1 ", "FAN1/AIN1 Measured", 'A', "Measured"},
    {19, 0x29, "FAN2/AIN1 ", "FAN2/AIN2 Measured", 'A', "Measured"},
    {20, 0x2B, "2.5V/Ext.Temp. High", "2.5V/External Temp. High Limit", 'A', "Limits"},
    {21, 0x2C, "2.5V/Ext.Temp. Low", "2.5V/External Temp. Low Limit", 'A', "Limits"},
    {22, 0x2D, "Vccp1 High", "Vccp1 High Limit", 'A', "Limits"},
    {23, 0x2E, "Vccp1 Low", "Vccp1 Low Limit", 'A', "Limits"},
    {24, 0x2F, "Vcc High", "Vcc High Limit", 'A', "Limits"},
    {25, 0x30, "Vcc Low", "Vcc Low Limit", 'A', "Limits"},
    {26, 0x31, "5V High", "5V High Limit", 'A', "Limits"},
    {27, 0x32, "5V Low", "5V Low Limit", 'A', "Limits"},
    {28, 0x33, "12V High", "12V High Limit", 'A', "Limits"},
    {29, 0x34, "12V Low", "12V Low Limit", 'A', "Limits"},
    {30, 0x35, "Vccp2 High", "Vccp2 High Limit", 'A', "Limits"},
    {31, 0x36, "Vccp2 Low", "Vccp2 Low Limit", 'A', "Limits"},
    {32, 0x37, "Ext.Temp High", "External Temp. High Limit", 'A', "Limits"},
    {33, 0x38, "Ext.Temp.Low", "External Temp. Low Limit", 'A', "Limits"},
    {34, 0x39, "Int.Temp.High", "Internal Temp. High Limit", 'A', "Limits"},
    {35, 0x3A, "Int.Temp.Low", "Internal Temp. Low Limit", 'A', "Limits"},
    {36, 0x3B, "AIN1/Fan1 High", "AIN1/FAN1 High Limit", 'A', "Limits"},
    {37, 0x3C, "AIN/Fan2 High", "AIN2/FAN2 High Limit", 'A', "Limits"},
    {38, 0x3E, "Company ID", "Company ID", 'A', "Measured"},
    {39, 0x3F, "Revision", "Revision Number", 'K', "Measured"},
    {40, 0x40, "Configuration 1", "Configuration register 1", 'C', "Other Settings"},
    {41, 0x41, "INT Status 1", "INT status register 1", 'D', "Measured"},
    {42, 0x42, "INT Status 2", "INT status register 2", 'E', "Measured"},
    {43, 0x43, "INT Mask 1", "INT mask register 1", 'F', "Other Settings"},
    {44, 0x44, "INT Mask 2", "INT mask register 2", 'G', "Other Settings"},
    {45, 0x46, "Chassis Clear", "Chassis Intrusion clear register ", 'A', "Other Settings"},
    {46, 0x47, "VID 0-3/Fan Divisor", "VID 0-3/Fan Divisor register 1", 'H', "Measured"},
    {47, 0x49, "VID 4", "VID 4 register 2", 'I', "Measured"},
    {48, 0x4A, "Configuration 2", "Configuration register 2", 'J', "Other Settings"},
    {49, 0x4C, "INT Status Mirror 1", "INT status mirror 1", 'D', "Measured"},
    {50, 0x4D, "INT Status Mirror 2", "INT status mirror 2", 'E', "Measured"},
};

TEST(RegisterCatalogue, EveryEntryIsExactAndNoOtherIndexExists) {
  ASSERT_EQ(chip::AllRegisters().size(), std::size(kExpected));
  for (const Expected& e : kExpected) {
    SCOPED_TRACE("index " + std::to_string(e.index));
    const chip::RegisterEntry* entry = chip::LookupRegister(e.index);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->index, e.index);
    EXPECT_EQ(entry->address, e.address);
    EXPECT_EQ(entry->caption, e.caption);
    EXPECT_EQ(entry->description, e.description);
    EXPECT_EQ(static_cast<int>(entry->bit_names), e.set - 'A');
    EXPECT_EQ(chip::PanelCaption(entry->panel), e.panel);
  }
  EXPECT_EQ(chip::LookupRegister(0), nullptr);
  EXPECT_EQ(chip::LookupRegister(51), nullptr);
  EXPECT_EQ(chip::LookupRegister(-1), nullptr);
}

TEST(RegisterCatalogue, BitNameSets) {
  struct Row {
    BitNameSet set;
    chip::BitNames names;
  };
  const Row rows[] = {
      {BitNameSet::A, {"Bit 0", "Bit 1", "Bit 2", "Bit 3", "Bit 4", "Bit 5", "Bit 6", "Bit 7"}},
      {BitNameSet::B,
       {"Fan1/AIN1", "FAN2/AIN2", "2.5V,Vccp/D2", "Int Vcc", "IRQ0 EN", "IRQ1EN", "IRQ2EN",
        "VID/IRQ"}},
      {BitNameSet::C,
       {"START", "INT Enable", "THERM Enable", "INT Clear", "RESET", "Reserved", "THERM CLR",
        "Initialisation"}},
      {BitNameSet::D,
       {"2.5V/ExtTemp", "Vccp1", "Vcc", "5V", "Int. Temp.", "Ext. Temp.", "FAN1/AIN1",
        "FAN2/AIN2"}},
      {BitNameSet::E,
       {"12V", "Vccp2", "Reserved", "Reserved", "Chassis", "Therm. INT", "D1 Fault", "D2 Fault"}},
      {BitNameSet::F,
       {"2.5V/ExtTemp", "Vccp1", "Vcc", "5V", "Int. Temp.", "Ext. Temp.", "FAN1/AIN1",
        "FAN2/AIN2"}},
      {BitNameSet::G,
       {"12V", "Vccp2", "Reserved", "Reserved", "Chassis", "Therm.", "D1 Fault", "D2 Fault"}},
      {BitNameSet::H,
       {"VID", "VID", "VID", "VID", "FAN1 Divisor", "FAN1 Divisor.", "FAN2 Divisor",
        "FAN2 Divisor"}},
      {BitNameSet::I,
       {"VID 4", "Reserved", "Reserved", "Reserved", "Reserved", "Reserved", "Reserved",
        "Reserved"}},
      {BitNameSet::J,
       {"Thrm.INTmask", "Amb.Temp/fan", "Remote Temp/fan", "THERM INT mode", "Reserved", "Reserved",
        "IRQ3 EN", "IRQ4 EN"}},
      {BitNameSet::K,
       {"Bit 0", "Bit 1", "Bit 2", "Bit 3", "Reserved", "Reserved", "Reserved", "Reserved"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE("set " + std::string(1, static_cast<char>('A' + static_cast<int>(row.set))));
    EXPECT_EQ(chip::BitNamesOf(row.set), row.names);
  }
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
