#pragma once

#include "access/declarations.h"
#include "chip/snapshot.h"

namespace cli {

// Where the chip in use sits, as the files record it: the same place the window writes.
inline chip::ChipPlace PlaceOf(const devaccess::Declarations& d) {
  if (d.comms_medium == 1) return {"printer port", d.device_address, d.pp_base_address};
  return {"SMBus", d.device_address, std::nullopt, d.adapter};
}

}  // namespace cli
