"""The KELVRAN hardware-monitor chip from Python.

Find a chip as `kelvran detect` does, read and write its registers by address or name, take
samples of every channel in volts, degrees C and RPM with the alarms latched since the last one,
save and restore register snapshots, and read recordings into pandas. The same code as the
kelvran programs does the work: the same names, conversions, sampler and restore plan.

    import kelvran

    with kelvran.open(simulate=True, medium="smbus") as chip:
        print(chip.place, hex(chip.company_id))
        sample = chip.sample()
        print(sample.readings["+12V"], sample.units["+12V"], sample.alarms)
        chip.write("INT Mask 1", 0x0F)   # read back; WriteError if it did not keep the value

Tests run on the simulated computer (Simulator): move its time, set its inputs, unplug its
adapters and inject bus faults. The pytest plugin (kelvran.pytest_plugin) gives a test the
simulated chip or, with --kelvran-bus, the real board.

Calls that reach the bus release the GIL while they wait for it. A Chip is safe to use from one
thread at a time; chips of one computer take turns on its buses.

Errors: BusError (an OSError) when a transfer fails, WriteError when a register did not keep a
value, FileError for files, NoChipError when nothing answered, ValueError for arguments refused
before anything reaches the bus.
"""

from ._core import Chip, Simulator, find, open  # noqa: A004 (open is the module's own)
from ._core import __version__
from ._errors import BusError, FileError, NoChipError, WriteError
from ._recording import read_recording
from ._sample import Sample

__all__ = [
    "BusError",
    "Chip",
    "FileError",
    "NoChipError",
    "Sample",
    "Simulator",
    "WriteError",
    "find",
    "open",
    "read_recording",
    "__version__",
]
