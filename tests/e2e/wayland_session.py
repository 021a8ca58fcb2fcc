"""A private Weston for the program to run on natively (Qt's wayland platform), with the same
session bus and AT-SPI bus as atspi_session.Session, and screenshots taken by the compositor.

Weston runs its X11 backend inside a private Xvfb, so nothing needs a screen. Its headless backend
would do as much but has no seat, no keyboard and no pointer, which no desktop lacks, and on which
Qt 6.4's Wayland plugin crashes as soon as a line edit with the focus draws its cursor (in
QWaylandInputDevice::textInput, on the seat that is not there). The X server is Weston's alone:
the program and the driver see only WAYLAND_DISPLAY.

Weston renders with pixman (its screenshots come from what it rendered) and has its debug
protocol on (without it weston-screenshooter is refused). Its desktop is one flat colour with no
panel, so a window is found on a screenshot by cropping everything of that colour away.
"""

import glob
import os
import socket
import subprocess
import time

from atspi_session import Session, log

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

    def _start_display(self):
        self._start_x_server()
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


def point_at(x_display, x, y):
    """Moves Weston's pointer to (x, y) on its screen, through the X server it runs in, as a mouse
    would."""
    subprocess.run(["xdotool", "mousemove", "--sync", str(x), str(y)],
                   env=dict(os.environ, DISPLAY=x_display), check=True)


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


def crop(shot, box, path):
    x, y, width, height = box
    subprocess.run(["convert", shot, "-crop", f"{width}x{height}+{x}+{y}", "+repage", path],
                   check=True)
