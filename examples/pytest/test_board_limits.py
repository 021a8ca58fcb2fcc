"""A board's acceptance test: its limits are set, its readings sit inside them, and its alarms
latch when an input leaves them.

On the simulated bench (CI):   python3 -m pytest examples/pytest
On a simulated board as set up for its test (board.json, a scenario file):
                               python3 -m pytest examples/pytest --kelvran-scenario=board.json
On the board at i2c adapter 7: python3 -m pytest examples/pytest --kelvran-bus=7
The tests that move the inputs need the simulator and are skipped on the board.
"""

import pytest

START = 0x01  # Configuration 1 bit 0: the chip converts and compares


def test_chip_is_monitoring(kelvran_chip):
    assert kelvran_chip.company_id == 0x41
    assert kelvran_chip.read("Configuration 1") & START, "START is clear: nothing is compared"


def test_every_reading_sits_inside_its_limits(kelvran_chip):
    sample = kelvran_chip.sample()
    for name, value in sample.readings.items():
        low, high = sample.limits[name]
        assert value is not None, f"{name} has stalled"
        reading = f"{name} {value} {sample.units[name]}"
        assert low <= value and (high is None or value <= high), reading
        assert high is None or low < high, f"{name}: the low limit is not below the high one"


def test_no_alarm_while_healthy(kelvran_chip):
    kelvran_chip.sample()  # what latched before the test
    assert kelvran_chip.sample().alarms == set()


@pytest.mark.parametrize("name, level, channel", [
    ("v12", 13.6, "+12V"),     # over-voltage
    ("v5", 4.2, "+5V"),        # under-voltage
    ("fan1_rpm", 0, "Fan 1"),  # a stalled fan
])
def test_alarm_latches_when_an_input_leaves_its_limits(kelvran_sim, kelvran_chip, name, level,
                                                       channel):
    kelvran_chip.sample()
    kelvran_sim.set_input(name, level)
    assert channel in kelvran_chip.sample().alarms
