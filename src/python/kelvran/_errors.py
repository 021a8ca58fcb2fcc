"""The exceptions of the kelvran package."""


class BusError(OSError):
    """A bus transfer failed.

    ``message`` is what the kelvran programs say ("reading 0x41 (INT Status 1) of the chip at
    smbus address 0x2D: ..."), ``register`` the register's address and ``operation`` "read" or
    "write" (both None when no register transfer failed, such as a bus that cannot be opened),
    ``code`` the bus's short name for it ("NACK", "TIMEOUT", ...) and ``errno``
    the operating system's nearest error number.
    """

    def __init__(self, errno, message, register=None, operation=None, code=None):
        super().__init__(errno, message)
        self.message = message
        self.register = register
        self.operation = operation
        self.code = code

    def __str__(self):
        return self.message


class WriteError(Exception):
    """A register did not keep what was written.

    ``register``: its address; ``written``: the value written; ``read``: what it held afterwards
    (None when a restore stopped before reading it back); ``message``: what the programs say.
    """

    def __init__(self, message, register, written, read):
        super().__init__(message)
        self.message = message
        self.register = register
        self.written = written
        self.read = read


class FileError(OSError):
    """A file that cannot be read or written, or is not what it should be.

    ``message`` says which and why; ``filename`` names it.
    """

    def __init__(self, errno, message, filename):
        super().__init__(errno or None, message, filename)
        self.message = message

    def __str__(self):
        return self.message


class NoChipError(LookupError):
    """Nothing answered where the search looked; ``reasons`` lists why, one sentence each."""

    def __init__(self, message, reasons):
        super().__init__(message)
        self.message = message
        self.reasons = list(reasons)

    def __str__(self):
        return "\n".join([self.message, *self.reasons])


# Shown as kelvran.BusError, where users import them from.
for _error in (BusError, WriteError, FileError, NoChipError):
    _error.__module__ = "kelvran"
