#include "buslink/bus_error.h"

namespace buslink {

std::string_view ErrorCodeName(ErrorCode code) {
  switch (code) {
    case ErrorCode::Nack:
      return "NACK";
    case ErrorCode::Timeout:
      return "TIMEOUT";
    case ErrorCode::NoDevice:
      return "NODEV";
    case ErrorCode::PermissionDenied:
      return "EACCES";
    case ErrorCode::ModuleMissing:
      return "NOMODULE";
    case ErrorCode::NoAdapter:
      return "NOADAPTER";
    case ErrorCode::BadPort:
      return "BADPORT";
    case ErrorCode::Io:
      return "EIO";
    case ErrorCode::AdapterGone:
      return "GONE";
  }
  return "EIO";
}

}  // namespace buslink
