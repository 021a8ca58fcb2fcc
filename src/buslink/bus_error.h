#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace buslink {

// Why a bus operation failed. The short names appear in the bus trace ("ERR NACK").
enum class ErrorCode {
  Nack,              // no device acknowledged its address or a data byte
  Timeout,           // the bus did not answer in time (stuck line, clock held low)
  NoDevice,          // the /dev node does not exist
  PermissionDenied,  // the /dev node exists but may not be opened by this user
  ModuleMissing,     // the kernel module that provides the /dev nodes is not loaded
  NoAdapter,         // no SMBus adapter or printer port to talk to
  BadPort,           // a printer-port index or base address that does not exist
  Io,                // any other failure reported by the operating system
  AdapterGone,       // the adapter or port went away (a USB bridge unplugged, its driver unloaded)
};

std::string_view ErrorCodeName(ErrorCode code);

// What was being done when a transfer failed, so a caller can say "writing 0x2E of the chip at
// ..." without reading it back out of the message. The register transfer fills it in on its way
// out; the bus backends, which know none of it, leave it empty.
struct TransferContext {
  enum class Operation { Read, Write };
  Operation operation = Operation::Read;
  int reg = 0;
  bool printer_port = false;
  int device = 0;     // as addressed: 8-bit form on the printer port, 7-bit on the SMBus
  int port_base = 0;  // printer port only
};

// Every failing operation of the bus access component throws this: a code for programs and a
// message that tells a person what to do about it.
class BusError : public std::runtime_error {
 public:
  BusError(ErrorCode code, const std::string& message) : std::runtime_error(message), code_(code) {}
  ErrorCode code() const { return code_; }

  // Empty until a register transfer names what it was doing; the message stays as it is.
  const std::optional<TransferContext>& context() const { return context_; }
  void SetContext(const TransferContext& context) { context_ = context; }

 private:
  ErrorCode code_;
  std::optional<TransferContext> context_;
};

}  // namespace buslink
