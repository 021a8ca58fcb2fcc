#pragma once

#include <string>

#include <pybind11/pybind11.h>

// A recording file read by the programs' own reader into arrays, for kelvran.read_recording to
// make a DataFrame of (kelvran/_recording.py).
namespace pykelvran {

// {"time": int64 ns since the epoch, "utc_offset": of the first row, "seconds": float64,
//  "columns": [(name, array)] in file order (values float64 with NaN, raw bytes and INT Status
//  int16 with -1 for an empty cell), "alarms": object array or None, "notes": [(line, key,
//  value)], "limits": [(row, caption, low, high)] holding from that row on}. Raises FileError.
pybind11::dict ReadRecordingColumns(const std::string& path);

}  // namespace pykelvran
