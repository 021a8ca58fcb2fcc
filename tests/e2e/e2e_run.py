#!/usr/bin/python3
"""End-to-end run of kelvran-eval in a real X server, driven from outside.

The launcher half starts a private X server (Xvfb), a private D-Bus session bus, the AT-SPI bus
and the program on simulated hardware at power-up with --a11y-ids. The driver half, run as a child
process with that environment (pyatspi binds to the bus when it is imported), takes the walk of
walk.py by real key presses (AT-SPI only finds the controls and reads where the focus is), drags
the +12V high limit of the limits gauge with the real pointer, and saves a screenshot of each
window for docs/screenshots.

Three more runs open the program on screens people use (1366x768 scaled 125 %, a screen scaled
2x, large fonts) and take the Read/Write tab with Configuration 1 chosen on each; then, with START
cleared there, Escape answers the start notice and nothing is written.
"""

import os
import subprocess
import sys
import time

from atspi_session import (Failure, Session, close_and_await_end, log, ready, run_script, x_window,
                           xdotool)
from walk import HELP, HIGH_12V, LOW_12V, MAIN, NOTICE, AtspiActs, Walk, run_walk

# Screens people use, as (name, X screen, the program's environment).
SCREENS = [
    ("1366x768-125", "1366x768", {"QT_SCALE_FACTOR": "1.25"}),
    ("2x", "2560x1600", {"QT_SCALE_FACTOR": "2"}),
    ("large-fonts", "1366x768", {"QT_FONT_DPI": "144"}),
]
DRAG_PIXELS, DRAG_STEPS = 60, 4


def launch(args):
    if not ready(args):
        return 1
    with Session() as session:
        status = run_walk(session, args, __file__, ["walk"], 150)
    for name, size, env in SCREENS:
        with Session(screen=size) as session:
            status = status or run_walk(session, args, __file__, ["screen", "--screen", name], 150,
                                        None, env)
    return status


# ---------------------------------------------------------------------------------------------
# Driver (runs with the private X server and buses in its environment)
# ---------------------------------------------------------------------------------------------


class X11Acts(AtspiActs):
    """Real keys to the window with the X input focus, and the real pointer for the drag."""

    def __init__(self, args, keep_shots=True):
        super().__init__(args)
        self.keep_shots = keep_shots

    def key(self, *names):
        xdotool("key", "--clearmodifiers", *names)
        time.sleep(0.15)

    def focus_window(self, title):
        """Gives the window the X input focus; keys go there, and focus moves are looked for in
        it."""
        window = self.ui.wait_for(f"an X window titled {title!r}", lambda: x_window(title))
        xdotool("windowfocus", "--sync", window)
        self.title = title
        return window

    def focused_name(self):
        for node in self.ui.walk(self.ui.top_level(self.title)):
            if self.ui.has_state(node, self.ui.atspi.STATE_FOCUSED) and self.ui.object_name(node):
                return self.ui.object_name(node)
        return None

    def move_focus(self, wanted, keys, limit=60):
        """Presses keys until the control with the focus has an objectName that wanted() takes;
        wanted may be a control, to take its own name."""
        if not callable(wanted):
            wanted = self.ui.object_name(wanted).__eq__
        for _ in range(limit):
            if wanted(self.focused_name() or ""):
                return
            self.key(keys)
        raise Failure(f"{keys} never reached the control; the focus is on {self.focused_name()}")

    arrived = focus_window

    def shot(self, title, file_name):
        if not self.keep_shots:
            return
        time.sleep(0.4)  # let the window finish painting
        path = os.path.join(self.args.out, file_name)
        subprocess.run(["import", "-window", str(self.focus_window(title)), path], check=True)
        self.shots.append(path)
        log("screenshot", path)

    def press(self, node, modal=False):
        self.move_focus(node, "Tab")
        self.key("space")

    def press_default(self, node):
        self.key("Return")  # the window's default button, wherever the focus is

    def pick(self, node, group, arrow):
        self.move_focus(lambda name: name.startswith(group), "Tab")
        self.move_focus(node, arrow)
        self.key("space")

    def choose_line(self, results, item):
        self.move_focus(lambda name: name == "SearchResultsLIST", "Tab")
        self.key("Down")

    def next_tab(self, caption, modal=False):
        self.key("ctrl+Next")

    def open_help(self):
        self.key("F1")

    def help_by_f1_closed_by(self, key, title):
        """F1 in the window with this title opens the help; key closes it again."""
        self.focus_window(title)
        self.key("F1")
        self.ui.wait_for("the help opened by F1", lambda: self.ui.top_level(HELP))
        self.focus_window(HELP)
        self.key(key)
        self.ui.wait_for(f"{key} to close the help", lambda: self.ui.top_level(HELP) is None)
        self.focus_window(title)

    def drag_high_limit(self, walk, parts):
        """Drags the +12V high limit with the real pointer: it follows the pointer, and the SMBus
        is told only when the pointer is let go, as one pair of limit writes, low then high."""
        ui, low, high = self.ui, parts["low limit"], parts["high limit"]
        high_before = ui.value_of(high)
        handle = ui.extents(high)
        x, y = handle.x + handle.width // 2, handle.y + handle.height // 2
        walk.trace.new_lines()
        xdotool("mousemove", "--sync", x, y)
        xdotool("mousedown", 1)
        for step in range(1, DRAG_STEPS + 1):
            xdotool("mousemove", "--sync", x + DRAG_PIXELS * step // DRAG_STEPS, y)
            time.sleep(0.05)
        ui.wait_for("the high limit to follow the pointer", lambda: ui.value_of(high) > high_before)
        time.sleep(0.2)
        walk.expect_no_writes("the drag while the pointer was still held")
        xdotool("mouseup", 1)
        writes = walk.write_to(HIGH_12V, "the high limit write after the release", 0.4)
        low_after, high_after = ui.value_of(low), ui.value_of(high)
        log(f"dragged {DRAG_PIXELS} px: {low_after:.3f} V .. {high_after:.3f} V; writes {writes}")
        if abs(ui.extents(high).x - handle.x - DRAG_PIXELS) > 1:
            raise Failure(f"the high limit handle moved from x={handle.x} to "
                          f"x={ui.extents(high).x}")
        walk.expect_limit_writes(writes, low, high, "a drag and release")

    def step_low_limit_by_key(self, walk):
        self.focus_window(MAIN)
        self.move_focus(lambda name: name == "limits_gauge", "Tab")
        walk.trace.new_lines()
        self.key("Right")
        log("one gauge step:", walk.write_to(LOW_12V, "a gauge step to write the limits"))

    def area_shot(self, window, file_name, margin=0):
        """A shot of the screen where window stands, with a margin around it: a menu or a
        notification is a window of its own, shown over others."""
        geometry = {key: int(value) for key, value in (line.split("=") for line in subprocess.run(
            ["xdotool", "getwindowgeometry", "--shell", str(window)],
            capture_output=True, text=True, check=True).stdout.split()) if key != "SCREEN"}
        x, y = max(0, geometry["X"] - margin), max(0, geometry["Y"] - margin)
        path = os.path.join(self.args.out, file_name)
        subprocess.run(["import", "-window", "root", "-crop",
                        f"{geometry['WIDTH'] + 2 * margin}x{geometry['HEIGHT'] + 2 * margin}"
                        f"+{x}+{y}", "+repage", path], check=True)
        self.shots.append(path)
        log("screenshot", path)

    def file_menu_shot(self):
        """The File menu over the live display, on the screen where the main window stands."""
        window = self.focus_window(MAIN)
        self.key("alt+f")
        self.ui.find_showing("menu_file")
        time.sleep(0.4)
        self.area_shot(window, "file-menu.png")
        self.key("Escape")
        self.key("Escape")  # the menu bar lets the keyboard go

    def end(self):
        """Ctrl+W closes the help; with the help open again, closing the main window (as its
        close box does) closes the help with it and ends the program."""
        self.help_by_f1_closed_by("ctrl+w", MAIN)
        self.key("F1")
        self.ui.wait_for("the help again", lambda: self.ui.top_level(HELP))
        close_and_await_end(self.ui, x_window(MAIN))


def drive_screen(args):
    """The wizard to the SMBus chip, then the Read/Write tab with Configuration 1 chosen, taken
    as a screenshot named for the screen. START cleared there, the start notice comes on the
    Visual Display tab, and Escape answers it as No: nothing is written."""
    acts = X11Acts(args, keep_shots=False)
    walk, ui = Walk(acts), acts.ui
    walk.wizard()
    acts.next_tab("Read/Write")
    ui.act(ui.find_showing("read_writedisplaytext_40"))
    start = ui.find_showing("bitname_0")
    ui.wait_for("the bits of Configuration 1", lambda: ui.text_of(start) == "START")
    acts.keep_shots = True
    acts.shot(MAIN, f"read-write-{args.screen}.png")

    walk.trace.new_lines()
    ui.act(ui.find_showing("bit0"))
    walk.write_to("40", "START to be cleared")
    acts.next_tab("Visual Display")
    walk.window(NOTICE)
    acts.key("Escape")
    walk.gone(NOTICE)
    time.sleep(0.3)
    walk.expect_no_writes("the start notice answered by Escape")
    close_and_await_end(ui, x_window(MAIN))
    acts.done()
    return 0


if __name__ == "__main__":
    sys.exit(run_script(__doc__, launch, lambda args: drive_screen(args) if args.drive == "screen"
                        else Walk(X11Acts(args)).run(), "--screen"))
