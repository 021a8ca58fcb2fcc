import errno
import threading
import time

import pytest

import kelvran


def test_search_names_places_as_detect_does():
    places = [chip.place for chip in kelvran.find(simulate=True)]
    assert places == ["printer port 0 (0x378) address 0x2E, direct-build board",
                      "smbus address 0x2D on --bus=0 (SMBus simulated adapter at 5000)"]
    assert [c.place for c in kelvran.find(simulate=True, medium="printer")] == places[:1]
    with pytest.raises(kelvran.NoChipError) as nothing:
        kelvran.open(simulate=True, address=0x2C)
    assert "at 0x2C" in str(nothing.value)
    with pytest.raises(ValueError, match="--medium takes smbus or printer"):
        kelvran.find(simulate=True, medium="usb")


def test_registers_by_name_or_address_and_writes_read_back():
    with kelvran.open(simulate=True, medium="smbus") as chip:
        assert chip.read("company id") == chip.read(0x3E) == chip.company_id == 0x41
        assert chip.write(" INT Mask 1", 0x0F) == 0x0F
        assert chip.read(0x43) == 0x0F
        with pytest.raises(ValueError, match="read-only"):
            chip.write("Revision", 1)
        for wrong in ("Fan 9", 0x100, 0x00):
            with pytest.raises(ValueError):
                chip.read(wrong)
    with pytest.raises(ValueError, match="closed"):
        chip.read(0x3E)


def test_fault_raises_bus_error_naming_the_register():
    sim = kelvran.Simulator()
    chip = sim.open(medium="smbus")
    sim.add_fault(medium="SMB", op="R", register=0x41, times=1)
    with pytest.raises(kelvran.BusError) as failed:
        chip.sample()
    e = failed.value
    assert isinstance(e, OSError) and e.errno == errno.EREMOTEIO and e.code == "NACK"
    assert (e.register, e.operation) == (0x41, "read")
    assert str(e).startswith("reading 0x41 (INT Status 1) of the chip at smbus address 0x2D")
    chip.sample()  # the fault fired once
    with pytest.raises(ValueError, match="error"):
        sim.add_fault(error="BUSY")


def test_unplugged_adapter_fails_and_comes_back(scenario):
    sim = kelvran.Simulator(scenario({"i2c_adapters": [
        {"number": 7, "name": "CP2112 SMBus Bridge", "parent": "usb", "chips": [{}]}]}))
    chip = sim.open(bus="CP2112")
    assert chip.place.endswith("on --bus=7 (CP2112 SMBus Bridge)") and chip.read(0x3E) == 0x41
    sim.unplug(7)
    with pytest.raises(kelvran.BusError) as gone:
        chip.read(0x3E)
    assert gone.value.errno == errno.ENODEV and gone.value.code == "GONE"
    assert sim.find(bus=7) == []
    sim.plug(7)
    assert chip.read(0x3E) == 0x41


def test_snapshot_saved_and_restored(tmp_path):
    path = tmp_path / "chip.json"
    sim = kelvran.Simulator()
    with sim.open(medium="smbus") as chip:
        chip.save_snapshot(path)
        saved = chip.read("12V High")
        chip.write("12V High", saved - 10)
        plan = chip.restore(path, dry_run=True)
        assert [s["address"] for s in plan if s["role"] == "restore"] == [0x33]
        assert chip.read(0x33) == saved - 10
        sim.add_fault(op="W", register=0x33, times=1)
        with pytest.raises(kelvran.BusError) as stopped:
            chip.restore(path)
        assert (stopped.value.register, stopped.value.operation) == (0x33, "write")
        chip.restore(path)
        assert chip.read(0x33) == saved
        assert chip.restore(chip.snapshot()) == []
        with pytest.raises(kelvran.FileError) as exists:
            chip.save_snapshot(path)
        assert exists.value.errno == errno.EEXIST
        path.write_text("{}")
        with pytest.raises(kelvran.FileError, match="chip.json"):
            chip.restore(path)
    with pytest.raises(kelvran.FileError, match="missing.json"):
        kelvran.Simulator(tmp_path / "missing.json")


def test_transfers_let_other_threads_run(scenario):
    # 1 ms a transfer: the main thread keeps running while a sample waits for the bus.
    chip = kelvran.Simulator(scenario({"latency_us": 1000, "smbus": {"chips": [{}]}})).open()
    sampled = []
    worker = threading.Thread(
        target=lambda: sampled.extend([time.monotonic(), chip.sample(), time.monotonic()]))
    worker.start()
    ticks = []
    while worker.is_alive():
        ticks.append(time.monotonic())
    start, _, end = sampled
    during = [start] + [t for t in ticks if start < t < end] + [end]
    assert max(b - a for a, b in zip(during, during[1:])) < (end - start) / 2
