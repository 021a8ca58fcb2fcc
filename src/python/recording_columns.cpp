#include "python/recording_columns.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include <pybind11/numpy.h>
#include <pybind11/stl.h>

#include "chip/recording_reader.h"
#include "python/errors.h"

namespace py = pybind11;

namespace pykelvran {

namespace {

// One channel's pair of columns over the whole file; a row without the channel (another Channel
// Mode) holds NaN and -1.
struct ChannelColumns {
  std::string name;  // "+12V [V]"
  std::string raw_name;
  std::vector<double> values;
  std::vector<std::int16_t> raws;
};

class ColumnSink : public chip::RecordingSink {
 public:
  void Note(std::uint64_t line, std::string_view key, std::string_view value) override {
    notes.emplace_back(line, std::string(key), std::string(value));
  }
  // A gap's start opens an entry, its end closes the last one still open.
  void Gap(std::uint64_t /*line*/, const chip::RecordedGap& gap) override {
    if (!gap.resumed) {
      gaps.emplace_back(gap.time, gap.utc_offset_seconds, std::nullopt, std::string(gap.error));
    } else if (!gaps.empty() && !std::get<2>(gaps.back())) {
      std::get<2>(gaps.back()) = gap.time;
    }
  }
  void Columns(std::span<const chip::RecordedColumn> columns, bool with_alarms) override {
    has_alarms = has_alarms || with_alarms;
    current.clear();
    for (const chip::RecordedColumn& c : columns) {
      const std::string name = c.caption + " [" + c.unit + "]";
      auto [at, added] = index.try_emplace(name, channels.size());
      if (added) {
        channels.push_back({name, c.caption + " raw", std::vector<double>(rows, NAN),
                            std::vector<std::int16_t>(rows, -1)});
      }
      current.push_back(at->second);
    }
  }
  void Limits(std::span<const chip::RecordedLimits> limits) override {
    for (const chip::RecordedLimits& l : limits) {
      limit_lines.emplace_back(rows, l.caption, l.low, l.high);
    }
  }
  void Row(const chip::RecordedRow& row) override {
    if (rows == 0) utc_offset = row.utc_offset_seconds;
    time.push_back(row.time);
    seconds.push_back(row.seconds);
    for (ChannelColumns& c : channels) {
      c.values.push_back(NAN);
      c.raws.push_back(-1);
    }
    for (std::size_t i = 0; i < current.size(); ++i) {
      ChannelColumns& c = channels[current[i]];
      c.values.back() = row.values[i];
      c.raws.back() = static_cast<std::int16_t>(row.raws[i]);
    }
    status1.push_back(static_cast<std::int16_t>(row.status1));
    status2.push_back(static_cast<std::int16_t>(row.status2));
    alarms.emplace_back(row.alarms ? *row.alarms : std::string_view());
    ++rows;
  }

  std::size_t rows = 0;
  int utc_offset = 0;
  bool has_alarms = false;
  std::vector<std::int64_t> time;
  std::vector<double> seconds;
  std::vector<ChannelColumns> channels;
  std::map<std::string, std::size_t> index;
  std::vector<std::size_t> current;  // the file's columns, in order, as channels
  std::vector<std::int16_t> status1, status2;
  std::vector<std::string> alarms;
  std::vector<std::tuple<std::uint64_t, std::string, std::string>> notes;
  // (start, its UTC offset, end or none while it lasts, what failed), times in ns since the epoch
  std::vector<std::tuple<std::int64_t, int, std::optional<std::int64_t>, std::string>> gaps;
  std::vector<std::tuple<std::size_t, std::string, std::optional<double>, std::optional<double>>>
      limit_lines;
};

// The vector's memory handed to numpy, without a copy.
template <typename T>
py::array_t<T> ToArray(std::vector<T>&& values) {
  auto* owned = new std::vector<T>(std::move(values));
  const py::capsule free(owned, [](void* p) { delete static_cast<std::vector<T>*>(p); });
  return py::array_t<T>(static_cast<py::ssize_t>(owned->size()), owned->data(), free);
}

// Reads the whole file through the reader in large pieces.
void ReadFile(const std::string& path, chip::RecordingReader& reader) {
  const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                             &std::fclose);
  if (!file) {
    const int error = errno;
    throw FileFailure("cannot open the recording " + path + ": " + std::strerror(error), path,
                      error);
  }
  std::vector<char> buffer(1 << 20);
  for (;;) {
    const std::size_t n = std::fread(buffer.data(), 1, buffer.size(), file.get());
    if (n > 0) reader.Feed(std::string_view(buffer.data(), n));
    if (n < buffer.size()) break;
  }
  if (std::ferror(file.get()) != 0) {
    throw FileFailure("cannot read the recording " + path, path, EIO);
  }
}

}  // namespace

py::dict ReadRecordingColumns(const std::string& path) {
  ColumnSink sink;
  {
    const py::gil_scoped_release nogil;
    chip::RecordingReader reader(sink);
    try {
      ReadFile(path, reader);
      reader.Finish();  // an incomplete last line (still being written) is left out
    } catch (const chip::RecordingFormatError& e) {
      throw FileFailure(path + ": " + e.what(), path);
    }
  }
  py::list columns;
  for (ChannelColumns& c : sink.channels) {
    columns.append(py::make_tuple(c.name, ToArray(std::move(c.values))));
    columns.append(py::make_tuple(c.raw_name, ToArray(std::move(c.raws))));
  }
  columns.append(py::make_tuple("INT Status 1", ToArray(std::move(sink.status1))));
  columns.append(py::make_tuple("INT Status 2", ToArray(std::move(sink.status2))));
  py::object alarms = py::none();
  if (sink.has_alarms) {
    // Most rows say the same (nothing): one string object per distinct text.
    std::map<std::string, py::str> distinct;
    py::array alarm_texts(py::dtype("O"),
                          std::vector<py::ssize_t>{static_cast<py::ssize_t>(sink.alarms.size())});
    auto** cells = static_cast<PyObject**>(alarm_texts.mutable_data());
    for (std::size_t i = 0; i < sink.alarms.size(); ++i) {
      auto [at, added] = distinct.try_emplace(sink.alarms[i], py::str(sink.alarms[i]));
      PyObject* text = at->second.ptr();
      Py_INCREF(text);
      Py_XDECREF(cells[i]);
      cells[i] = text;
    }
    alarms = alarm_texts;
  }
  py::dict out;
  out["time"] = ToArray(std::move(sink.time));
  out["utc_offset"] = sink.utc_offset;
  out["seconds"] = ToArray(std::move(sink.seconds));
  out["columns"] = columns;
  out["alarms"] = alarms;
  out["notes"] = sink.notes;
  out["gaps"] = sink.gaps;
  out["limits"] = sink.limit_lines;
  return out;
}

}  // namespace pykelvran
