#pragma once

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
};

std::string_view ErrorCodeName(ErrorCode code);

// Every failing operation of the bus access component throws this: a code for programs and a
// message that tells a person what to do about it.
class BusError : public std::runtime_error {
 public:
  BusError(ErrorCode code, const std::string& message) : std::runtime_error(message), code_(code) {}
  ErrorCode code() const { return code_; }

 private:
  ErrorCode code_;
};

}  // namespace buslink
