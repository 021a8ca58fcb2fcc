"""Recording files (docs/recording-format.md) into pandas."""

import os
from datetime import timedelta, timezone

from . import _core

# The header's '#' lines, which come before the first row.
_HEADER_KEYS = ("medium", "chip address", "port base", "adapter", "channel mode", "started")


def _gaps(gaps, pd):
    """(start, end, what) for each stretch the chip did not answer; end None while it lasts."""
    def at(ns, offset):
        return pd.Timestamp(ns, unit="ns", tz=timezone(timedelta(seconds=offset)))
    return [(at(start, offset), None if end is None else at(end, offset), what)
            for start, offset, end, what in gaps]


def read_recording(path):
    """A recording file as a pandas DataFrame indexed by time.

    One column per channel in its unit ("+12V [V]", "Fan 1 [RPM]", "External 1 [°C]": float, NaN
    for a stalled fan or a channel the Channel Mode did not give at the time), one per raw byte
    ("+12V raw"), "seconds", "INT Status 1", "INT Status 2" (nullable UInt8) and "alarms" when the
    file has it, as the file names them. The index holds each row's true time in the zone of the
    first row.

    df.attrs holds the header's facts by their names in the file ("medium", "chip address",
    "channel mode", "started", "port base", "adapter"), "limits" (channel to (low, high) as the
    first "# limits:" line gives them; None for a limit the channel has not got), "limit_changes"
    ((row, channel, low, high) from each later line), "gaps" ((start, end, what) for each
    stretch the chip did not answer) and "notes" ((line, text) for every other '#' line).

    Raises FileError for a file that cannot be read or is not a recording. Needs pandas, which
    the rest of the package does not.
    """
    import pandas as pd

    data = _core._read_recording_columns(os.fspath(path))
    zone = timezone(timedelta(seconds=data["utc_offset"]))
    index = pd.DatetimeIndex(pd.to_datetime(data["time"], utc=True), name="time").tz_convert(zone)
    columns = {"seconds": data["seconds"]}
    for name, values in data["columns"]:
        if values.dtype.kind == "f":
            columns[name] = values
        else:
            columns[name] = pd.arrays.IntegerArray(values.astype("uint8"), values < 0)
    if data["alarms"] is not None:
        columns["alarms"] = data["alarms"]
    frame = pd.DataFrame(columns, index=index, copy=False)

    header, notes = {}, []
    for line, key, value in data["notes"]:
        if key in _HEADER_KEYS and key not in header:
            header[key] = value
        else:
            notes.append((line, f"{key}: {value}" if value else key))
    limits, changes = {}, []
    for row, caption, low, high in data["limits"]:
        if row == 0:
            limits[caption] = (low, high)
        else:
            changes.append((row, caption, low, high))
    frame.attrs.update(header)
    frame.attrs["limits"] = limits
    frame.attrs["limit_changes"] = changes
    frame.attrs["gaps"] = _gaps(data["gaps"], pd)
    frame.attrs["notes"] = notes
    return frame
