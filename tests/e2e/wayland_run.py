#!/usr/bin/python3
"""kelvran-eval natively on Wayland: a private Weston (wayland_session.py), the program on Qt's
wayland platform on a simulated chip that powers up with START clear, driven over AT-SPI actions
alone (Wayland lets no client move another's pointer or type into it).

The road: the wizard to Finish with the SMBus chip chosen, each tab, a bit of a register flipped by
its digit and seen in the bus trace, the start notice and EasySetup, a gauge limit set and written,
the Visual Display tab's screenshot, the File menu's dialogs opened and cancelled, the help, the
About box, and File > Quit. On the way it checks what Wayland does differently from X11: the
compositor, not the program, places windows, so every window must open whole on the screen and
every dialog must name the main window as its parent; the window that opens takes the focus.

Usage: wayland_run.py --program PATH --out DIR [--docs DIR]
The screenshot goes to --out; with KELVRAN_UPDATE_SCREENSHOTS=1 it is copied to --docs too.
Exit status: 0 passed, 1 failed (Weston that does not start is a failure, not a skip).
"""

import argparse
import json
import os
import sys
import time

from atspi_session import (BusTrace, Desktop, Failure, copy_to_docs, driver_command, driver_status,
                           ended_cleanly, launched, log, missing_tools, process_ended)
from wayland_session import SCREEN, WaylandSession, content_box, crop, point_at, screenshot

# The built-in boards, but with the chips at power-up (START clear), so the start notice comes.
SCENARIO = {
    "printer_ports": [{"base": "0x378",
                       "boards": [{"address": "0x5C", "answers_under": "false"}]}],
    "smbus": {"present": True, "chips": [{"address": "0x2D"}]},
    "chip": {"registers": {"0x40": "0x00"}, "noise": 1.0},
}
MAIN = "KELVRAN Evaluation Software"
WIZARD = "KELVRAN Search Wizard"
NOTICE = "KELVRAN Evaluation Software Notice"
ABOUT = "About KELVRAN Evaluation Software"
HELP = "KELVRAN Evaluation Software Help"
SHOT_NAME = "visual-display-tab-wayland.png"
CHART_SECONDS = 6.0
LOW_12V_REGISTER, HIGH_12V_REGISTER = 0x34, 0x33


def launch(args):
    # None of the tools is optional here.
    missing = missing_tools()
    if missing:
        log("FAILED: not installed:", ", ".join(missing), "(scripts/deps installs them)")
        return 1
    if not os.access(args.program, os.X_OK):
        log("FAILED: no program at", args.program)
        return 1
    os.makedirs(args.out, exist_ok=True)
    with WaylandSession() as session:
        scenario = session.path("power-up.json")
        with open(scenario, "w") as out:
            json.dump(SCENARIO, out)
        trace = session.path("bus-trace.txt")
        output = session.path("program.out")
        program = session.start_program(
            [args.program, f"--simulate={scenario}", "--a11y-ids", f"--bus-trace={trace}"],
            output)
        drive = driver_command(__file__, args.out, args.docs, "--work", session.work)
        status = session.run_driver(
            drive, {"KELVRAN_E2E_TRACE": trace, "KELVRAN_E2E_PID": str(program.pid),
                    "KELVRAN_X_DISPLAY": session.x_display}, 120)
        if status == 0 and not ended_cleanly(program, "after File > Quit"):
            status = 1
        with open(output, "rb") as out:
            text = out.read().decode(errors="replace")
        # Qt says so when a feature of the compositor is missing; it must not be ours.
        if "kelvran-eval:" in text:
            log("the program reported an error:\n" + text[-3000:])
            status = 1
        elif text.strip():
            log("the program said:\n" + text[-3000:])
        elif status != 0:
            log(f"program (status {program.poll()}) output:\n" + text[-3000:])
    return status


# ---------------------------------------------------------------------------------------------
# Driver (runs with Weston and the buses in its environment)
# ---------------------------------------------------------------------------------------------


class WaylandDriver:
    def __init__(self, args):
        self.ui = Desktop()
        self.atspi = self.ui.atspi
        self.args = args
        self.trace = BusTrace(os.environ["KELVRAN_E2E_TRACE"])
        self.shots = os.path.join(args.work, "shots")
        self.a11y_bus = None

    # -- finding and working controls, by AT-SPI only --

    def wait_for(self, what, condition, timeout=15.0):
        return self.ui.wait_for(what, condition, timeout)

    def window(self, title):
        return self.wait_for(f"the window {title!r}", lambda: self.ui.top_level(title))

    def gone(self, title):
        self.wait_for(f"the window {title!r} to close", lambda: self.ui.top_level(title) is None)

    def act_no_wait(self, node, names=("Press", "press", "Toggle", "toggle", "Click", "click")):
        """Runs an action without waiting for its answer. The answer to an action whose handler
        opens a modal window comes only when that window closes, and until then libatspi answers
        no other call of the driver: the call goes out on a connection of its own, unanswered."""
        from gi.repository import Gio, GLib

        action = node.queryAction()
        index = next((i for i in range(action.nActions) if action.getName(i) in names), None)
        if index is None:
            raise Failure(f"{node.name!r} offers none of the actions {names}")
        if self.a11y_bus is None:
            address = Gio.bus_get_sync(Gio.BusType.SESSION, None).call_sync(
                "org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus", "GetAddress", None,
                GLib.VariantType("(s)"), Gio.DBusCallFlags.NONE, 5000, None).unpack()[0]
            self.a11y_bus = Gio.DBusConnection.new_for_address_sync(
                address, Gio.DBusConnectionFlags.AUTHENTICATION_CLIENT |
                Gio.DBusConnectionFlags.MESSAGE_BUS_CONNECTION, None, None)
        self.a11y_bus.call(node.app.bus_name, node.path, "org.a11y.atspi.Action", "DoAction",
                           GLib.Variant("(i)", (index,)), None, Gio.DBusCallFlags.NONE, -1, None,
                           None, None)
        self.a11y_bus.flush_sync(None)

    def menu_item(self, text):
        """A menu entry by its text (entries are actions, which have no objectName); the key shown
        beside it is not part of its name."""
        def find():
            for node in self.ui.walk(self.ui.application()):
                if node.getRole() == self.atspi.ROLE_MENU_ITEM and \
                        node.name.replace("&", "") == text:
                    return node
            return None
        return self.wait_for(f"the menu entry {text!r}", find)

    def button_in(self, root, text):
        for node in self.ui.walk(root):
            if node.getRole() == self.atspi.ROLE_PUSH_BUTTON and node.name.replace("&", "") == text:
                return node
        raise Failure(f"{root.name!r} has no button {text!r}")

    def active(self, title):
        node = self.ui.top_level(title)
        return node is not None and self.ui.has_state(node, self.atspi.STATE_ACTIVE)

    def writes(self, until, what, timeout=5.0):
        seen = []

        def done():
            seen.extend(line for line in self.trace.new_lines() if line.split()[2:3] == ["W"])
            return until(seen)
        self.wait_for(what, done, timeout)
        return seen

    # -- what Wayland changes --

    def check_whole_on_screen(self, title, shot_name=None):
        """The window, shown alone, lies whole on the screen; its picture is kept as shot_name."""
        node = self.window(title)
        time.sleep(0.5)  # let it finish painting
        shot = screenshot(self.shots)
        box = content_box(shot)
        if box is None:
            raise Failure(f"the screenshot shows nothing of {title!r}")
        extents = self.ui.extents(node)
        x, y, width, height = box
        log(f"{title!r}: {extents.width}x{extents.height} inside, on screen at {x},{y} as "
            f"{width}x{height} with its frame")
        # The compositor keeps a window that fits wholly on the screen; one larger than the
        # screen is cut at its edge, and then the picture is smaller than the window inside it.
        if width < extents.width or height < extents.height:
            raise Failure(f"{title!r} is {extents.width}x{extents.height} but only {width}x{height}"
                          f" of it is on the {SCREEN[0]}x{SCREEN[1]} screen")
        if shot_name:
            # Weston draws its pointer where the mouse last was: on the title bar's left end it
            # hides nothing.
            point_at(os.environ["KELVRAN_X_DISPLAY"], x + 2, y + 2)
            time.sleep(0.3)
            shot = screenshot(self.shots)
            path = os.path.join(self.args.out, shot_name)
            crop(shot, box, path)
            log("screenshot", path)
            copy_to_docs([path], self.args.docs)
        return box

    def check_dialog(self, title, opened_by, close_button):
        """A modal dialog: opened by its action, it shows whole on the screen with the focus,
        over its parent, and closes with close_button."""
        self.act_no_wait(opened_by)
        dialog = self.window(title)
        self.wait_for(f"{title!r} to take the focus", lambda: self.active(title))
        if self.active(MAIN):
            raise Failure(f"the main window stays active under {title!r}")
        self.ui.act(self.button_in(dialog, close_button))
        self.gone(title)
        self.wait_for(f"the main window to take the focus back from {title!r}",
                      lambda: self.active(MAIN))

    # -- the road --

    def wizard(self):
        ui = self.ui
        self.wait_for("the program on the accessibility bus", ui.application, timeout=30)
        self.window(WIZARD)
        self.wait_for("the wizard to take the focus", lambda: self.active(WIZARD))
        self.check_whole_on_screen(WIZARD)
        ui.act(ui.find("NextCMD"))
        smbus = ui.find_showing("SMBusCheck")
        ui.act(smbus)
        self.wait_for("the SMBus box to be ticked", lambda: ui.checked(smbus))
        ui.act(ui.find("NextCMD"))
        results = ui.find_showing("SearchResultsLIST")
        self.wait_for("Finish to be enabled", lambda: ui.enabled(ui.find("FinishCMD")))
        lines = [" ".join(item.name.split()) for item in ui.list_lines(results)]
        log("search results:", lines)
        if len(lines) != 2 or not lines[1].endswith("SMBus2D"):
            raise Failure(f"expected the board, then the SMBus chip at 2Dh: {lines}")
        # A line's own action selects it (no pointer to click it with).
        item = results.getChildAtIndex(1)
        ui.act(item, ("Toggle",))
        self.wait_for("the SMBus line to be selected",
                      lambda: ui.has_state(item, self.atspi.STATE_SELECTED))
        ui.act(ui.find("FinishCMD"))
        self.window(MAIN)
        self.gone(WIZARD)
        self.wait_for("the main window to take the focus", lambda: self.active(MAIN))
        version = ui.find_showing("lblVersion")
        if not version.name.startswith("Version "):
            raise Failure(f"lblVersion reads {version.name!r}")

    def read_write_tab(self):
        ui = self.ui
        ui.act(self.wait_for("the Read/Write tab", lambda: ui.page_tab("Read/Write")))
        register = ui.find_showing("read_writedisplaytext_20")  # 2Bh
        self.trace.new_lines()
        ui.act(register)
        read = self.wait_for("2Bh to be read", lambda: next(
            (line for line in self.trace.new_lines() if line.startswith("SMB 2D R 2B ")), None))
        before = int(read.split()[4], 16)
        ui.act(ui.find_showing("bit0"))
        writes = self.writes(lambda seen: any(w.split()[3] == "2B" for w in seen),
                             "the bit flip to reach the chip")
        expected = f"SMB 2D W 2B {before ^ 1:02X}"
        if expected not in writes:
            raise Failure(f"flipping bit 0 of 2Bh ({before:02X}) wrote {writes}, not {expected}")
        log("bit 0 of 2Bh flipped:", expected)

    def visual_display_tab(self):
        ui = self.ui
        tab = self.wait_for("the Visual Display tab", lambda: ui.page_tab("Visual Display"))
        self.trace.new_lines()
        self.act_no_wait(tab)
        notice = self.window(NOTICE)
        if notice.getRole() != self.atspi.ROLE_ALERT:
            raise Failure(f"the start notice has role {notice.getRoleName()}")
        ui.act(self.button_in(notice, "Yes"))
        self.gone(NOTICE)
        self.writes(lambda seen: "SMB 2D W 40 03" in seen,
                    "EasySetup to start the chip (a write of 03 to register 40)")
        started = time.monotonic()

        # A limit set from outside reaches the chip as one pair of limit writes, low then high.
        gauge = ui.find_showing("limits_gauge")
        parts = {gauge.getChildAtIndex(i).name: gauge.getChildAtIndex(i)
                 for i in range(gauge.childCount)}
        high = parts["high limit"].queryValue()
        target = round(high.currentValue - 0.25, 3)
        self.trace.new_lines()
        high.currentValue = target
        writes = self.writes(lambda seen: any(w.split()[3] == f"{HIGH_12V_REGISTER:02X}"
                                              for w in seen), "the high limit write")
        registers = [w.split()[3] for w in writes]
        if registers != [f"{LOW_12V_REGISTER:02X}", f"{HIGH_12V_REGISTER:02X}"]:
            raise Failure(f"setting the +12V high limit wrote {writes}")
        log("+12V high limit set:", writes)
        time.sleep(max(0.0, started + CHART_SECONDS - time.monotonic()))
        self.check_whole_on_screen(MAIN, SHOT_NAME)

    def file_menu_dialogs(self):
        # Each opens a modal dialog over the main window; Cancel leaves everything as it was.
        for entry, title in (("Save Register Snapshot…", "Save Register Snapshot"),
                             ("Restore Register Snapshot…", "Restore Register Snapshot"),
                             ("Export Chart…", "Export Chart"),
                             ("Start Recording…", "Start Recording")):
            self.trace.new_lines()
            self.check_dialog(title, self.menu_item(entry), "Cancel")
            writes = [line for line in self.trace.new_lines() if line.split()[2:3] == ["W"]]
            if writes:
                raise Failure(f"{entry} cancelled wrote {writes}")
            log(f"File > {entry}: opened and cancelled")

    def channel_mode_tab(self):
        ui = self.ui
        ui.act(self.wait_for("the Channel Mode/VID tab",
                             lambda: ui.page_tab("Channel Mode/VID ")))
        vid = ui.find_showing("vid_bit_0")
        self.wait_for("the VID row", lambda: ui.text_of(vid) in ("VID 0, 0", "VID 0, 1"))

    def help_and_about(self):
        ui = self.ui
        ui.act(self.wait_for("the Main tab", lambda: ui.page_tab("Main")))
        self.check_dialog(ABOUT, ui.find_showing("Command3"), "OK")
        # The help is a window of its own beside the main one; it goes when the program ends.
        ui.act(self.menu_item("Contents"))
        self.window(HELP)
        self.wait_for("the help to take the focus", lambda: self.active(HELP))
        browser = ui.find_showing("help_browser")
        if "user's guide" not in ui.text_of(browser):
            raise Failure("the help window does not show the user's guide")

    def quit(self):
        self.ui.act(self.menu_item("Quit"))
        self.wait_for("the program to end after File > Quit",
                      lambda: process_ended(int(os.environ["KELVRAN_E2E_PID"])))

    def run(self):
        for step in (self.wizard, self.read_write_tab, self.visual_display_tab,
                     self.file_menu_dialogs, self.channel_mode_tab, self.help_and_about,
                     self.quit):
            log(step.__name__.replace("_", " "))
            step()
        log("the Wayland road passed")
        return 0


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--program")
    parser.add_argument("--out", required=True)
    parser.add_argument("--docs")
    parser.add_argument("--work", help=argparse.SUPPRESS)
    parser.add_argument("--drive", action="store_true", help=argparse.SUPPRESS)
    args = parser.parse_args()
    if args.drive:
        return driver_status(lambda: WaylandDriver(args).run())
    if not args.program:
        parser.error("--program is required")
    return launched(launch, args)


if __name__ == "__main__":
    sys.exit(main())
