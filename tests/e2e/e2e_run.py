#!/usr/bin/python3
"""End-to-end run of kelvran-eval in a real X server, driven from outside over AT-SPI.

The launcher half starts a private X server (Xvfb), a private D-Bus session bus, the AT-SPI bus
and the program on its built-in simulated hardware with --a11y-ids. The driver half, run as a
child process with that environment (pyatspi binds to the bus when it is imported), goes from the
wizard's first page to the main window connected to the SMBus chip and through every tab, the
start notice, the About box and the help, and saves a screenshot of each. On the Visual Display
tab it drags the +12V high limit of the limits gauge with the real pointer and sets it over AT-SPI,
and checks in the program's bus trace that each reaches the chip as one pair of limit writes.

The launcher makes itself a child subreaper, so the services D-Bus double-forks (the AT-SPI
registry) become its children, and on the way out it ends every process it started, by PID.

Usage: e2e_run.py --program PATH --out DIR [--docs DIR]
Screenshots go to --out; with KELVRAN_UPDATE_SCREENSHOTS=1 they are copied to --docs too.
Exit status: 0 passed, 1 failed, 77 skipped (a tool this test needs is not installed).
"""

import argparse
import ctypes
import math
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

SKIP = 77
PR_SET_CHILD_SUBREAPER = 36
NEEDED_TOOLS = ["Xvfb", "dbus-daemon", "dbus-send", "xdotool", "import"]
AT_SPI_BUS_LAUNCHER = "/usr/libexec/at-spi-bus-launcher"
SYSTEM_PYTHON = "/usr/bin/python3"


_T0 = time.monotonic()


def log(*parts):
    print(f"[e2e {time.monotonic() - _T0:5.1f}s]", *parts, flush=True)


# ---------------------------------------------------------------------------------------------
# Launcher
# ---------------------------------------------------------------------------------------------


def missing_tools():
    missing = [tool for tool in NEEDED_TOOLS if shutil.which(tool) is None]
    if not os.access(AT_SPI_BUS_LAUNCHER, os.X_OK):
        missing.append(AT_SPI_BUS_LAUNCHER)
    if not os.access(SYSTEM_PYTHON, os.X_OK):
        missing.append(SYSTEM_PYTHON)
    elif subprocess.run([SYSTEM_PYTHON, "-c", "import pyatspi"], capture_output=True).returncode:
        missing.append("python3-pyatspi")
    return missing


def become_subreaper():
    libc = ctypes.CDLL(None, use_errno=True)
    if libc.prctl(PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0) != 0:
        raise OSError(ctypes.get_errno(), "prctl(PR_SET_CHILD_SUBREAPER)")


def read_line_from(fd, what, timeout):
    """Reads one line that a starting service writes to fd, within timeout seconds."""
    deadline = time.monotonic() + timeout
    data = b""
    os.set_blocking(fd, False)
    while b"\n" not in data:
        if time.monotonic() > deadline:
            raise RuntimeError(f"{what} did not start within {timeout} s")
        try:
            chunk = os.read(fd, 256)
        except BlockingIOError:
            time.sleep(0.02)
            continue
        if not chunk:
            raise RuntimeError(f"{what} exited before it was ready")
        data += chunk
    os.close(fd)
    return data.decode().strip()


def my_children():
    """PIDs whose parent is this process: the ones it started and the orphans it adopted."""
    me = str(os.getpid())
    children = []
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open(f"/proc/{entry}/stat") as stat:
                fields = stat.read().rsplit(")", 1)[1].split()
        except OSError:
            continue
        if fields[1] == me and fields[0] != "Z":
            children.append(int(entry))
    return children


def reap():
    while True:
        try:
            pid, _ = os.waitpid(-1, os.WNOHANG)
        except ChildProcessError:
            return
        if pid == 0:
            return


def end_everything(started):
    """Ends the processes this run started (newest first) and every orphan it adopted."""
    for proc in reversed(started):
        if proc.poll() is None:
            proc.terminate()
    deadline = time.monotonic() + 3
    while time.monotonic() < deadline:
        reap()
        alive = [p for p in started if p.poll() is None] + my_children()
        if not alive:
            break
        for pid in my_children():
            try:
                os.kill(pid, signal.SIGTERM)
            except ProcessLookupError:
                pass
        time.sleep(0.1)
    for proc in started:
        if proc.poll() is None:
            proc.kill()
    for pid in my_children():
        try:
            os.kill(pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
    time.sleep(0.1)
    for proc in started:
        try:
            proc.wait(timeout=2)
        except subprocess.TimeoutExpired:
            pass
    reap()
    left = my_children()
    if left:
        log("processes still alive after clean-up:", left)


def launch(args):
    missing = missing_tools()
    if missing:
        log("skipped: not installed:", ", ".join(missing), "(scripts/test installs them)")
        return SKIP
    if not os.access(args.program, os.X_OK):
        log("no program at", args.program)
        return 1

    become_subreaper()
    os.makedirs(args.out, exist_ok=True)
    work = tempfile.mkdtemp(prefix="kelvran-e2e-")
    os.chmod(work, 0o700)
    started = []
    env = {k: v for k, v in os.environ.items()
           if k not in ("QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY", "DBUS_SESSION_BUS_ADDRESS",
                        "AT_SPI_BUS_ADDRESS", "SESSION_MANAGER")}
    env["XDG_RUNTIME_DIR"] = work
    env["HOME"] = env.get("HOME", work)

    def start(argv, name, **kwargs):
        proc = subprocess.Popen(argv, env=env, stdin=subprocess.DEVNULL,
                                stdout=open(os.path.join(work, name + ".out"), "wb"),
                                stderr=subprocess.STDOUT, **kwargs)
        started.append(proc)
        return proc

    status = 1
    try:
        read_fd, write_fd = os.pipe()
        start(["Xvfb", "-displayfd", str(write_fd), "-screen", "0", "1280x1024x24", "-nolisten",
               "tcp"], "xvfb", pass_fds=[write_fd])
        os.close(write_fd)
        env["DISPLAY"] = ":" + read_line_from(read_fd, "Xvfb", 15)
        log("X server on", env["DISPLAY"])

        read_fd, write_fd = os.pipe()
        start(["dbus-daemon", "--session", "--nofork", f"--print-address={write_fd}"],
              "dbus", pass_fds=[write_fd])
        os.close(write_fd)
        env["DBUS_SESSION_BUS_ADDRESS"] = read_line_from(read_fd, "dbus-daemon", 15)

        start([AT_SPI_BUS_LAUNCHER, "--launch-immediately"], "at-spi-bus-launcher")
        deadline = time.monotonic() + 15
        while subprocess.run(["dbus-send", "--session", "--print-reply", "--dest=org.a11y.Bus",
                              "/org/a11y/bus", "org.a11y.Bus.GetAddress"], env=env,
                             capture_output=True).returncode != 0:
            if time.monotonic() > deadline:
                raise RuntimeError("the AT-SPI bus did not answer within 15 s")
            time.sleep(0.1)

        trace = os.path.join(work, "bus-trace.txt")
        program_env = dict(env, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_QPA_PLATFORM="xcb")
        program = subprocess.Popen(
            [args.program, "--simulate", "--a11y-ids", f"--bus-trace={trace}"], env=program_env,
            stdin=subprocess.DEVNULL, stdout=open(os.path.join(work, "program.out"), "wb"),
            stderr=subprocess.STDOUT)
        started.append(program)

        driver_env = dict(env, KELVRAN_E2E_TRACE=trace, KELVRAN_E2E_PID=str(program.pid))
        drive = [SYSTEM_PYTHON, os.path.abspath(__file__), "--drive", "--out", args.out]
        if os.environ.get("KELVRAN_UPDATE_SCREENSHOTS") == "1" and args.docs:
            drive += ["--docs", args.docs]
        try:
            status = subprocess.run(drive, env=driver_env, timeout=150).returncode
        except subprocess.TimeoutExpired:
            log("the driver did not finish within 150 s")
            status = 1
        if status == 0:
            # The driver ended the run by closing the main window: that is a clean exit.
            try:
                program.wait(timeout=10)
            except subprocess.TimeoutExpired:
                pass
            if program.returncode != 0:
                log("after its main window closed the program ended with status",
                    program.returncode)
                status = 1
        if status != 0:
            with open(os.path.join(work, "program.out"), "rb") as out:
                tail = out.read()[-4000:].decode(errors="replace")
            log("program output:\n" + tail)
    except Exception as error:  # the clean-up below must run whatever went wrong
        log("failed:", error)
        status = 1
    finally:
        end_everything(started)
        shutil.rmtree(work, ignore_errors=True)
    log("passed" if status == 0 else "FAILED")
    return status


# ---------------------------------------------------------------------------------------------
# Driver (runs with the private X server and buses in its environment)
# ---------------------------------------------------------------------------------------------


class Failure(Exception):
    pass


def send_close_request(window):
    """Asks an X window to close the way a window manager's close box does (WM_DELETE_WINDOW)."""
    x11 = ctypes.CDLL("libX11.so.6")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XInternAtom.restype = ctypes.c_ulong
    x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                               ctypes.c_void_p]
    x11.XFlush.argtypes = [ctypes.c_void_p]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]

    class ClientMessage(ctypes.Structure):
        _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong),
                    ("send_event", ctypes.c_int), ("display", ctypes.c_void_p),
                    ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                    ("format", ctypes.c_int), ("data", ctypes.c_long * 5)]

    class XEvent(ctypes.Union):
        _fields_ = [("xclient", ClientMessage), ("pad", ctypes.c_long * 24)]

    display = x11.XOpenDisplay(None)
    if not display:
        raise Failure("cannot open the X display to close the window")
    event = XEvent()
    event.xclient.type = 33  # ClientMessage
    event.xclient.window = window
    event.xclient.message_type = x11.XInternAtom(display, b"WM_PROTOCOLS", 0)
    event.xclient.format = 32
    event.xclient.data[0] = x11.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
    event.xclient.data[1] = 0  # CurrentTime
    x11.XSendEvent(display, window, 0, 0, ctypes.byref(event))
    x11.XFlush(display)
    x11.XCloseDisplay(display)


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


def xdotool(*argv):
    subprocess.run(["xdotool", *map(str, argv)], check=True)


class BusTrace:
    """Reads the lines the program appends to its bus trace, each complete line once."""

    def __init__(self, path):
        self.path = path
        self.offset = 0
        self.partial = ""

    def new_lines(self):
        with open(self.path) as trace:
            trace.seek(self.offset)
            data = trace.read()
            self.offset = trace.tell()
        lines = (self.partial + data).split("\n")
        self.partial = lines.pop()
        return lines


def process_ended(pid):
    """True once pid has exited (it stays a zombie until the launcher collects its status)."""
    try:
        with open(f"/proc/{pid}/stat") as stat:
            return stat.read().rsplit(")", 1)[1].split()[0] in ("Z", "X")
    except FileNotFoundError:
        return True


def drive(args):
    import pyatspi  # binds to the session bus in the environment, so only here

    shots = []

    def wait_for(what, condition, timeout=15.0):
        deadline = time.monotonic() + timeout
        while True:
            try:
                result = condition()
            except Exception:  # an object vanishing while it is looked at: look again
                result = None
            if result:
                return result
            if time.monotonic() > deadline:
                raise Failure(f"timed out waiting for {what}")
            time.sleep(0.1)

    def application():
        desktop = pyatspi.Registry.getDesktop(0)
        for i in range(desktop.childCount):
            app = desktop.getChildAtIndex(i)
            if app is not None and app.name == "kelvran-eval":
                return app
        return None

    def walk(node, depth=0):
        if node is None or depth > 40:
            return
        node.clear_cache()
        yield node
        for i in range(node.childCount):
            yield from walk(node.getChildAtIndex(i), depth + 1)

    def object_name(node):
        description = node.description or ""
        if not description.startswith("id="):
            return None
        return description[3:].split(";", 1)[0]

    def find(name, root=None):
        for node in walk(root or application()):
            if object_name(node) == name:
                return node
        return None

    def showing(node):
        node.clear_cache()
        return node.getState().contains(pyatspi.STATE_SHOWING)

    def enabled(node):
        node.clear_cache()
        return node.getState().contains(pyatspi.STATE_ENABLED)

    def find_showing(name):
        return wait_for(f"{name} to show", lambda: (lambda n: n if n and showing(n) else None)(
            find(name)))

    def top_level(title, role=None):
        app = application()
        for i in range(app.childCount):
            child = app.getChildAtIndex(i)
            if child is None:
                continue
            child.clear_cache()
            if child.name == title and (role is None or child.getRole() == role) and showing(child):
                return child
        return None

    def act(node, names=("Press", "press", "Toggle", "toggle", "Click", "click")):
        action = node.queryAction()
        for i in range(action.nActions):
            if action.getName(i) in names:
                action.doAction(i)
                return
        raise Failure(f"{node.name!r} offers none of the actions {names}")

    def click(node):
        """A real mouse click in the middle of node. An accessibility action whose handler opens
        a modal box would answer only when the box closes; a click returns at once."""
        extents = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        x, y = extents.x + extents.width // 2, extents.y + extents.height // 2
        subprocess.run(["xdotool", "mousemove", "--sync", str(x), str(y), "click", "1"],
                       check=True)

    def text_of(node):
        node.clear_cache()
        try:
            return node.queryText().getText(0, -1)
        except NotImplementedError:
            return node.name

    def screenshot(title, file_name):
        time.sleep(0.4)  # let the window finish painting
        found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", f"^{title}$"],
                               capture_output=True, text=True).stdout.split()
        if not found:
            raise Failure(f"no visible X window titled {title!r} for {file_name}")
        path = os.path.join(args.out, file_name)
        subprocess.run(["import", "-window", found[-1], path], check=True)
        shots.append(path)
        log("screenshot", path)

    def page_tab(caption):
        for node in walk(application()):
            if node.getRole() == pyatspi.ROLE_PAGE_TAB and node.name == caption:
                return node
        return None

    trace = BusTrace(os.environ["KELVRAN_E2E_TRACE"])

    def gauge_part(gauge, name):
        for i in range(gauge.childCount):
            part = gauge.getChildAtIndex(i)
            if part is not None and part.name == name:
                return part
        raise Failure(f"limits_gauge has no accessible child {name!r}")

    def extents(node):
        node.clear_cache()
        return node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)

    def value_of(node):
        node.clear_cache()
        return node.queryValue().currentValue

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
        raise Failure(f"expected the built-in board, then the SMBus chip at 2Dh: {lines!r}")
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

    # Channel Mode/VID.
    act(wait_for("the Channel Mode/VID tab", lambda: page_tab("Channel Mode/VID ")))
    vid = find_showing("vid_bit_0")
    wait_for("the VID row", lambda: text_of(vid) in ("0", "1"))
    screenshot("KELVRAN Evaluation Software", "channel-mode-tab.png")

    # Back to Main, the About box and the help.
    act(wait_for("the Main tab", lambda: page_tab("Main")))
    act(find_showing("Command3"))
    about = wait_for("the About box", lambda: top_level("About KELVRAN Evaluation Software"))
    screenshot("About KELVRAN Evaluation Software", "about-box.png")
    act(find("cmdOK", about))
    wait_for("the About box to close",
             lambda: top_level("About KELVRAN Evaluation Software") is None)

    main_window = subprocess.run(
        ["xdotool", "search", "--onlyvisible", "--name", "^KELVRAN Evaluation Software$"],
        capture_output=True, text=True).stdout.split()[-1]
    subprocess.run(["xdotool", "windowfocus", "--sync", main_window], check=True)
    subprocess.run(["xdotool", "key", "F1"], check=True)
    wait_for("the help window", lambda: top_level("KELVRAN Evaluation Software Help"))
    browser = find_showing("help_browser")
    if "user's guide" not in text_of(browser):
        raise Failure("the help window does not show the user's guide")
    screenshot("KELVRAN Evaluation Software Help", "help.png")

    # Closing the main window (as its close box does) closes the help with it and ends the run.
    send_close_request(int(main_window))
    wait_for("the program to end after its main window closed",
             lambda: process_ended(int(os.environ["KELVRAN_E2E_PID"])))
    log("the program ended when its main window closed")

    if args.docs:
        os.makedirs(args.docs, exist_ok=True)
        for path in shots:
            shutil.copy(path, args.docs)
        log("screenshots copied to", args.docs)
    return 0


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--program")
    parser.add_argument("--out", required=True)
    parser.add_argument("--docs")
    parser.add_argument("--drive", action="store_true", help=argparse.SUPPRESS)
    args = parser.parse_args()
    if args.drive:
        try:
            return drive(args)
        except Failure as failure:
            log("FAILED:", failure)
            return 1
    if not args.program:
        parser.error("--program is required")
    return launch(args)


if __name__ == "__main__":
    sys.exit(main())
