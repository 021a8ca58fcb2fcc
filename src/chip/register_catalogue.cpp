#include "chip/register_catalogue.h"

namespace chip {

namespace {

using S = BitNameSet;
using P = RegisterPanel;

constexpr BitNames kPlain = {"Bit 0", "Bit 1", "Bit 2", "Bit 3",
                             "Bit 4", "Bit 5", "Bit 6", "Bit 7"};
constexpr BitNames kChannelMode = {"Fan1/AIN1", "FAN2/AIN2", "2.5V,Vccp/D2", "Int Vcc",
                                   "IRQ0 EN",   "IRQ1EN",    "IRQ2EN",       "VID/IRQ"};
constexpr BitNames kConfiguration1 = {"START", "INT Enable", "THERM Enable", "INT Clear",
                                      "RESET", "Reserved",   "THERM CLR",    "Initialisation"};
// Status and mask 1 name the same channels bit for bit.
constexpr BitNames kStatus1 = {"2.5V/ExtTemp", "Vccp1",      "Vcc",       "5V",
                               "Int. Temp.",   "Ext. Temp.", "FAN1/AIN1", "FAN2/AIN2"};
constexpr BitNames kStatus2 = {"12V",     "Vccp2",      "Reserved", "Reserved",
                               "Chassis", "Therm. INT", "D1 Fault", "D2 Fault"};
constexpr BitNames kMask2 = {"12V",     "Vccp2",  "Reserved", "Reserved",
                             "Chassis", "Therm.", "D1 Fault", "D2 Fault"};
constexpr BitNames kVidFanDivisor = {
    "VID", "VID", "VID", "VID", "FAN1 Divisor", "FAN1 Divisor.", "FAN2 Divisor", "FAN2 Divisor"};
constexpr BitNames kVid4 = {"VID 4",    "Reserved", "Reserved", "Reserved",
                            "Reserved", "Reserved", "Reserved", "Reserved"};
constexpr BitNames kConfiguration2 = {"Thrm.INTmask",   "Amb.Temp/fan", "Remote Temp/fan",
                                      "THERM INT mode", "Reserved",     "Reserved",
                                      "IRQ3 EN",        "IRQ4 EN"};
constexpr BitNames kRevision = {"Bit 0",    "Bit 1",    "Bit 2",    "Bit 3",
                                "Reserved", "Reserved", "Reserved", "Reserved"};

// Captions and descriptions are shown as they stand, trailing blanks included.
constexpr RegisterEntry kCatalogue[kRegisterCount] = {
    {1, 0x13, "Int. Temp. Trip", "Internal Temp. Hardware Trip Point", S::A, P::Limits},
    {2, 0x14, "Ext. Temp.Trip ", "External Temp. Hardware Trip Point", S::A, P::Limits},
    {3, 0x15, "Test Register", "Test Register", S::A, P::OtherSettings},
    {4, 0x16, "Channel Mode", "Channel Mode", S::B, P::OtherSettings},
    {5, 0x17, "Int. Temp. Trip", "Internal temp. hardware trip.", S::A, P::Limits},
    {6, 0x18, "Ext. Temp.Trip ", "External temp. hardware trip.", S::A, P::Limits},
    {7, 0x19, "Analog Output", "Analog output", S::A, P::OtherSettings},
    {8, 0x1A, "AIN1 Low Limit", "AIN1 low limit", S::A, P::Limits},
    {9, 0x1B, "AIN2 Low Limit", "AIN2 low limit", S::A, P::Limits},
    {10, 0x20, "2.5V/Ext.Temp 2 ", "2.5V Measured", S::A, P::Measured},
    {11, 0x21, "Vccp1 ", "Vccp1 Measured", S::A, P::Measured},
    {12, 0x22, "Vcc ", "Vcc Measured", S::A, P::Measured},
    {13, 0x23, "5V ", "5V Measured", S::A, P::Measured},
    {14, 0x24, "12V ", "12V Measured", S::A, P::Measured},
    {15, 0x25, "Vccp2", "Vccp2 Measured", S::A, P::Measured},
    {16, 0x26, "Ext. Temp. ", "External Temp. Measured", S::A, P::Measured},
    {17, 0x27, "Int. Temp. ", "Internal Temp. Measured", S::A, P::Measured},
    {18, 0x28, "FAN1/AIN1 ", "FAN1/AIN1 Measured", S::A, P::Measured},
    {19, 0x29, "FAN2/AIN1 ", "FAN2/AIN2 Measured", S::A, P::Measured},
    {20, 0x2B, "2.5V/Ext.Temp. High", "2.5V/External Temp. High Limit", S::A, P::Limits},
    {21, 0x2C, "2.5V/Ext.Temp. Low", "2.5V/External Temp. Low Limit", S::A, P::Limits},
    {22, 0x2D, "Vccp1 High", "Vccp1 High Limit", S::A, P::Limits},
    {23, 0x2E, "Vccp1 Low", "Vccp1 Low Limit", S::A, P::Limits},
    {24, 0x2F, "Vcc High", "Vcc High Limit", S::A, P::Limits},
    {25, 0x30, "Vcc Low", "Vcc Low Limit", S::A, P::Limits},
    {26, 0x31, "5V High", "5V High Limit", S::A, P::Limits},
    {27, 0x32, "5V Low", "5V Low Limit", S::A, P::Limits},
    {28, 0x33, "12V High", "12V High Limit", S::A, P::Limits},
    {29, 0x34, "12V Low", "12V Low Limit", S::A, P::Limits},
    {30, 0x35, "Vccp2 High", "Vccp2 High Limit", S::A, P::Limits},
    {31, 0x36, "Vccp2 Low", "Vccp2 Low Limit", S::A, P::Limits},
    {32, 0x37, "Ext.Temp High", "External Temp. High Limit", S::A, P::Limits},
    {33, 0x38, "Ext.Temp.Low", "External Temp. Low Limit", S::A, P::Limits},
    {34, 0x39, "Int.Temp.High", "Internal Temp. High Limit", S::A, P::Limits},
    {35, 0x3A, "Int.Temp.Low", "Internal Temp. Low Limit", S::A, P::Limits},
    {36, 0x3B, "AIN1/Fan1 High", "AIN1/FAN1 High Limit", S::A, P::Limits},
    {37, 0x3C, "AIN/Fan2 High", "AIN2/FAN2 High Limit", S::A, P::Limits},
    {38, 0x3E, "Company ID", "Company ID", S::A, P::Measured},
    {39, 0x3F, "Revision", "Revision Number", S::K, P::Measured},
    {40, 0x40, "Configuration 1", "Configuration register 1", S::C, P::OtherSettings},
    {41, 0x41, "INT Status 1", "INT status register 1", S::D, P::Measured},
    {42, 0x42, "INT Status 2", "INT status register 2", S::E, P::Measured},
    {43, 0x43, "INT Mask 1", "INT mask register 1", S::F, P::OtherSettings},
    {44, 0x44, "INT Mask 2", "INT mask register 2", S::G, P::OtherSettings},
    {45, 0x46, "Chassis Clear", "Chassis Intrusion clear register ", S::A, P::OtherSettings},
    {46, 0x47, "VID 0-3/Fan Divisor", "VID 0-3/Fan Divisor register 1", S::H, P::Measured},
    {47, 0x49, "VID 4", "VID 4 register 2", S::I, P::Measured},
    {48, 0x4A, "Configuration 2", "Configuration register 2", S::J, P::OtherSettings},
    {49, 0x4C, "INT Status Mirror 1", "INT status mirror 1", S::D, P::Measured},
    {50, 0x4D, "INT Status Mirror 2", "INT status mirror 2", S::E, P::Measured},
};

}  // namespace

bool IsReadOnly(int address) {
  switch (address) {
    case reg::kCompanyId:
    case reg::kRevision:
    case reg::kIntStatus1:
    case reg::kIntStatus2:
    case reg::kIntStatusMirror1:
    case reg::kIntStatusMirror2:
      return true;
    default:
      return address >= reg::kV25 && address <= reg::kFan2Ain2;
  }
}

const BitNames& BitNamesOf(BitNameSet set) {
  switch (set) {
    case S::A:
      return kPlain;
    case S::B:
      return kChannelMode;
    case S::C:
      return kConfiguration1;
    case S::D:
    case S::F:
      return kStatus1;
    case S::E:
      return kStatus2;
    case S::G:
      return kMask2;
    case S::H:
      return kVidFanDivisor;
    case S::I:
      return kVid4;
    case S::J:
      return kConfiguration2;
    case S::K:
      return kRevision;
  }
  return kPlain;
}

std::string_view PanelCaption(RegisterPanel panel) {
  switch (panel) {
    case P::Measured:
      return "Measured";
    case P::Limits:
      return "Limits";
    case P::OtherSettings:
      return "Other Settings";
  }
  return "";
}

const RegisterEntry* LookupRegister(int index) {
  if (index < 1 || index > kRegisterCount) return nullptr;
  return &kCatalogue[index - 1];
}

std::span<const RegisterEntry> AllRegisters() {
  return kCatalogue;
}

}  // namespace chip
