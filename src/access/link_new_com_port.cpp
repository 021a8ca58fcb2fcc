#include "access/link_new_com_port.h"

#include <cstdint>
#include <string>

namespace devaccess {

namespace {

std::uint8_t ToByte(std::int16_t value, const char* what) {
  if (value < 0 || value > 255) {
    throw OverflowError("Overflow: " + std::string(what) + " " + std::to_string(value) +
                        " does not fit in a byte (0..255)");
  }
  return static_cast<std::uint8_t>(value);
}

// The board may share its port with other boards, so the base address goes to the device object
// before every transfer, never just once.
buslink::ParallelDevice& PointDeviceAtPort(Declarations& d) {
  buslink::ParallelDevice& device = d.EnsureBusLink().GetParallelPorts().Device();
  device.SetBaseAddress(d.pp_base_address);
  return d.bus_link->GetParallelPorts().Device();
}

}  // namespace

void ReadRegister(Declarations& d) {
  buslink::BusLink& link = d.EnsureBusLink();
  if (MediumOf(d.comms_medium) == buslink::BusMedium::PrinterPort) {
    buslink::ParallelDevice& device = PointDeviceAtPort(d);
    const std::uint8_t reg = ToByte(d.reg_address, "register address");
    const std::uint8_t dev = ToByte(d.device_address, "device address");
    d.value_read = device.ReadByte(dev, reg);
  } else {
    buslink::SMBusDevice& smbus = link.SMBus();
    const std::uint8_t reg = ToByte(d.reg_address, "register address");
    const std::uint8_t dev = ToByte(d.device_address, "device address");
    d.value_read = smbus.ReadByte(dev, reg);
  }
}

void WriteRegister(Declarations& d) {
  std::uint8_t value = ToByte(d.value_to_write, "value to write");
  std::uint8_t reg = ToByte(d.reg_address, "register address");
  buslink::BusLink& link = d.EnsureBusLink();
  if (MediumOf(d.comms_medium) == buslink::BusMedium::PrinterPort) {
    buslink::ParallelDevice& device = PointDeviceAtPort(d);
    const std::uint8_t dev = ToByte(d.device_address, "device address");
    device.WriteByte(dev, reg, value);
  } else {
    buslink::SMBusDevice& smbus = link.SMBus();
    const std::uint8_t dev = ToByte(d.device_address, "device address");
    smbus.WriteByte(dev, reg, value);
  }
}

}  // namespace devaccess
