#pragma once

#include "access/declarations.h"
#include "chip/snapshot.h"

namespace devaccess {

// Where the chip in use sits, as the files record it: the terminal program and the window write
// the same place.
chip::ChipPlace PlaceOf(const Declarations& d);

}  // namespace devaccess
