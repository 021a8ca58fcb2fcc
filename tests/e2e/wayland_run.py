#!/usr/bin/python3
"""kelvran-eval natively on Wayland: a private Weston, the program on Qt's wayland platform on a
simulated chip that powers up with START clear, taking the walk of walk.py by AT-SPI actions
alone (Wayland lets no client move another's pointer or type into it).

On the way it checks what Wayland does differently from X11: the compositor, not the program,
places windows, so every window must open whole on the screen and every dialog over the main
window (the File menu's dialogs too, opened and cancelled); the window that opens takes the focus.
The program ends by File > Quit. Weston that does not start is a failure, not a skip.

Weston runs its X11 backend inside a private Xvfb, so nothing needs a screen. Its headless backend
would do as much but has no seat, no keyboard and no pointer, which no desktop lacks, and on which
Qt 6.4's Wayland plugin crashes as soon as a line edit with the focus draws its cursor (in
QWaylandInputDevice::textInput, on the seat that is not there). The X server is Weston's alone:
the program and the driver see only WAYLAND_DISPLAY. Weston renders with pixman (its screenshots
come from what it rendered) and has its debug protocol on (without it weston-screenshooter is
refused). Its desktop is one flat colour with no panel, so a window is found on a screenshot by
cropping everything of that colour away.
"""

import glob
import os
import socket
import subprocess
import sys
import tempfile
import time

from atspi_session import ACTIONS, Failure, Session, await_end, log, ready, run_script
from walk import MAIN, AtspiActs, Walk, run_walk

SOCKET_NAME = "kelvran-wayland"
SCREEN = (1280, 1024)
BACKGROUND = "#1e3250"
WESTON_INI = os.path.join(os.path.dirname(os.path.abspath(__file__)), "weston.ini")


def socket_answers(path):
    with socket.socket(socket.AF_UNIX, socket.SOCK_STREAM) as probe:
        try:
            probe.connect(path)
            return True
        except OSError:
            return False


class WaylandSession(Session):
    """Session on Weston in place of a bare X server; run() runs the program on it natively."""

    platform = "wayland"
    x_display = None  # the X server Weston runs in

    def program_env(self):
        # In the sanitizer build, what Qt's Wayland plugin leaves in libwayland-client is not the
        # program's leak.
        supp = os.path.join(os.path.dirname(os.path.abspath(__file__)), "wayland-leaks.supp")
        options = f"suppressions={supp}:print_suppressions=0"
        if self.env.get("LSAN_OPTIONS"):
            options = self.env["LSAN_OPTIONS"] + ":" + options
        return dict(super().program_env(), LSAN_OPTIONS=options)

    def _start_x_server(self):
        super()._start_x_server()
        self.x_display = self.env["DISPLAY"]
        config = self.path("weston.ini")
        with open(WESTON_INI) as template, open(config, "w") as ini:
            ini.write(template.read().format(background=BACKGROUND[1:]))
        weston_log = self.path("weston.log")
        weston = self._start(["weston", "--backend=x11-backend.so", "--use-pixman", "--debug",
                              f"--socket={SOCKET_NAME}", f"--width={SCREEN[0]}",
                              f"--height={SCREEN[1]}", f"--config={config}",
                              f"--log={weston_log}"], "weston")
        path = self.path(SOCKET_NAME)
        deadline = time.monotonic() + self.start_timeout
        while not socket_answers(path):
            if weston.poll() is not None or time.monotonic() > deadline:
                tail = ""
                for said in (self.path("weston.out"), weston_log):
                    if os.path.exists(said):
                        with open(said, errors="replace") as text:
                            tail += text.read()[-2000:]
                raise RuntimeError("Weston did not start" + (
                    f" (it ended with status {weston.returncode})" if weston.poll() is not None
                    else f" within {self.start_timeout} s") + ":\n" + tail)
            time.sleep(0.05)
        self.env["WAYLAND_DISPLAY"] = SOCKET_NAME
        del self.env["DISPLAY"]  # nothing but Weston may fall back to X
        log("Weston on", path)


def screenshot(folder):
    """A screenshot of the whole output, by the compositor; the path of the PNG file."""
    os.makedirs(folder, exist_ok=True)
    for old in glob.glob(os.path.join(folder, "wayland-screenshot-*.png")):
        os.remove(old)
    subprocess.run(["weston-screenshooter"], cwd=folder, check=True, timeout=20,
                   capture_output=True)
    shots = glob.glob(os.path.join(folder, "wayland-screenshot-*.png"))
    if len(shots) != 1:
        raise RuntimeError(f"weston-screenshooter left {len(shots)} files in {folder}")
    return shots[0]


def content_box(shot):
    """(x, y, width, height) of what differs from the desktop's colour on a screenshot; None when
    the desktop is empty."""
    # A border of the desktop's colour makes the corner ImageMagick trims by that colour.
    geometry = subprocess.run(["convert", shot, "-bordercolor", BACKGROUND, "-border", "1",
                               "-format", "%@", "info:"], capture_output=True, text=True,
                              check=True).stdout.strip()
    size, x, y = geometry.split("+")
    width, height = (int(n) for n in size.split("x"))
    if width <= 1 or height <= 1:
        return None
    return int(x) - 1, int(y) - 1, width, height


# The one screenshot kept: the Visual Display tab, beside the X11 one.
SHOTS_KEPT = {"visual-display-tab.png": "visual-display-tab-wayland.png"}


def launch(args):
    if not ready(args, ["weston", "weston-screenshooter", "convert"]):
        return 1
    with WaylandSession() as session:
        return run_walk(session, args, __file__, [], 120,
                        env={"KELVRAN_X_DISPLAY": session.x_display})


# ---------------------------------------------------------------------------------------------
# Driver (runs with Weston and the buses in its environment)
# ---------------------------------------------------------------------------------------------


class WaylandActs(AtspiActs):
    """AT-SPI actions only; the compositor's screenshots show where each window stands."""

    wayland = True

    def __init__(self, args):
        super().__init__(args)
        self.work = tempfile.mkdtemp(prefix="kelvran-wayland-shots-")
        self.a11y_bus = None

    def active(self, title):
        node = self.ui.top_level(title)
        return node is not None and self.ui.has_state(node, self.ui.atspi.STATE_ACTIVE)

    def arrived(self, title):
        """The window that opens takes the focus from the main window."""
        self.ui.wait_for(f"{title!r} to take the focus", lambda: self.active(title))
        if title != MAIN and self.active(MAIN):
            raise Failure(f"the main window stays active under {title!r}")

    def shot(self, title, file_name):
        """The window lies whole on the screen; the one shot kept is cropped from the screen."""
        node = self.ui.top_level(title)
        time.sleep(0.5)  # let it finish painting
        box = content_box(screenshot(self.work))
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
        if file_name in SHOTS_KEPT:
            # Weston draws its pointer where the mouse last was: on the title bar's left end it
            # hides nothing. It is moved through the X server Weston runs in, as a mouse would.
            subprocess.run(["xdotool", "mousemove", "--sync", str(x + 2), str(y + 2)], check=True,
                           env=dict(os.environ, DISPLAY=os.environ["KELVRAN_X_DISPLAY"]))
            time.sleep(0.3)
            path = os.path.join(self.args.out, SHOTS_KEPT[file_name])
            subprocess.run(["convert", screenshot(self.work), "-crop", f"{width}x{height}+{x}+{y}",
                            "+repage", path], check=True)
            self.shots.append(path)
            log("screenshot", path)

    def act_no_wait(self, node, names=ACTIONS):
        """Runs an action without waiting for its answer. The answer to an action whose handler
        opens a modal window comes only when that window closes, and until then libatspi answers
        no other call of the driver: the call goes out on a connection of its own, unanswered."""
        from gi.repository import Gio, GLib

        index = self.ui.action_index(node, names)
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

    def press(self, node, modal=False):
        if modal:
            self.act_no_wait(node)
        else:
            self.ui.act(node)

    press_default = press

    def pick(self, node, group, arrow):
        self.ui.act(node)

    def choose_line(self, results, item):
        self.ui.act(item, ("Toggle",))  # a line's own action selects it

    def next_tab(self, caption, modal=False):
        self.press(self.ui.wait_for(f"the {caption} tab", lambda: self.ui.page_tab(caption)), modal)

    def open_help(self):
        self.ui.act(self.ui.menu_item("Contents"))

    def end(self):
        self.ui.act(self.ui.menu_item("Quit"))
        await_end(self.ui, "after File > Quit")


if __name__ == "__main__":
    sys.exit(run_script(__doc__, launch, lambda args: Walk(WaylandActs(args)).run()))
