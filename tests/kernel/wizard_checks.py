#!/usr/bin/python3
"""The real kelvran-eval on a real kernel's buses, driven through its wizard over AT-SPI.

Runs inside the test VM (tests/kernel/guest-checks sets up i2c-stub, the printer port and the
users). Each scenario starts the program in one shared X server and AT-SPI session, drives it as
a user would and prints one "CHECK <scenario>: PASS" or "CHECK <scenario>: FAIL <why>" line.

Usage: wizard_checks.py --program PATH --out DIR [--hook COMMAND] --scenarios "SCENARIO..."
The hook runs as COMMAND SCENARIO before each scenario. The bus trace and output of each run are
left in DIR as <scenario>.trace and <scenario>.out. Exit status: 0 when every scenario passed, 1
otherwise (a tool that is not installed fails them all).
"""

import json
import os
import re
import subprocess
import sys
import time

os.environ.setdefault("KELVRAN_LOG_TAG", "kernel")
# Software emulation: everything takes several times as long as on the host.
os.environ.setdefault("KELVRAN_SLOWNESS", "8")
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
from atspi_session import (Desktop, Failure, Session, close_and_await_end, log,  # noqa: E402
                           ready, run_script, x_window)

WIZARD = "KELVRAN Search Wizard"
MAIN = "KELVRAN Evaluation Software"
SORRY = "Sorry, no KELVRANs were found. Please check all connections and try again"

# The chip the stub holds at 0x2D: what the program must show of it. The same registers go into
# the simulator's scenario, whose run gives the bus trace the kernel's run is compared with.
CHIP_REGISTERS = {
    0x13: 0x30, 0x14: 0x10, 0x15: 0x05, 0x16: 0x01, 0x17: 0x40, 0x18: 0x55, 0x19: 0x80,
    0x1A: 0x20, 0x1B: 0x21, 0x20: 0xC0, 0x21: 0xA5, 0x22: 0xC0, 0x23: 0xC1, 0x24: 0xC2,
    0x25: 0x68, 0x26: 0x28, 0x27: 0x1E, 0x28: 0x96, 0x29: 0xE1, 0x2B: 0xDE, 0x2C: 0xA2,
    0x2D: 0x7B, 0x2E: 0x5C, 0x2F: 0xDE, 0x30: 0xA2, 0x31: 0xDE, 0x32: 0xA2, 0x33: 0xD8,
    0x34: 0xAE, 0x35: 0x7B, 0x36: 0x5C, 0x37: 0x50, 0x38: 0x00, 0x39: 0x46, 0x3A: 0x00,
    0x3B: 0xE8, 0x3C: 0xE8, 0x3D: 0x00, 0x3E: 0x41, 0x3F: 0x68, 0x40: 0x03, 0x41: 0x00,
    0x42: 0x00, 0x43: 0x5A, 0x44: 0x00, 0x46: 0x00, 0x47: 0x5C, 0x49: 0x00, 0x4A: 0x00,
    0x4C: 0x00, 0x4D: 0x00,
}
FIRST_REGISTER = 0x21  # selected on entering the Read/Write tab
CLICKED_LABEL, CLICKED_REGISTER, CLICKED_BIT = 43, 0x43, 0  # "INT Mask 1", read-write
# +12V on the gauge: (15.938 / 255) x count + 0.062 V, for the reading and both limits.
READING_12V, HIGH_12V, LOW_12V = 0x24, 0x33, 0x34


def volts_12v(count):
    return 15.938 / 255 * count + 0.062


def bits_of(value):
    return [str((value >> bit) & 1) for bit in range(8)]


# The stub adapter's number (the machine's PIIX4 SMBus controller, loaded first, is i2c-0) and the
# controller's name, as guest-checks found them; the simulator's scenario copies both.
STUB_BUS = int(os.environ.get("KELVRAN_STUB_BUS", "1"))
PIIX4_NAME = os.environ.get("KELVRAN_PIIX4_NAME", "SMBus PIIX4 adapter port 0 at b100")
STUB_ADAPTER = f"(/dev/i2c-{STUB_BUS}, SMBus stub driver)"

TRACE_LINE = re.compile(r"^(PP|SMB) [0-9A-F]{2} [RW] [0-9A-F]{2} ([0-9A-F]{2}|ERR [A-Z]+)$")


def trace_lines(path):
    with open(path) as trace:
        lines = trace.read().splitlines()
    bad = [line for line in lines if not TRACE_LINE.match(line)]
    if bad:
        raise Failure(f"{path}: lines not in the trace format: {bad[:3]}")
    return lines


def trace_shape(lines):
    """What a bus trace says about the program's behaviour apart from the values: the transfers
    of the search in order, then the set of (device, direction, register) used afterwards."""
    keys = [tuple(line.split()[:4]) for line in lines]
    search = [k for k in keys if k[3] == "3E" and k[2] == "R"][:3]
    return keys[:len(search)], sorted(set(keys[len(search):]))


# ---------------------------------------------------------------------------------------------
# Driver: one function per scenario, run in a child process with the session's buses
# ---------------------------------------------------------------------------------------------


def to_results(ui, printer_port, smbus):
    """Walks the wizard to its results page with the media chosen; the listed lines."""
    ui.wait_for("the program on the accessibility bus", ui.application, timeout=60)
    ui.wait_for("the wizard", lambda: ui.top_level(WIZARD), timeout=30)
    next_button = ui.find("NextCMD")
    ui.act(next_button)
    for name, wanted in (("PPCheck", printer_port), ("SMBusCheck", smbus)):
        box = ui.find_showing(name)
        if ui.checked(box) != wanted:
            if not ui.enabled(box):
                raise Failure(f"{name} is disabled: {ui.text_of(ui.find('SMBusSearchDescLBL'))!r}")
            ui.act(box)
            ui.wait_for(f"{name} to change", lambda b=box: ui.checked(b) == wanted)
    ui.act(next_button)
    results = ui.find_showing("SearchResultsLIST")
    ui.wait_for("the search to end", lambda: ui.showing(ui.find("SearchInsLBL")) and
                ui.text_of(ui.find("SearchInsLBL")) in ("Click 'Finish' to Continue",
                                                        "Click Back to continue..."), timeout=60)
    lines = [" ".join(item.name.split()) for item in ui.list_lines(results)]
    log("search results:", lines, "/", ui.text_of(ui.find("SearchResultsLBL")))
    return lines


def expect_only_chip_2d(lines, adapter=STUB_ADAPTER):
    """The one line for the chip at 2Dh; with several adapters searched it names the stub's."""
    if len(lines) != 1 or not lines[0].endswith("SMBus2D"):
        raise Failure(f"expected exactly the chip at 2Dh listed, got {lines}")
    named = "(/dev/i2c-" in lines[0]
    if adapter and adapter not in lines[0] or not adapter and named:
        raise Failure(f"the line should {'name ' + adapter if adapter else 'name no adapter'}: "
                      f"{lines[0]!r}")


def expect_sorry(ui, lines):
    texts = (ui.text_of(ui.find("SearchResultsLBL")), ui.text_of(ui.find("SearchInsLBL")))
    if lines or texts != (SORRY, "Click Back to continue...") or ui.enabled(ui.find("FinishCMD")):
        raise Failure(f"expected nothing found and the Sorry texts, got {lines} {texts}")


def digits(ui):
    """The digit each bit shows: screen readers hear "Bit 0, START, 1", the value comes last."""
    return [ui.text_of(ui.find(f"bit{bit}")).rsplit(", ", 1)[-1] for bit in range(8)]


def drive_chip(ui, real):
    """Through the wizard to the chip at 2Dh, the Read/Write tab and a bit click, the Visual
    Display tab, then the main window's close box. On the kernel (real) the stub's values show
    exactly; the simulator converts its own, so there only the flow is checked."""
    expect_only_chip_2d(to_results(ui, printer_port=False, smbus=True))
    ui.act(ui.find("FinishCMD"))
    ui.wait_for("the main window", lambda: ui.top_level(MAIN))

    ui.act(ui.wait_for("the Read/Write tab", lambda: ui.page_tab("Read/Write")))
    address = ui.find_showing("current_reg_address_label")
    ui.wait_for("register 21 to be selected", lambda: ui.text_of(address) == "21")
    if real and digits(ui) != bits_of(CHIP_REGISTERS[FIRST_REGISTER]):
        raise Failure(f"register 21 shows bits {digits(ui)} (bit 0 first)")
    ui.click(ui.find_showing(f"read_writedisplaytext_{CLICKED_LABEL}"))
    ui.wait_for("register 43 to be selected", lambda: ui.text_of(address) == "43")
    before = CHIP_REGISTERS[CLICKED_REGISTER]
    ui.wait_for(f"the bits of register 43 ({before:02X})", lambda: digits(ui) == bits_of(before))
    ui.click(ui.find_showing(f"bit{CLICKED_BIT}"))
    after = before ^ (1 << CLICKED_BIT)
    ui.wait_for(f"the bits after the click ({after:02X})", lambda: digits(ui) == bits_of(after))

    ui.click(ui.wait_for("the Visual Display tab", lambda: ui.page_tab("Visual Display")))
    gauge = ui.find_showing("limits_gauge")

    def gauge_parts():
        gauge.clear_cache()
        parts = {part.name: part for part in ui.children(gauge)}
        return parts if {"reading", "low limit", "high limit"} <= parts.keys() else None

    parts = ui.wait_for("the gauge's reading and limits", gauge_parts)
    if real:
        for part, register in (("reading", READING_12V), ("high limit", HIGH_12V),
                               ("low limit", LOW_12V)):
            want = volts_12v(CHIP_REGISTERS[register])
            ui.wait_for(f"the gauge's {part} to read {want:.3f} V",
                        lambda p=parts[part], w=want: abs(ui.value_of(p) - w) < 0.0005)
    time.sleep(1.0)  # a few display cycles into the trace

    close_and_await_end(ui, x_window(MAIN))


def drive_to_chip_2d(ui, adapter):
    """smbus-busy: 0x2C is bound to a kernel driver, so it counts as no chip and the search goes
    on to 2Dh. --bus=stub: the one adapter searched, so the line is the plain one."""
    expect_only_chip_2d(to_results(ui, printer_port=False, smbus=True), adapter)
    ui.act(ui.find("CancelCMD"))


# What the results page and the error output must say, per scenario run as an ordinary user:
# the line that tells a user without access what to do, the node and the group to join.
DENIED_REASONS = {name: rf"{medium}: permission denied on {node}\b[^\n]*\b{group} group"
                  for name, medium, node, group in (
                      ("smbus-denied", "SMBus", "/dev/i2c-0", "i2c"),
                      ("printer-port-denied", "Printer port", "/dev/parport0", "lp"))}


def drive_denied(ui, name):
    printer_port = name.startswith("printer")
    expect_sorry(ui, to_results(ui, printer_port=printer_port, smbus=not printer_port))
    text = ui.text_of(ui.find("SearchReasonsLBL"))
    if not re.search(DENIED_REASONS[name], text):
        raise Failure(f"the results page does not say why nothing was found: {text!r}")
    ui.act(ui.find("CancelCMD"))


def drive_printer_port(ui):
    expect_sorry(ui, to_results(ui, printer_port=True, smbus=False))
    active = open("/proc/sys/dev/parport/parport0/devices/active").read().strip()
    log("parport0 is held by:", active)
    if active == "none":
        raise Failure("the program does not hold the port it searched")
    ui.act(ui.find("CancelCMD"))


SCENARIOS = {
    # name: (driver, uses the simulator, further arguments)
    "smbus-chip": (lambda ui: drive_chip(ui, real=True), False, []),
    "smbus-chip-simulated": (lambda ui: drive_chip(ui, real=False), True, []),
    "smbus-bus-stub": (lambda ui: drive_to_chip_2d(ui, None), False, ["--bus=stub"]),
    "smbus-busy": (lambda ui: drive_to_chip_2d(ui, STUB_ADAPTER), False, []),
    "smbus-denied": (lambda ui: drive_denied(ui, "smbus-denied"), False, []),
    "printer-port": (drive_printer_port, False, []),
    "printer-port-denied": (lambda ui: drive_denied(ui, "printer-port-denied"), False, []),
}


# ---------------------------------------------------------------------------------------------
# Launcher
# ---------------------------------------------------------------------------------------------


def write_scenario_file(path):
    """The simulator's stand-in for the VM: the machine's SMBus controller with nothing on it and
    the stub with the same chip at 2Dh, at the same numbers; no other hardware."""
    registers = {f"0x{reg:02X}": f"0x{value:02X}" for reg, value in CHIP_REGISTERS.items()}
    with open(path, "w") as out:
        json.dump({"smbus": {"present": True, "number": 0 if STUB_BUS else 1,
                             "name": PIIX4_NAME, "chips": []},
                   "i2c_adapters": [{"number": STUB_BUS, "name": "SMBus stub driver",
                                     "parent": "none", "chips": [{"address": "0x2D"}]}],
                   "chip": {"registers": registers, "noise": 0.0}}, out)


def after_run(name, out_dir):
    """Checks on what a run left behind."""
    trace = os.path.join(out_dir, name + ".trace")
    lines = trace_lines(trace)
    smbus_probes = [line for line in lines if line.startswith("SMB") and " R 3E " in line][:6]
    pp_probes = [line for line in lines if line.startswith("PP")]
    if name == "smbus-chip-simulated":
        real = trace_shape(trace_lines(os.path.join(out_dir, "smbus-chip.trace")))
        simulated = trace_shape(lines)
        if real != simulated:
            raise Failure(f"the kernel's bus trace differs in shape from the simulator's:\n"
                          f"  kernel:    {real}\n  simulator: {simulated}")
    # The PIIX4 controller first, where nothing answers, then the stub: nothing at 2Ch answers as
    # on a real controller; a driver's address is refused as busy. --bus=stub probes the stub
    # alone.
    piix4 = ["SMB 2E R 3E ERR NACK", "SMB 2C R 3E ERR NACK", "SMB 2D R 3E ERR NACK"]
    stub = ["SMB 2E R 3E 00", "SMB 2C R 3E ERR NACK", "SMB 2D R 3E 41"]
    want = {"smbus-chip": piix4 + stub,
            "smbus-bus-stub": stub,
            "smbus-busy": piix4 + ["SMB 2E R 3E 00", "SMB 2C R 3E ERR EIO", "SMB 2D R 3E 41"]
            }.get(name)
    if want and smbus_probes != want:
        raise Failure(f"search probes {smbus_probes}, expected {want}")
    if name == "printer-port":
        if len(pp_probes) != 6 or not all(re.search(r"ERR (NACK|TIMEOUT)$", p) for p in pp_probes):
            raise Failure(f"expected six probes the bus left unanswered, got {pp_probes}")
        active = open("/proc/sys/dev/parport/parport0/devices/active").read().strip()
        if active != "none":
            raise Failure(f"the port is still held by {active} after the program ended")
    if name in DENIED_REASONS:
        if not all(p.endswith("ERR EACCES") for p in smbus_probes or pp_probes):
            raise Failure(f"expected every probe refused with EACCES: {smbus_probes or pp_probes}")
        with open(os.path.join(out_dir, name + ".out"), errors="replace") as out:
            said = out.read()
        if not re.search("^kelvran-eval: " + DENIED_REASONS[name], said, re.M):
            raise Failure("the error output does not say why nothing was found")
    log(f"{name}: trace of {len(lines)} lines; search probes:", smbus_probes or pp_probes)


def run_scenario(session, args, name):
    trace = os.path.join(args.out, name + ".trace")
    open(trace, "w").close()
    argv = [f"--bus-trace={trace}", *SCENARIOS[name][2]]
    if SCENARIOS[name][1]:
        scenario = os.path.join(args.out, "simulated-chip.json")
        write_scenario_file(scenario)
        argv.append(f"--simulate={scenario}")
    started = time.monotonic()
    # The program's own error lines are what some scenarios check (after_run).
    status = session.run(args, argv, __file__, [name], 600,
                         output=os.path.join(args.out, name + ".out"), errors_fail=False)
    if status == 0:
        try:
            after_run(name, args.out)
        except (Failure, OSError) as failure:
            log(f"{name}: {failure}")
            status = 1
    verdict = "PASS" if status == 0 else "FAIL"
    print(f"CHECK {name}: {verdict} ({time.monotonic() - started:.1f} s)", flush=True)
    return status == 0


def launch(args):
    if not ready(args):
        return 1
    passed = True
    with Session(start_timeout=60) as session:
        for name in args.scenarios.split():
            if args.hook and subprocess.run([*args.hook.split(), name]).returncode != 0:
                print(f"CHECK {name}: FAIL its set-up failed", flush=True)
                passed = False
                continue
            passed = run_scenario(session, args, name) and passed
    return 0 if passed else 1


def drive(args):
    SCENARIOS[args.drive][0](Desktop())
    return 0


if __name__ == "__main__":
    sys.exit(run_script(__doc__, launch, drive, "--hook", "--scenarios"))
