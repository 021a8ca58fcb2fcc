"""The module and the kelvran program give the same numbers for the same chip."""

import errno
import json
import subprocess

import pytest

import kelvran


def run(program, *args):
    return subprocess.run([program, *args], capture_output=True, text=True, check=True).stdout


def test_sample_equals_watch_json(scenario, kelvran_program):
    path = scenario({
        "smbus": {"chips": [{}]},
        "chip": {"registers": {"0x40": "0x01", "0x33": "0xC5", "0x34": "0xB9"},
                 "inputs": {"v12": 12.7, "fan2_rpm": 0,
                            "temp_ext1": {"ramp": {"from": 20, "to": 80, "over": "1000s"}}}}})
    watched = json.loads(run(kelvran_program, f"--simulate={path}", "watch", "--json",
                             "--count=1"))["channels"]
    sim = kelvran.Simulator(path)
    sim.time = 0.01  # where the program's own clock stood when it read
    sample = sim.open().sample()
    assert sample.time.tzinfo is not None and sample.raw["Fan 2"] == 255
    assert sample.readings["+12V"] == pytest.approx(12.7, abs=0.07) and "+12V" in sample.alarms
    assert [c["name"] for c in watched] == list(sample.readings)
    for c in watched:
        name, places = c["name"], 3 if c["unit"] == "V" else 0
        value = sample.readings[name]
        assert c["value"] == (None if value is None else round(value, places)), name
        assert [c["low"], c["high"]] == [None if v is None else round(v, places)
                                         for v in sample.limits[name]], name
        assert c["unit"] == sample.units[name] and c["alarm"] == (name in sample.alarms), name
    # The simulator's clock moved by hand moves the inputs with it.
    sim.advance(1000)
    assert sim.time == pytest.approx(1000.01)
    assert sim.open().sample().readings["External 1"] == pytest.approx(80.0, abs=1)


def test_recording_into_pandas(tmp_path, kelvran_program):
    path = tmp_path / "soak.csv"
    run(kelvran_program, "--simulate", "--medium=smbus", "record", str(path), "--count=4",
        "--interval=10ms")
    lines = path.read_text().splitlines(keepends=True)
    # a gap as the unattended programs mark it, between the second and third rows
    rows = [i for i, line in enumerate(lines) if line[:1].isdigit()]
    lines[rows[2]:rows[2]] = ["# bus error at 2026-12-06T01:02:03.456+01:00: reading 0x41 ...\n",
                              "# resumed at 2026-12-06T01:02:09.456+01:00 after 6.0 s, "
                              "6 samples missed\n"]
    path.write_text("".join(lines))

    df = kelvran.read_recording(path)
    assert len(df) == 4 and df.index.is_monotonic_increasing and df.index.tz is not None
    assert {"+12V [V]", "+12V raw", "Fan 1 [RPM]", "Internal [°C]", "alarms"} <= set(df.columns)
    assert df["+12V [V]"].between(11, 13).all() and df["+12V raw"].dtype == "UInt8"
    assert df.attrs["medium"] == "SMBus" and df.attrs["chip address"] == "0x2D"
    assert df.attrs["limits"]["+12V"][0] < 12 < df.attrs["limits"]["+12V"][1]
    [(start, end, what)] = df.attrs["gaps"]
    assert (end - start).total_seconds() == 6 and what.startswith("reading 0x41")

    path.write_text("time,value\n1,2\n")
    with pytest.raises(kelvran.FileError, match="line 1"):
        kelvran.read_recording(path)
    with pytest.raises(kelvran.FileError) as missing:
        kelvran.read_recording(tmp_path / "missing.csv")
    assert missing.value.errno == errno.ENOENT
