// kelvran._core: the chip from Python, over the same libraries as the programs. The package
// around it (kelvran/__init__.py) documents the whole and adds the pure-Python parts.

#include <cstdio>

#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include "python/bench.h"
#include "python/chip_handle.h"
#include "python/errors.h"
#include "python/recording_columns.h"
#include "python/search.h"
#include "python/simulator.h"

namespace py = pybind11;
using pykelvran::ChipHandle;
using pykelvran::Filters;
using pykelvran::Simulator;

namespace {

// find()'s arguments as the command line's options of the same names, so they are read and
// refused as `kelvran detect` reads them.
Filters FiltersOf(const py::object& simulate, const py::object& bus, const py::object& medium,
                  const py::object& address, const py::object& port) {
  Filters f;
  const auto text = [](const py::object& o) { return py::str(o).cast<std::string>(); };
  if (py::isinstance<py::bool_>(simulate)) {
    if (simulate.cast<bool>()) f.options.emplace_back("--simulate");
  } else if (!simulate.is_none()) {
    f.options.push_back("--simulate=" + text(py::module_::import("os").attr("fspath")(simulate)));
  }
  if (!bus.is_none()) f.options.push_back("--bus=" + text(bus));
  if (!medium.is_none()) f.options.push_back("--medium=" + text(medium));
  if (!address.is_none()) {
    std::string written = text(address);
    if (py::isinstance<py::int_>(address)) {
      const long value = address.cast<long>();
      char hex[24];
      std::snprintf(hex, sizeof hex, value >= 0 ? "0x%02lX" : "%ld", value);
      written = hex;
    }
    f.options.push_back("--address=" + written);
  }
  if (!port.is_none()) f.options.push_back("--port=" + text(port));
  return f;
}

constexpr const char* kFindDoc = R"(Every chip that answers, as `kelvran detect` lists them.

simulate: None (this computer's buses), True (the built-in simulated bench) or a scenario
file's path. bus: an i2c adapter's number or part of its name; medium: "smbus" or "printer";
address: the 7-bit address (0x2D); port: a printer port's number. Each narrows the search as
the option of the same name does. Returns a list of Chip, possibly empty. Raises ValueError for
arguments the search refuses and FileError for a scenario file that cannot be used.)";

constexpr const char* kOpenDoc = R"(The first chip find() would list, with the same arguments.

Raises NoChipError, whose `reasons` say why nothing answered, when there is none.)";

}  // namespace

PYBIND11_MODULE(_core, m) {
  m.doc() = "The compiled part of the kelvran package; use the package itself.";
  pykelvran::RegisterErrorTranslation();

  py::class_<ChipHandle, std::shared_ptr<ChipHandle>>(m, "Chip", R"(One chip found on a bus.

Every read and write is one register transfer, through the same code as the kelvran programs.
The GIL is released during transfers. A Chip is safe to use from one thread at a time; chips
found on one computer (or one Simulator) take turns on its buses, so different chips may be used
from different threads. Use it as a context manager, or call close().)")
      .def_property_readonly("place", &ChipHandle::place,
                             "Where the chip sits, as `kelvran detect` prints it.")
      .def_property_readonly("company_id", &ChipHandle::company_id,
                             "The Company ID register, read now.")
      .def_property_readonly("revision", &ChipHandle::revision, "The Revision register, read now.")
      .def_property_readonly("channels", &ChipHandle::channels,
                             "The channels the Channel Mode register gives now, by the names "
                             "the window shows (\"+12V\", \"Fan 1\", \"External 1\").")
      .def("read", &ChipHandle::Read, py::arg("register"),
           R"(The register's value (0..255).

register: an address (0x40) or a register name in any case ("int mask 1"), as `kelvran get`
takes it. Raises ValueError for anything else and BusError when the transfer fails.)")
      .def("write", &ChipHandle::Write, py::arg("register"), py::arg("value"),
           R"(Writes value (0..255) and reads the register back; returns what it holds.

The library does not ask before writing: the caller decides. Raises ValueError for a read-only
register or a value outside 0..255 (nothing is written), WriteError when the register did not
keep the value, BusError when a transfer fails.)")
      .def("sample", &ChipHandle::Sample,
           "Reads every channel once, as `kelvran watch` does, and returns a Sample.")
      .def("snapshot", &ChipHandle::Snapshot,
           "Reads every register into a dict in the form of a snapshot file.")
      .def("save_snapshot", &ChipHandle::SaveSnapshot, py::arg("path"), py::kw_only(),
           py::arg("overwrite") = false,
           R"(Saves a snapshot file, as `kelvran snapshot save` and the window do.

A file that holds data is replaced only with overwrite=True (FileError otherwise), and only by a
whole new one.)")
      .def("restore", &ChipHandle::Restore, py::arg("snapshot"), py::kw_only(),
           py::arg("force") = false, py::arg("dry_run") = false,
           R"(Puts a snapshot back on the chip with the plan `kelvran snapshot restore` uses.

snapshot: a snapshot file's path or a dict from snapshot(). Only the registers that differ are
written, with START cleared meanwhile, each read back. Returns the plan's steps as dicts
(address, caption, before, value, role, text); dry_run=True returns them without writing. A
snapshot of another Company ID or Revision is refused with ValueError unless force=True. A
restore that stops part way raises WriteError or BusError saying what was and was not written.)")
      .def("close", &ChipHandle::Close, "Ends the use of the chip; later calls raise ValueError.")
      .def_property_readonly("closed", &ChipHandle::closed)
      .def("__enter__", [](std::shared_ptr<ChipHandle> self) { return self; })
      .def("__exit__", [](ChipHandle& self, const py::args&) { self.Close(); })
      .def("__repr__",
           [](const ChipHandle& self) { return "<kelvran.Chip at " + self.place() + ">"; });

  m.def(
      "find",
      [](const py::object& simulate, const py::object& bus, const py::object& medium,
         const py::object& address, const py::object& port) {
        return pykelvran::FindChips(pykelvran::OpenBench(
            pykelvran::ArgumentsOf(FiltersOf(simulate, bus, medium, address, port))));
      },
      kFindDoc, py::arg("simulate") = py::none(), py::arg("bus") = py::none(),
      py::arg("medium") = py::none(), py::arg("address") = py::none(),
      py::arg("port") = py::none());
  m.def(
      "open",
      [](const py::object& simulate, const py::object& bus, const py::object& medium,
         const py::object& address, const py::object& port) {
        return pykelvran::OpenChip(pykelvran::OpenBench(
            pykelvran::ArgumentsOf(FiltersOf(simulate, bus, medium, address, port))));
      },
      kOpenDoc, py::arg("simulate") = py::none(), py::arg("bus") = py::none(),
      py::arg("medium") = py::none(), py::arg("address") = py::none(),
      py::arg("port") = py::none());

  py::class_<Simulator>(m, "Simulator", R"(The simulated computer of `kelvran --simulate`.

scenario: a scenario file's path (docs/simulator.md), or None for the built-in bench. Every chip
found on it shares its clock, inputs, adapters and faults, so a test changes them while it holds
the chips.)")
      .def(py::init([](const py::object& scenario) {
             return std::make_unique<Simulator>(
                 scenario.is_none()
                     ? std::nullopt
                     : std::optional(py::str(py::module_::import("os").attr("fspath")(scenario))
                                         .cast<std::string>()));
           }),
           py::arg("scenario") = py::none())
      .def(
          "find",
          [](Simulator& self, const py::object& bus, const py::object& medium,
             const py::object& address, const py::object& port) {
            return self.Find(FiltersOf(py::none(), bus, medium, address, port));
          },
          "As kelvran.find(), on this computer.", py::arg("bus") = py::none(),
          py::arg("medium") = py::none(), py::arg("address") = py::none(),
          py::arg("port") = py::none())
      .def(
          "open",
          [](Simulator& self, const py::object& bus, const py::object& medium,
             const py::object& address, const py::object& port) {
            return self.Open(FiltersOf(py::none(), bus, medium, address, port));
          },
          "As kelvran.open(), on this computer.", py::arg("bus") = py::none(),
          py::arg("medium") = py::none(), py::arg("address") = py::none(),
          py::arg("port") = py::none())
      .def_property("time", &Simulator::time, &Simulator::set_time,
                    R"(Simulated seconds since the computer was made.

It follows the steady clock until set; from then on it stands where it was put, so a test reads
inputs that change with time at chosen moments without sleeping.)")
      .def("advance", &Simulator::Advance, py::arg("seconds"),
           "Moves the simulated time forward and holds it there.")
      .def("set_input", &Simulator::SetInput, py::arg("name"), py::arg("value"),
           R"(Sets an input of every chip, as the scenario format's `inputs` key of that name.

value: a number in the input's unit (V, degrees C, rpm), a shape as a dict ({"sine": {...}}),
an int for "vid", a bool for "chassis_intrusion". ValueError for what a scenario file refuses.)")
      .def("unplug", &Simulator::Unplug, py::arg("adapter"),
           "Pulls out the i2c adapter of that number: it is missing from the next search, and "
           "transfers on it fail as gone.")
      .def("plug", &Simulator::Plug, py::arg("adapter"), "Puts the adapter back.")
      .def(
          "add_fault", [](Simulator& self, const py::kwargs& fields) { self.AddFault(fields); },
          R"(Fails matching transfers, as an entry of the scenario format's `faults`.

Keywords: medium ("PP", "SMB"), op ("R", "W"), device, register, skip (transfers that pass
first), times (default: every one after), error ("NACK", "TIMEOUT").)")
      .def("clear_faults", &Simulator::ClearFaults, "Removes every fault.");

  m.def("_read_recording_columns", &pykelvran::ReadRecordingColumns, py::arg("path"),
        "The recording's rows as arrays (kelvran.read_recording makes the DataFrame).");
  m.attr("__version__") = KELVRAN_VERSION;
  // Shown as kelvran.Chip and kelvran.Simulator, where users find them.
  for (const char* name : {"Chip", "Simulator"}) m.attr(name).attr("__module__") = "kelvran";
}
