#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include <pybind11/pybind11.h>

#include "buslink/bus_error.h"
#include "cli/session.h"

// The module's errors on their way to Python: each becomes the kelvran exception of the same
// meaning (kelvran/_errors.py), carrying what failed as attributes.
namespace pykelvran {

// kelvran.BusError: a transfer failed.
class BusFailure : public std::runtime_error {
 public:
  BusFailure(const std::string& message, buslink::ErrorCode code, std::optional<int> reg,
             std::string operation);
  buslink::ErrorCode code;
  std::optional<int> reg;
  std::string operation;  // "read", "write" or "" when no register transfer failed
};

// kelvran.WriteError: the register did not keep what was written.
class WriteFailure : public std::runtime_error {
 public:
  WriteFailure(const std::string& message, int reg_in, int written_in, int read_in)
      : std::runtime_error(message), reg(reg_in), written(written_in), read(read_in) {}
  int reg, written, read;  // read is -1 when a restore stopped before reading it back
};

// kelvran.FileError: a file that cannot be read or written, or is not what it should be.
class FileFailure : public std::runtime_error {
 public:
  FileFailure(const std::string& message, std::string path_in, int err_no_in = 0)
      : std::runtime_error(message), path(std::move(path_in)), err_no(err_no_in) {}
  std::string path;
  int err_no;
};

// kelvran.NoChipError: nothing answered where the search looked.
class NoChip : public std::runtime_error {
 public:
  NoChip(const std::string& message, std::vector<std::string> reasons_in)
      : std::runtime_error(message), reasons(std::move(reasons_in)) {}
  std::vector<std::string> reasons;
};

// ValueError: an argument the module refuses before anything reaches the bus.
class ArgumentError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A failed transfer of the chip at `where`, in the words the programs use.
BusFailure FailureOf(const buslink::BusError& e, const cli::Found& where);

// Hands the errors above to Python as kelvran's exceptions.
void RegisterErrorTranslation();

}  // namespace pykelvran
