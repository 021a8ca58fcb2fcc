#include "access/link_new_com_port.h"

#include <cstdint>
#include <string>

#include "buslink/bus_error.h"
#include "chip/register_catalogue.h"

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

void Read(Declarations& d) {
  buslink::BusLink& link = d.EnsureBusLink();
  if (d.OnPrinterPort()) {
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

void Write(Declarations& d) {
  std::uint8_t value = ToByte(d.value_to_write, "value to write");
  std::uint8_t reg = ToByte(d.reg_address, "register address");
  buslink::BusLink& link = d.EnsureBusLink();
  if (d.OnPrinterPort()) {
    buslink::ParallelDevice& device = PointDeviceAtPort(d);
    const std::uint8_t dev = ToByte(d.device_address, "device address");
    device.WriteByte(dev, reg, value);
  } else {
    buslink::SMBusDevice& smbus = link.SMBus();
    const std::uint8_t dev = ToByte(d.device_address, "device address");
    smbus.WriteByte(dev, reg, value);
  }
}

// Names the transfer in a failure on its way to the handler; the message stays as it was.
void NameTransfer(buslink::BusError& e, const Declarations& d,
                  buslink::TransferContext::Operation operation) {
  if (e.context()) return;
  buslink::TransferContext context;
  context.operation = operation;
  context.reg = d.reg_address;
  context.printer_port = d.OnPrinterPort();
  context.device = d.device_address;
  context.port_base = d.pp_base_address;
  e.SetContext(context);
}

void Seen(Declarations& d, int reg, int value) {
  if (reg == chip::reg::kConfiguration1 && d.configuration1_seen) {
    d.configuration1_seen(static_cast<std::uint8_t>(value));
  }
}

}  // namespace

void ReadRegister(Declarations& d) {
  try {
    Read(d);
  } catch (buslink::BusError& e) {
    NameTransfer(e, d, buslink::TransferContext::Operation::Read);
    throw;
  }
  Seen(d, d.reg_address, d.value_read);
  // Reading a status register clears the bits it reported: they go to the chip's alarm store, so
  // every other reader still sees them when it next looks.
  if (d.reg_address == chip::reg::kIntStatus1) {
    d.alarm_store.Latch(static_cast<std::uint8_t>(d.value_read), 0);
  } else if (d.reg_address == chip::reg::kIntStatus2) {
    d.alarm_store.Latch(0, static_cast<std::uint8_t>(d.value_read));
  }
}

void WriteRegister(Declarations& d) {
  try {
    Write(d);
  } catch (buslink::BusError& e) {
    NameTransfer(e, d, buslink::TransferContext::Operation::Write);
    throw;
  }
  Seen(d, d.reg_address, d.value_to_write);
}

}  // namespace devaccess
