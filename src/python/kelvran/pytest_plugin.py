"""pytest fixtures for tests of a KELVRAN chip, on the simulated chip or on the real board.

kelvran_chip is the chip under test: the built-in simulated bench's by default, the one of a
scenario file with --kelvran-scenario=FILE, and the real board's with --kelvran-bus=N|NAME (or
any of --kelvran-medium, --kelvran-address, --kelvran-port, which search this computer's buses as
`kelvran detect` does). One suite so runs in CI and on the bench.

kelvran_sim is the Simulator itself, for tests that move time, set inputs, unplug adapters or
inject faults; such tests are skipped on the real board. kelvran_chip then comes from it.
"""

import pytest

import kelvran

_BUS_OPTIONS = ("bus", "medium", "address", "port")


def pytest_addoption(parser):
    group = parser.getgroup("kelvran", "the KELVRAN chip under test")
    group.addoption("--kelvran-scenario", metavar="FILE",
                    help="simulated hardware from this scenario file (default: the built-in bench)")
    group.addoption("--kelvran-bus", metavar="N|NAME",
                    help="the real board on this i2c adapter (number or part of its name)")
    group.addoption("--kelvran-medium", choices=("smbus", "printer"),
                    help="the real board on this medium")
    group.addoption("--kelvran-address", metavar="ADDRESS",
                    help="the chip's 7-bit address, such as 0x2D")
    group.addoption("--kelvran-port", metavar="N", help="the real board on this printer port")


def _bus_options(config):
    return {name: config.getoption(f"--kelvran-{name}") for name in _BUS_OPTIONS
            if config.getoption(f"--kelvran-{name}") is not None}


def _on_real_board(config):
    return any(name != "address" for name in _bus_options(config))


def pytest_report_header(config):
    if _on_real_board(config):
        return "kelvran: the real board (" + ", ".join(
            f"--kelvran-{k}={v}" for k, v in _bus_options(config).items()) + ")"
    scenario = config.getoption("--kelvran-scenario")
    return f"kelvran: simulated ({scenario or 'built-in bench'})"


@pytest.fixture
def kelvran_sim(request):
    """The simulated computer the test's chip sits on; skips the test on the real board."""
    if _on_real_board(request.config):
        pytest.skip("needs the simulated chip (the run is on the real board)")
    return kelvran.Simulator(request.config.getoption("--kelvran-scenario"))


@pytest.fixture
def kelvran_chip(request):
    """The chip under test, closed after the test."""
    options = _bus_options(request.config)
    if _on_real_board(request.config):
        chip = kelvran.open(**options)
    else:
        sim = request.getfixturevalue("kelvran_sim")
        chip = sim.open(**{k: v for k, v in options.items() if k == "address"})
    with chip:
        yield chip
