#pragma once

#include <string>

#include "chip/register_catalogue.h"

namespace cli {

// "0x40  Configuration 1      0x03  00000011  START, INT Enable": one line of dump and get. A
// register with a meaning (chip::RegisterMeaning) shows it in place of the plain bit names:
// "0x24  12V                   0xC0  11000000  +12V reading 12.047 V".
std::string RegisterLine(const chip::RegisterEntry& r, int value, const std::string& meaning = {});

}  // namespace cli
