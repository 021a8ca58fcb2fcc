#include "buslink/linux/linux_errors.h"
#include "notation/hex.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace buslink::linux_hw {

namespace {

const char* ModuleOf(NodeKind kind) {
  return kind == NodeKind::I2c ? "i2c-dev" : "ppdev";
}
const char* UsualGroup(NodeKind kind) {
  return kind == NodeKind::I2c ? "i2c" : "lp";
}

std::string PermissionAdvice(NodeKind kind, const std::string& node, const NodeAccess& access) {
  const std::string rule =
      "install the udev rule from /usr/share/doc/kelvran-eval/linux-permissions.md";
  const std::string group =
      access.group.empty() || access.group == "root" ? std::string(UsualGroup(kind)) : access.group;
  const std::string head = "permission denied on " + node + ": ";
  if (access.session_has_group) {
    return head + "you are in its group " + group +
           " but the node does not let the group read and write it; " + rule;
  }
  if (access.user_listed_in_group) {
    return head + "you were added to the " + group +
           " group after this session started; log out and in again";
  }
  if (access.group.empty() || access.group == "root") {
    return head + "the node belongs to root only; " + rule + " (it gives the node to the " + group +
           " group), then add your user to that group";
  }
  return head + "add your user to the " + group + " group (sudo usermod -aG " + group +
         " $USER, then log in again) or " + rule;
}

}  // namespace

BusError OpenError(NodeKind kind, const std::string& node, int err, const NodeAccess& access) {
  switch (err) {
    case EACCES:
    case EPERM:
      return BusError(ErrorCode::PermissionDenied, PermissionAdvice(kind, node, access));
    case ENOENT:
      return BusError(ErrorCode::NoDevice, node + " does not exist: load the " + ModuleOf(kind) +
                                               " module (sudo modprobe " + ModuleOf(kind) +
                                               ") and search again");
    case ENXIO:
    case ENODEV:
      return BusError(ErrorCode::NoDevice,
                      node + " exists but the kernel has no " +
                          (kind == NodeKind::I2c ? "adapter" : "printer port") +
                          " behind it any more; search again");
    default:
      return BusError(ErrorCode::Io, "cannot open " + node + ": " + std::strerror(err));
  }
}

BusError SmbusTransferError(const std::string& adapter, std::uint8_t device, int err) {
  const std::string where = notation::HexByte(device) + " on " + adapter;
  switch (err) {
    case ENXIO:
    case EREMOTEIO:
    case ENODEV:  // some adapter drivers (i2c-stub among them) say this where nothing answers
      return BusError(ErrorCode::Nack, "no device acknowledged address " + where +
                                           ": check that the chip is powered and set to this "
                                           "address");
    case ETIMEDOUT:
      return BusError(ErrorCode::Timeout,
                      "the SMBus did not answer in time at address " + where +
                          ": a device may be holding the bus; power the board off and on");
    case EBUSY:
      return BusError(ErrorCode::Io, "address " + where +
                                         " is in use by a kernel driver; unload that driver "
                                         "(see /sys/bus/i2c/devices) to reach the chip from here");
    case EAGAIN:
      return BusError(ErrorCode::Io,
                      "lost the SMBus to another master at address " + where + "; try again");
    case EOPNOTSUPP:
      return BusError(ErrorCode::Io, adapter +
                                         " cannot do SMBus byte-data transfers; choose the "
                                         "SMBus controller's adapter");
    case EINVAL:
      return BusError(ErrorCode::Io, "the kernel refused address " + where +
                                         ": SMBus addresses are 7-bit (0x00 to 0x7F)");
    default:
      return BusError(ErrorCode::Io,
                      "SMBus transfer at address " + where + " failed: " + std::strerror(err));
  }
}

BusError PortIoError(const std::string& node, const char* what, int err) {
  // ppdev answers this way once the port under an open node has been removed.
  if (err == ENODEV || err == ENXIO) {
    return BusError(ErrorCode::AdapterGone,
                    node +
                        " is gone: the printer port adapter was unplugged or its driver "
                        "unloaded?");
  }
  if (err == EBUSY) {
    return BusError(ErrorCode::Io, "cannot " + std::string(what) + " on " + node +
                                       ": another program or the printer driver holds the "
                                       "port; close it and search again");
  }
  return BusError(ErrorCode::Io,
                  "cannot " + std::string(what) + " on " + node + ": " + std::strerror(err));
}

}  // namespace buslink::linux_hw
