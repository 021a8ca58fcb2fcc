#include "access/chip_place.h"

namespace devaccess {

chip::ChipPlace PlaceOf(const Declarations& d) {
  // The wizard's form of the address: the printer port takes the 8-bit one on the wire.
  if (d.OnPrinterPort()) return {"printer port", d.device_address / 2, d.pp_base_address};
  return {"SMBus", d.device_address, std::nullopt, d.adapter};
}

}  // namespace devaccess
