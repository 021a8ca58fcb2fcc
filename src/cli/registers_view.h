#pragma once

#include <string>

#include "access/declarations.h"
#include "chip/register_catalogue.h"

namespace cli {

// "0x40  Configuration 1      0x03  00000011  START, INT Enable": one line of dump and get. A
// register with a meaning (chip::RegisterMeaning) shows it in place of the plain bit names:
// "0x24  12V                   0xC0  11000000  +12V reading 12.047 V".
std::string RegisterLine(const chip::RegisterEntry& r, int value, const std::string& meaning = {});

// The register's line, with the meaning its byte has under the chip's Channel Mode now (read from
// the chip when the meaning depends on it).
std::string LineNow(devaccess::Declarations& d, const chip::RegisterEntry& r, int value);

}  // namespace cli
