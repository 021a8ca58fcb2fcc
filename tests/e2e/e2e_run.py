#!/usr/bin/python3
"""End-to-end run of kelvran-eval in a real X server, driven from outside over AT-SPI.

The launcher half starts a private X server (Xvfb), a private D-Bus session bus, the AT-SPI bus
and the program on simulated hardware at power-up (a one-line scenario) with --a11y-ids. The driver half, run as a
child process with that environment (pyatspi binds to the bus when it is imported), goes from the
wizard's first page to the main window connected to the SMBus chip and through every tab, the
start notice, the About box and the help, and saves a screenshot of each. A second run of the
program takes the same road by key presses alone (AT-SPI only reads where the focus is): the help
from the wizard, the search, a bit flip, a gauge step, a switch, About and the help closed by its
keys. On the Visual Display
tab it drags the +12V high limit of the limits gauge with the real pointer and sets it over AT-SPI,
and checks in the program's bus trace that each reaches the chip as one pair of limit writes.

Three more runs open the program on screens people use (1366x768 scaled 125 %, a screen scaled
2x, large fonts) and take the Read/Write tab with Configuration 1 chosen on each.

Usage: e2e_run.py --program PATH --out DIR [--docs DIR]
Screenshots go to --out; with KELVRAN_UPDATE_SCREENSHOTS=1 they are copied to --docs too.
Exit status: 0 passed, 1 failed (a tool this test needs that is not installed fails it too).
"""

import argparse
import math
import os
import subprocess
import sys
import time

from atspi_session import (BusTrace, Desktop, Failure, Session, close_and_await_end, copy_to_docs,
                           driver_command, driver_status, ended_cleanly, launched, log,
                           log_program_output, missing_tools, x_window, xdotool)


# The simulated board and SMBus chip at power-up, START clear, so the start notice comes up.
POWER_UP = ('{"printer_ports": [{"boards": [{}]}], "smbus": {"chips": [{}]},'
            ' "chip": {"noise": 1}}\n')


# Screens people use, as (name, X screen, the program's environment).
SCREENS = [
    ("1366x768-125", "1366x768", {"QT_SCALE_FACTOR": "1.25"}),
    ("2x", "2560x1600", {"QT_SCALE_FACTOR": "2"}),
    ("large-fonts", "1366x768", {"QT_FONT_DPI": "144"}),
]


def run_program(args, session, mode, screen=None):
    """Starts the program on simulated hardware at power-up (on a `screen`, the built-in bench,
    set up before) and drives it in `mode`; 0 when the driver passed and the program then ended
    cleanly."""
    trace = session.path(f"bus-trace-{mode}.txt")
    output = session.path(f"program-{mode}.out")
    scenario = session.path("power-up.json")
    with open(scenario, "w", encoding="utf-8") as out:
        out.write(POWER_UP)
    program = session.start_program(
        [args.program, f"--simulate={scenario}" if screen is None else "--simulate", "--a11y-ids",
         f"--bus-trace={trace}"], output, screen[2] if screen else None)
    drive = driver_command(__file__, args.out, args.docs if mode in ("atspi", "screen") else None,
                           mode)
    if screen:
        drive += ["--screen", screen[0]]
    status = session.run_driver(
        drive, {"KELVRAN_E2E_TRACE": trace, "KELVRAN_E2E_PID": str(program.pid)}, 150)
    # The driver ended the run by closing the main window: that is a clean exit.
    if status == 0 and not ended_cleanly(program, "after its main window closed"):
        status = 1
    if status != 0:
        log_program_output(output)
    return status


def launch(args):
    missing = missing_tools()
    if missing:
        log("cannot run: not installed:", ", ".join(missing), "(scripts/test installs them)")
        return 1
    if not os.access(args.program, os.X_OK):
        log("no program at", args.program)
        return 1

    os.makedirs(args.out, exist_ok=True)
    with Session() as session:
        # Two runs: driven over AT-SPI with screenshots, then by keys alone.
        for mode in ("atspi", "keyboard"):
            status = run_program(args, session, mode)
            if status != 0:
                break
    for screen in SCREENS:
        if status != 0:
            break
        with Session(screen=screen[1]) as session:
            status = run_program(args, session, "screen", screen)
    return status


# ---------------------------------------------------------------------------------------------
# Driver (runs with the private X server and buses in its environment)
# ---------------------------------------------------------------------------------------------


# The limits gauge on the +12V channel: its limit registers and the scale the limits go back to
# the chip through (Int(volts / (15.876 / 255)), the top of the scale written as 255).
LOW_12V_REGISTER = 0x34
HIGH_12V_REGISTER = 0x33
K_INVERSE_12V = 15.876
SCALE_MAX_12V = 15.938
DRAG_PIXELS = 60
DRAG_STEPS = 4
CHART_SECONDS = 8.0  # of traces on the strip chart before its screenshot (it shows 20 s)


def register_from_12v(volts):
    counts = math.floor(volts / (K_INVERSE_12V / 255.0))
    return min(255, max(0, counts))


def drive(args):
    ui = Desktop()
    pyatspi = ui.atspi
    wait_for, application, walk, find, find_showing = (ui.wait_for, ui.application, ui.walk,
                                                       ui.find, ui.find_showing)
    showing, enabled, top_level, act, click, text_of = (ui.showing, ui.enabled, ui.top_level,
                                                        ui.act, ui.click, ui.text_of)
    page_tab, extents, value_of = ui.page_tab, ui.extents, ui.value_of
    shots = []

    def screenshot(title, file_name):
        time.sleep(0.4)  # let the window finish painting
        window = x_window(title)
        if window is None:
            raise Failure(f"no visible X window titled {title!r} for {file_name}")
        path = os.path.join(args.out, file_name)
        subprocess.run(["import", "-window", str(window), path], check=True)
        shots.append(path)
        log("screenshot", path)

    trace = BusTrace(os.environ["KELVRAN_E2E_TRACE"])

    def gauge_part(gauge, name):
        for i in range(gauge.childCount):
            part = gauge.getChildAtIndex(i)
            if part is not None and part.name == name:
                return part
        raise Failure(f"limits_gauge has no accessible child {name!r}")

    def writes_after_quiet(what, until, settle=0.4, timeout=5.0):
        """The writes in the trace from now on, once `until` holds for them and nothing more has
        been written for `settle` seconds."""
        seen = []
        deadline = time.monotonic() + timeout
        while not until(seen):
            if time.monotonic() > deadline:
                raise Failure(f"timed out waiting for {what}; writes seen: {seen}")
            time.sleep(0.05)
            seen += [line for line in trace.new_lines() if line.split()[2:3] == ["W"]]
        time.sleep(settle)
        return seen + [line for line in trace.new_lines() if line.split()[2:3] == ["W"]]

    def expected_limit_writes(low, high):
        return [f"SMB 2D W {LOW_12V_REGISTER:02X} {register_from_12v(low):02X}",
                f"SMB 2D W {HIGH_12V_REGISTER:02X} {register_from_12v(high):02X}"]

    def check_limits_gauge():
        """Drags the +12V high limit with the real pointer, then sets it over AT-SPI; on the
        SMBus each must reach the chip as exactly one pair of limit writes, low then high, made
        when the pointer is let go."""
        gauge = find_showing("limits_gauge")
        reading, low, high = (gauge_part(gauge, n) for n in ("reading", "low limit", "high limit"))
        wait_for("the high limit pointer to show", lambda: showing(high))
        high_value = high.queryValue()
        if (high_value.minimumValue, high_value.maximumValue) != (0.0, SCALE_MAX_12V):
            raise Failure("the gauge should show +12V on entering the tab; its scale is "
                          f"{high_value.minimumValue} .. {high_value.maximumValue}")
        track = extents(reading)
        volts_per_pixel = (high_value.maximumValue - high_value.minimumValue) / (track.width - 1)
        low_before, high_before = value_of(low), value_of(high)
        handle = extents(high)
        x, y = handle.x + handle.width // 2, handle.y + handle.height // 2
        log(f"+12V limits {low_before:.3f} V .. {high_before:.3f} V; dragging the high limit "
            f"from ({x}, {y}) {DRAG_PIXELS} px right")

        trace.new_lines()  # from here on
        xdotool("mousemove", "--sync", x, y)
        xdotool("mousedown", 1)
        for step in range(1, DRAG_STEPS + 1):
            xdotool("mousemove", "--sync", x + DRAG_PIXELS * step // DRAG_STEPS, y)
            time.sleep(0.05)
        # Still held: the pointer has moved, but the SMBus has been told nothing yet.
        wait_for("the high limit to follow the pointer", lambda: value_of(high) > high_before)
        time.sleep(0.2)
        early = [line for line in trace.new_lines() if line.split()[2:3] == ["W"]]
        if early:
            raise Failure(f"writes while the pointer was still held: {early}")
        xdotool("mouseup", 1)
        writes = writes_after_quiet(
            "the high limit write after the release",
            lambda seen: any(w.split()[3] == f"{HIGH_12V_REGISTER:02X}" for w in seen))
        low_after, high_after = value_of(low), value_of(high)
        log(f"after the drag: {low_after:.3f} V .. {high_after:.3f} V; writes {writes}")
        moved = (high_after - high_before) / volts_per_pixel
        if abs(moved - DRAG_PIXELS) > 1.5:
            raise Failure(f"the high limit moved {moved:.1f} px for a {DRAG_PIXELS} px drag")
        if low_after != low_before:
            raise Failure(f"dragging the high limit moved the low one: {low_before} -> {low_after}")
        handle_after = extents(high)
        if abs(handle_after.x - handle.x - DRAG_PIXELS) > 1:
            raise Failure(f"the high limit handle moved from x={handle.x} to x={handle_after.x}")
        if writes != expected_limit_writes(low_after, high_after):
            raise Failure(f"a drag and release wrote {writes}, expected "
                          f"{expected_limit_writes(low_after, high_after)}")

        # A value set from outside is a drag and a release: the same pair of writes.
        target = round(high_before - 0.25, 3)
        high_value.currentValue = target
        writes = writes_after_quiet(
            "the high limit write after setting its value",
            lambda seen: any(w.split()[3] == f"{HIGH_12V_REGISTER:02X}" for w in seen))
        high_set = value_of(high)
        log(f"high limit set to {target:.3f} V over AT-SPI: it reads {high_set:.3f} V; "
            f"writes {writes}")
        if abs(high_set - target) > 0.0005:
            raise Failure(f"the high limit reads {high_set} after being set to {target}")
        if writes != expected_limit_writes(value_of(low), high_set):
            raise Failure(f"setting the high limit wrote {writes}, expected "
                          f"{expected_limit_writes(value_of(low), high_set)}")

    def key(*names):
        """Key presses to whatever has the X input focus, as a keyboard sends them."""
        xdotool("key", "--clearmodifiers", *names)
        time.sleep(0.15)

    def focus_window(title):
        window = wait_for(f"an X window titled {title!r}", lambda: x_window(title))
        xdotool("windowfocus", "--sync", window)
        return int(window)

    def focused_name(root):
        for node in walk(root):
            if node.getState().contains(pyatspi.STATE_FOCUSED) and ui.object_name(node):
                return ui.object_name(node)
        return None

    def move_focus(root, wanted, keys, limit=60):
        """Presses keys until the control named `wanted` (or matching it) has the focus."""
        matches = wanted if callable(wanted) else (lambda name: name == wanted)
        for _ in range(limit):
            name = focused_name(root)
            if name is not None and matches(name):
                return name
            key(keys)
        raise Failure(f"{keys} never reached {wanted}; the focus is on {focused_name(root)}")

    def key_writes(name, register, what):
        """Presses a key and returns the write to the register it caused."""
        trace.new_lines()
        key(name)
        return wait_for(what, lambda: next(
            (line for line in trace.new_lines() if line.startswith(f"SMB 2D W {register} ")),
            None), timeout=5)

    def close_by_key(title, what, close_key):
        """Waits for the window what, gives it the focus and closes it with close_key."""
        wait_for(what, lambda: top_level(title))
        focus_window(title)
        key(close_key)
        wait_for(f"{close_key} to close {what}", lambda: top_level(title) is None)

    def keyboard_road():
        """The same road by keys alone: the wizard with its help, every tab, a bit flip, a gauge
        step, a switch, About and the help, each found by AT-SPI but operated by keys only."""
        wait_for("the program on the accessibility bus", application, timeout=30)
        wizard = wait_for("the wizard", lambda: top_level("KELVRAN Search Wizard"))
        help_title = "KELVRAN Evaluation Software Help"
        focus_window("KELVRAN Search Wizard")
        key("F1")
        close_by_key(help_title, "the help opened by F1 from the wizard", "Escape")

        focus_window("KELVRAN Search Wizard")
        key("Return")  # Next has the focus
        find_showing("PPCheck")
        move_focus(wizard, "SMBusCheck", "Tab")
        key("space")
        key("Return")  # on a check box: the default button, Next, runs the search
        results = find_showing("SearchResultsLIST")
        move_focus(wizard, "SearchResultsLIST", "Tab")
        key("Down")
        wait_for("the SMBus line to be selected", lambda: (
            lambda item: item is not None and (item.clear_cache(), item.getState().contains(
                pyatspi.STATE_SELECTED))[1])(results.getChildAtIndex(1)))
        move_focus(wizard, "FinishCMD", "Tab")
        key("Return")
        main = wait_for("the main window", lambda: top_level("KELVRAN Evaluation Software"))
        wait_for("the wizard to close", lambda: top_level("KELVRAN Search Wizard") is None)
        main_window = focus_window("KELVRAN Evaluation Software")

        # Read/Write: the register names are one Tab stop; the arrows go to "2.5V/External Temp.
        # High Limit" (2Bh); Space selects it, Tab goes to the digits, Space flips bit 0.
        key("ctrl+Next")
        find_showing("read_writedisplaytext_11")
        move_focus(main, lambda name: name.startswith("read_writedisplaytext_"), "Tab")
        move_focus(main, "read_writedisplaytext_20", "Down")
        key("space")
        move_focus(main, "bit7", "Tab", limit=3)
        move_focus(main, "bit0", "Right", limit=10)
        log("bit 0 of 2Bh flipped:", key_writes("space", "2B", "the bit flip to reach the chip"))

        # Visual Display: No to the start notice, then one step of the +12V low limit.
        key("ctrl+Next")
        close_by_key("KELVRAN Evaluation Software Notice", "the start notice", "Escape")
        focus_window("KELVRAN Evaluation Software")
        move_focus(main, "limits_gauge", "Tab")
        log("one gauge step:", key_writes("Right", "34", "a gauge step to write the low limit"))

        # Channel Mode/VID: Space flips the first switch.
        key("ctrl+Next")
        move_focus(main, "fan1_ain1_toggle", "Tab")
        log("FAN1/AIN1 switched:", key_writes("space", "16", "the switch to write Channel Mode"))

        # Round to Main: About by Space, closed by Escape; the help by F1, closed by Ctrl+W.
        key("ctrl+Next")
        move_focus(main, "Command3", "Tab")
        key("space")
        close_by_key("About KELVRAN Evaluation Software", "the About box", "Escape")
        focus_window("KELVRAN Evaluation Software")
        key("F1")
        close_by_key(help_title, "the help window", "ctrl+w")

        close_and_await_end(ui, main_window)
        log("the keyboard-only road passed")
        return 0

    if args.drive == "keyboard":
        return keyboard_road()

    # The wizard.
    wait_for("the program on the accessibility bus", application, timeout=30)
    wait_for("the wizard", lambda: top_level("KELVRAN Search Wizard"))
    welcome = find_showing("WelcomeLBL")
    if "Search Wizard" not in welcome.name:
        raise Failure(f"unexpected welcome text {welcome.name!r}")
    next_button = find("NextCMD")
    back_button = find("BackCMD")
    finish_button = find("FinishCMD")
    if enabled(back_button) or enabled(finish_button):
        raise Failure("Back and Finish must start disabled")
    screenshot("KELVRAN Search Wizard", "wizard-welcome.png")

    act(next_button)
    pp_check = find_showing("PPCheck")
    smbus_check = find("SMBusCheck")
    wait_for("Back to be enabled", lambda: enabled(back_button))
    if enabled(smbus_check):
        smbus_check.clear_cache()
        if not smbus_check.getState().contains(pyatspi.STATE_CHECKED):
            act(smbus_check)
            wait_for("the SMBus box to be ticked",
                     lambda: smbus_check.getState().contains(pyatspi.STATE_CHECKED))
    pp_check.clear_cache()
    screenshot("KELVRAN Search Wizard", "wizard-medium.png")

    act(next_button)
    results = find_showing("SearchResultsLIST")
    wait_for("Finish to be enabled", lambda: enabled(finish_button))
    items = [results.getChildAtIndex(i) for i in range(results.childCount)]
    items = [item for item in items if item is not None and item.name]
    lines = [item.name for item in items]
    log("search results:", [" ".join(line.split()) for line in lines])
    if len(lines) != 2 or not lines[0].rstrip().endswith("Printer 1") \
            or not lines[1].rstrip().endswith("SMBus2D"):
        raise Failure(f"expected the board at 5Ch, then the SMBus chip at 2Dh: {lines!r}")
    # Choose the SMBus chip with a click on its line: on the SMBus the gauge writes its limits
    # only when a pointer is let go, which the drag below checks.
    click(items[1])
    wait_for("the SMBus line to be selected",
             lambda: (items[1].clear_cache(), items[1].getState().contains(
                 pyatspi.STATE_SELECTED))[1])
    screenshot("KELVRAN Search Wizard", "wizard-results.png")

    # Finish hands over to the main window.
    act(finish_button)
    wait_for("the main window", lambda: top_level("KELVRAN Evaluation Software"))
    wait_for("the wizard to close", lambda: top_level("KELVRAN Search Wizard") is None)
    version = find_showing("lblVersion")
    if not version.name.startswith("Version "):
        raise Failure(f"lblVersion reads {version.name!r}")
    screenshot("KELVRAN Evaluation Software", "main-tab.png")

    # Read/Write.
    act(wait_for("the Read/Write tab", lambda: page_tab("Read/Write")))
    panel = find_showing("SSPanel7")
    if text_of(panel) != "Continuous Reading is Off":
        raise Failure(f"SSPanel7 reads {text_of(panel)!r}")
    find_showing("read_writedisplaytext_11")
    screenshot("KELVRAN Evaluation Software", "read-write-tab.png")

    # Visual Display: the simulated chip starts with START clear, so the start notice comes up.
    click(wait_for("the Visual Display tab", lambda: page_tab("Visual Display")))
    notice = wait_for("the start notice",
                      lambda: top_level("KELVRAN Evaluation Software Notice"))
    if notice.getRole() != pyatspi.ROLE_ALERT:
        raise Failure(f"the start notice has role {notice.getRoleName()}")
    screenshot("KELVRAN Evaluation Software Notice", "start-notice.png")
    yes = next((n for n in walk(notice)
                if n.getRole() == pyatspi.ROLE_PUSH_BUTTON and n.name.replace("&", "") == "Yes"),
               None)
    if yes is None:
        raise Failure("the start notice has no Yes button")
    act(yes)
    wait_for("the start notice to close",
             lambda: top_level("KELVRAN Evaluation Software Notice") is None)
    setup = []
    wait_for("EasySetup to start the SMBus chip (a write of 03 to register 40)",
             lambda: setup.extend(trace.new_lines()) or "SMB 2D W 40 03" in setup)
    chart_started = time.monotonic()
    check_limits_gauge()
    # Several seconds of the display cycle, so the traces cross a good part of the strip chart.
    time.sleep(max(0.0, chart_started + CHART_SECONDS - time.monotonic()))
    screenshot("KELVRAN Evaluation Software", "visual-display-tab.png")

    # The File menu, opened from the keyboard over the live display. The menu is a window of its
    # own, so the shot is taken of the screen where the main window stands.
    main_window = subprocess.run(
        ["xdotool", "search", "--onlyvisible", "--name", "^KELVRAN Evaluation Software$"],
        capture_output=True, text=True).stdout.split()[-1]
    subprocess.run(["xdotool", "windowfocus", "--sync", main_window], check=True)
    subprocess.run(["xdotool", "key", "alt+f"], check=True)
    find_showing("menu_file")
    time.sleep(0.4)
    geometry = dict(line.split("=") for line in subprocess.run(
        ["xdotool", "getwindowgeometry", "--shell", main_window],
        capture_output=True, text=True, check=True).stdout.split())
    path = os.path.join(args.out, "file-menu.png")
    subprocess.run(["import", "-window", "root", "-crop",
                    f"{geometry['WIDTH']}x{geometry['HEIGHT']}+{geometry['X']}+{geometry['Y']}",
                    "+repage", path], check=True)
    shots.append(path)
    subprocess.run(["xdotool", "key", "Escape"], check=True)

    # Channel Mode/VID.
    act(wait_for("the Channel Mode/VID tab", lambda: page_tab("Channel Mode/VID ")))
    vid = find_showing("vid_bit_0")
    # A VID digit reads with its bit: "VID 0, 1".
    wait_for("the VID row", lambda: text_of(vid) in ("VID 0, 0", "VID 0, 1"))
    screenshot("KELVRAN Evaluation Software", "channel-mode-tab.png")

    # Back to Main, the About box and the help.
    act(wait_for("the Main tab", lambda: page_tab("Main")))
    act(find_showing("Command3"))
    about = wait_for("the About box", lambda: top_level("About KELVRAN Evaluation Software"))
    screenshot("About KELVRAN Evaluation Software", "about-box.png")
    act(find("cmdOK", about))
    wait_for("the About box to close",
             lambda: top_level("About KELVRAN Evaluation Software") is None)

    main_window = x_window("KELVRAN Evaluation Software")
    subprocess.run(["xdotool", "windowfocus", "--sync", str(main_window)], check=True)
    subprocess.run(["xdotool", "key", "F1"], check=True)
    wait_for("the help window", lambda: top_level("KELVRAN Evaluation Software Help"))
    browser = find_showing("help_browser")
    if "user's guide" not in text_of(browser):
        raise Failure("the help window does not show the user's guide")
    screenshot("KELVRAN Evaluation Software Help", "help.png")

    # Closing the main window (as its close box does) closes the help with it and ends the run.
    close_and_await_end(ui, main_window)
    log("the program ended when its main window closed")
    copy_to_docs(shots, args.docs)
    return 0


def drive_screen(args):
    """The wizard to the SMBus chip, then the Read/Write tab with Configuration 1 chosen, taken
    as a screenshot named for the screen."""
    ui = Desktop()
    ui.wait_for("the program on the accessibility bus", ui.application, timeout=30)
    ui.wait_for("the wizard", lambda: ui.top_level("KELVRAN Search Wizard"))
    next_button = ui.find("NextCMD")
    finish_button = ui.find("FinishCMD")
    ui.act(next_button)
    ui.find_showing("PPCheck")
    ui.act(next_button)
    ui.wait_for("Finish to be enabled", lambda: ui.enabled(finish_button))
    ui.act(finish_button)
    ui.wait_for("the main window", lambda: ui.top_level("KELVRAN Evaluation Software"))
    ui.act(ui.wait_for("the Read/Write tab", lambda: ui.page_tab("Read/Write")))
    ui.act(ui.find_showing("read_writedisplaytext_40"))
    start = ui.find_showing("bitname_0")
    ui.wait_for("the bits of Configuration 1", lambda: ui.text_of(start) == "START")
    time.sleep(0.4)  # let the window finish painting
    window = x_window("KELVRAN Evaluation Software")
    path = os.path.join(args.out, f"read-write-{args.screen}.png")
    subprocess.run(["import", "-window", str(window), path], check=True)
    log("screenshot", path)
    close_and_await_end(ui, window)
    copy_to_docs([path], args.docs)
    return 0


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--program")
    parser.add_argument("--out", required=True)
    parser.add_argument("--docs")
    parser.add_argument("--drive", choices=("atspi", "keyboard", "screen"),
                        help=argparse.SUPPRESS)
    parser.add_argument("--screen", help=argparse.SUPPRESS)
    args = parser.parse_args()
    if args.drive:
        return driver_status(drive_screen if args.drive == "screen" else drive, args)
    if not args.program:
        parser.error("--program is required")
    return launched(launch, args)


if __name__ == "__main__":
    sys.exit(main())
