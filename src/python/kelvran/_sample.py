"""One reading of every channel a chip measures."""

from dataclasses import dataclass
from datetime import datetime


@dataclass(frozen=True)
class Sample:
    """What Chip.sample() read.

    time: when it was taken (an aware datetime in UTC).
    readings: channel name ("+12V", "Fan 1", "External 1") to its value in volts, degrees C or
        RPM; None for a fan that stalled (its count is 255: it has no speed).
    units: channel name to "V", "°C" or "RPM".
    limits: channel name to (low, high) in the same unit; high is None for a fan, whose only limit
        is its slowest allowed speed.
    alarms: the names of every alarm latched since the previous sample of this Chip: channel
        names, and "Chassis", "THERM", "D1 Fault", "D2 Fault" for the bits of no channel.
    raw: channel name to its register byte.
    """

    time: datetime
    readings: dict
    units: dict
    limits: dict
    alarms: set
    raw: dict


Sample.__module__ = "kelvran"
