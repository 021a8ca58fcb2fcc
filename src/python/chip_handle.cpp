#include "python/chip_handle.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include <pybind11/stl.h>

#include "access/chip_place.h"
#include "access/link_new_com_port.h"
#include "chip/alarm_bits.h"
#include "chip/channels.h"
#include "chip/local_time.h"
#include "chip/register_access.h"
#include "chip/register_catalogue.h"
#include "chip/register_write.h"
#include "chip/restore_plan.h"
#include "chip/snapshot.h"
#include "cli/reg_value.h"
#include "files/file_replace.h"
#include "files/file_text.h"
#include "python/errors.h"

namespace py = pybind11;

namespace pykelvran {

namespace {

std::string Quoted(const py::handle& value) {
  return py::repr(value).cast<std::string>();
}

// An address (int) or a register name (str), as `kelvran get` takes it.
const chip::RegisterEntry& RegisterOf(const py::object& reg) {
  std::string text;
  if (py::isinstance<py::str>(reg)) {
    text = reg.cast<std::string>();
  } else if (py::isinstance<py::int_>(reg) && !py::isinstance<py::bool_>(reg)) {
    const long address = PyLong_AsLong(reg.ptr());
    if (PyErr_Occurred() != nullptr) PyErr_Clear();
    if (address < 0 || address > 0xFF) {
      throw ArgumentError("register " + Quoted(reg) + " is not an address from 0x00 to 0xFF");
    }
    char hex[8];
    std::snprintf(hex, sizeof hex, "0x%02lX", address);
    text = hex;
  } else {
    throw py::type_error("a register is an address (int) or a name (str), not " + Quoted(reg));
  }
  const cli::RegisterArg parsed = cli::ParseRegister(text);
  if (parsed.entry == nullptr) throw ArgumentError(parsed.error);
  return *parsed.entry;
}

const char* RoleName(chip::RestoreStep::Role role) {
  switch (role) {
    case chip::RestoreStep::Role::Pause:
      return "pause";
    case chip::RestoreStep::Role::Resume:
      return "resume";
    case chip::RestoreStep::Role::Restore:
      break;
  }
  return "restore";
}

// What one sample leaves for Python, copied while the bus lock is held.
struct Taken {
  std::vector<chip::ChannelReading> readings;
  std::vector<std::string_view> alarms;
  double unix_seconds = 0.0;
};

}  // namespace

ChipHandle::ChipHandle(std::shared_ptr<Bench> bench, const cli::Found& found)
    : bench_(std::move(bench)),
      found_(found),
      d_(std::make_unique<devaccess::Declarations>(&bench_->session.backend())) {
  cli::PointAt(*d_, found_);
  // The windows name the adapter only when the search covered several; the files always do.
  int searched = 0;
  for (const buslink::I2cAdapterInfo& adapter : bench_->session.adapters()) {
    searched += adapter.searched ? 1 : 0;
  }
  d_->several_adapters = found_.adapter && searched > 1;
  sampler_ = std::make_unique<chip::Sampler>([this](std::uint8_t a) { return ReadByte(a); },
                                             d_->alarm_store);
}

std::string ChipHandle::place() const {
  return cli::Describe(found_) + cli::OnAdapter(found_);
}

std::uint8_t ChipHandle::ReadByte(std::uint8_t address) {
  return static_cast<std::uint8_t>(devaccess::ReadAt(*d_, address));
}

template <typename F>
auto ChipHandle::OnBus(F&& f) {
  if (closed_) throw ArgumentError("the chip at " + place() + " is closed");
  const py::gil_scoped_release nogil;
  const std::lock_guard lock(bench_->bus);
  try {
    return f();
  } catch (const buslink::BusError& e) {
    throw FailureOf(e, found_);
  }
}

int ChipHandle::company_id() {
  return OnBus([this] { return ReadByte(chip::reg::kCompanyId); });
}

int ChipHandle::revision() {
  return OnBus([this] { return ReadByte(chip::reg::kRevision); });
}

py::list ChipHandle::channels() {
  const int mode = OnBus([this] { return ReadByte(chip::reg::kChannelMode); });
  py::list names;
  for (const chip::Channel* c : chip::ChannelsFor(mode)) names.append(py::str(c->caption));
  return names;
}

int ChipHandle::Read(const py::object& reg) {
  const chip::RegisterEntry& r = RegisterOf(reg);
  return OnBus([&] { return ReadByte(r.address); });
}

int ChipHandle::Write(const py::object& reg, int value) {
  const chip::RegisterEntry& r = RegisterOf(reg);
  if (chip::IsReadOnly(r.address)) {
    throw ArgumentError(chip::RegisterName(r.address) +
                        " is read-only: the chip ignores writes to it");
  }
  if (value < 0 || value > 0xFF) {
    throw ArgumentError("value " + std::to_string(value) + " does not fit in a register (0..255)");
  }
  const auto byte = static_cast<std::uint8_t>(value);
  return OnBus([&] {
    try {
      return static_cast<int>(chip::WriteAndReadBack(
          r.address, byte, [this](std::uint8_t a) { return ReadByte(a); },
          [this](std::uint8_t a, std::uint8_t v) { devaccess::WriteAt(*d_, a, v); }));
    } catch (const chip::ReadBackError& e) {
      throw WriteFailure(
          "the chip at " + cli::Describe(found_) + " did not keep the write: " + e.what(),
          e.address(), e.written(), e.read());
    }
  });
}

py::object ChipHandle::Sample() {
  const Taken taken = OnBus([this] {
    const chip::Sample& s = sampler_->Take();
    Taken t;
    t.unix_seconds =
        std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
    t.readings.assign(s.channels.begin(), s.channels.end());
    for (int slot = 0; slot < chip::kAlarmSlots; ++slot) {
      if (!chip::IsLatched(s.status, slot)) continue;
      const std::string_view name = chip::AlarmBitOf(slot, s.channel_mode).name;
      if (!name.empty()) t.alarms.push_back(name);
    }
    return t;
  });
  py::dict readings, units, limits, raw;
  py::set alarms;
  for (const chip::ChannelReading& r : taken.readings) {
    const py::str name(r.channel->caption);
    readings[name] = r.stalled ? py::object(py::none()) : py::object(py::float_(r.value));
    units[name] = py::str(r.channel->unit);
    limits[name] = py::make_tuple(r.low, r.has_high ? py::object(py::float_(r.high)) : py::none());
    raw[name] = r.raw;
  }
  for (const std::string_view name : taken.alarms) alarms.add(py::str(name));
  const py::module_ datetime = py::module_::import("datetime");
  const py::object time =
      datetime.attr("datetime")
          .attr("fromtimestamp")(taken.unix_seconds, datetime.attr("timezone").attr("utc"));
  return py::module_::import("kelvran._sample")
      .attr("Sample")(time, readings, units, limits, alarms, raw);
}

std::string ChipHandle::SnapshotText() {
  return OnBus([this] {
    return chip::FormatSnapshot(chip::TakeSnapshot(
        [this](std::uint8_t a) { return ReadByte(a); }, KELVRAN_VERSION,
        chip::IsoLocalTime(std::chrono::system_clock::now()), devaccess::PlaceOf(*d_)));
  });
}

py::dict ChipHandle::Snapshot() {
  return py::module_::import("json").attr("loads")(SnapshotText());
}

void ChipHandle::SaveSnapshot(const py::object& where, bool overwrite) {
  const std::string path = py::str(py::module_::import("os").attr("fspath")(where));
  std::error_code error;
  const auto size = std::filesystem::file_size(path, error);
  if (!overwrite && !error && size > 0) {
    throw FileFailure(path + " holds data: save_snapshot(..., overwrite=True) replaces it", path,
                      EEXIST);
  }
  const std::string formatted = SnapshotText();
  // The file is replaced only by a whole new one, after everything was read.
  const py::gil_scoped_release nogil;
  try {
    files::ReplaceFile(path, formatted, "the snapshot");
  } catch (const files::FileError& e) {
    throw FileFailure(e.what(), path);
  }
}

py::list ChipHandle::Restore(const py::object& source, bool force, bool dry_run) {
  chip::Snapshot snapshot;
  if (py::isinstance<py::dict>(source)) {
    try {
      snapshot = chip::ParseSnapshot(
          py::module_::import("json").attr("dumps")(source).cast<std::string>());
    } catch (const chip::SnapshotError& e) {
      throw ArgumentError(std::string("the snapshot: ") + e.what());
    }
  } else {
    const std::string path = py::module_::import("os").attr("fspath")(source).cast<std::string>();
    try {
      snapshot = chip::ParseSnapshot(files::ReadUserFile(path, "the snapshot"));
    } catch (const files::FileError& e) {
      throw FileFailure(e.what(), path);
    } catch (const chip::SnapshotError& e) {
      throw FileFailure(path + ": " + e.what(), path);
    }
  }
  const std::string note = chip::PlaceNote(snapshot.place, devaccess::PlaceOf(*d_));
  if (!note.empty()) {
    py::module_::import("warnings").attr("warn")(files::PlainText(note), py::arg("stacklevel") = 2);
  }
  const auto read = [this](std::uint8_t a) { return ReadByte(a); };
  const std::vector<chip::RestoreStep> steps = OnBus([&] {
    const std::string other = chip::IdentityDifference(snapshot, read);
    if (!other.empty() && !force) {
      throw ArgumentError("nothing written: " + other +
                          "; restore(..., force=True) restores it all the same");
    }
    std::vector<chip::RestoreStep> plan = chip::PlanWrites(snapshot, read);
    if (dry_run) return plan;
    try {
      chip::RunRestore(plan, read,
                       [this](std::uint8_t a, std::uint8_t v) { devaccess::WriteAt(*d_, a, v); });
    } catch (const chip::RestoreError& e) {
      const chip::RestoreStep& failed = e.failed();
      const std::string message = e.Describe(cli::Describe(found_));
      if (e.bus_failed()) {
        throw BusFailure(message, buslink::ErrorCode::Io, failed.address, "write");
      }
      throw WriteFailure(message, failed.address, failed.write, -1);
    }
    return plan;
  });
  py::list out;
  for (const chip::RestoreStep& s : steps) {
    py::dict step;
    step["address"] = s.address;
    step["caption"] = s.caption;
    step["before"] = s.now;
    step["value"] = s.write;
    step["role"] = RoleName(s.role);
    step["text"] = chip::DescribeStep(s);
    out.append(step);
  }
  return out;
}

void ChipHandle::Close() {
  if (closed_) return;
  const std::lock_guard lock(bench_->bus);
  closed_ = true;
  sampler_.reset();
  d_->bus_link.reset();
}

}  // namespace pykelvran
