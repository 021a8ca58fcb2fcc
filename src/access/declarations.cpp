#include "access/declarations.h"

#include <stdexcept>

namespace access {

buslink::BusLink& Declarations::EnsureBusLink() {
  if (!bus_link) {
    if (backend == nullptr) throw std::logic_error("no bus backend configured");
    bus_link = backend->CreateBusLink();
  }
  return *bus_link;
}

}  // namespace access
