#pragma once

#include <string>

#include "chip/register_catalogue.h"

namespace cli {

// "0x40  Configuration 1      0x03  00000011  START, INT Enable": one line of dump and get.
std::string RegisterLine(const chip::RegisterEntry& r, int value);

}  // namespace cli
