#pragma once

#include <cstdint>
#include <string>

#include "buslink/bus_error.h"
#include "buslink/linux/system_calls.h"

// Errors of the Linux backends, worded so the user knows what to do next. Each takes the
// errno the kernel reported and the facts that decide the advice.
namespace buslink::linux_hw {

enum class NodeKind { I2c, Parport };

// Opening a /dev node failed.
BusError OpenError(NodeKind kind, const std::string& node, int err, const NodeAccess& access);

// An SMBus transfer (or choosing the slave address) failed; adapter names the node and adapter.
BusError SmbusTransferError(const std::string& adapter, std::uint8_t device, int err);

// A printer-port ioctl failed.
BusError PortIoError(const std::string& node, const char* what, int err);

}  // namespace buslink::linux_hw
