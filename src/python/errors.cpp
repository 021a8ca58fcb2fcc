#include "python/errors.h"

#include <cerrno>

#include <pybind11/stl.h>

#include "files/file_text.h"

namespace py = pybind11;

namespace pykelvran {

namespace {

// The operating system's nearest error number, so `except OSError` code can tell them apart.
int ErrnoOf(buslink::ErrorCode code) {
  using enum buslink::ErrorCode;
  switch (code) {
    case Nack:
      return EREMOTEIO;
    case Timeout:
      return ETIMEDOUT;
    case NoDevice:
      return ENOENT;
    case PermissionDenied:
      return EACCES;
    case ModuleMissing:
    case NoAdapter:
    case AdapterGone:
      return ENODEV;
    case BadPort:
      return ENXIO;
    case Io:
      break;
  }
  return EIO;
}

py::object ErrorClass(const char* name) {
  return py::module_::import("kelvran._errors").attr(name);
}

void Raise(const char* name, py::object error) {
  PyErr_SetObject(ErrorClass(name).ptr(), error.ptr());
}

py::object OrNone(const std::optional<int>& value) {
  return value ? py::object(py::int_(*value)) : py::object(py::none());
}

}  // namespace

BusFailure::BusFailure(const std::string& message, buslink::ErrorCode code_in,
                       std::optional<int> reg_in, std::string operation_in)
    : std::runtime_error(files::PlainText(message)),
      code(code_in),
      reg(reg_in),
      operation(std::move(operation_in)) {}

BusFailure FailureOf(const buslink::BusError& e, const cli::Found& where) {
  if (!e.context()) return BusFailure(e.what(), e.code(), std::nullopt, "");
  const buslink::TransferContext& c = *e.context();
  return BusFailure(cli::DescribeFailure(e, where), e.code(), c.reg,
                    c.operation == buslink::TransferContext::Operation::Write ? "write" : "read");
}

void RegisterErrorTranslation() {
  py::register_exception_translator([](std::exception_ptr p) {
    try {
      if (p) std::rethrow_exception(p);
    } catch (const BusFailure& e) {
      Raise("BusError", ErrorClass("BusError")(
                            ErrnoOf(e.code), e.what(), OrNone(e.reg),
                            e.operation.empty() ? py::object(py::none()) : py::str(e.operation),
                            std::string(buslink::ErrorCodeName(e.code))));
    } catch (const WriteFailure& e) {
      Raise("WriteError",
            ErrorClass("WriteError")(e.what(), e.reg, e.written,
                                     OrNone(e.read < 0 ? std::nullopt : std::optional(e.read))));
    } catch (const FileFailure& e) {
      Raise("FileError", ErrorClass("FileError")(e.err_no, files::PlainText(e.what()), e.path));
    } catch (const NoChip& e) {
      Raise("NoChipError", ErrorClass("NoChipError")(e.what(), e.reasons));
    } catch (const ArgumentError& e) {
      PyErr_SetString(PyExc_ValueError, e.what());
    }
  });
}

}  // namespace pykelvran
