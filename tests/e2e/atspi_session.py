"""Driving the real kelvran-eval from outside: a private X server, D-Bus session bus and AT-SPI
bus for the program (the launcher half), and finding and working its controls over AT-SPI (the
driver half, which runs as a child process with that environment, because pyatspi binds to the
bus when it is imported).

The launcher makes itself a child subreaper, so the services D-Bus double-forks (the AT-SPI
registry) become its children, and on the way out it ends every process it started, by PID.
"""

import argparse
import ctypes
import os
import select
import shutil
import signal
import subprocess
import tempfile
import time

PR_SET_CHILD_SUBREAPER = 36
NEEDED_TOOLS = ["Xvfb", "dbus-daemon", "dbus-send", "xdotool", "import"]
AT_SPI_BUS_LAUNCHER = "/usr/libexec/at-spi-bus-launcher"
SYSTEM_PYTHON = "/usr/bin/python3"
PROGRAM_NAME = "kelvran-eval"
ACTIONS = ("Press", "press", "Toggle", "toggle", "Click", "click")  # what a press of a control is

_T0 = time.monotonic()
_TAG = os.environ.get("KELVRAN_LOG_TAG", "e2e")


def log(*parts):
    print(f"[{_TAG} {time.monotonic() - _T0:5.1f}s]", *parts, flush=True)


class Failure(Exception):
    pass


# ---------------------------------------------------------------------------------------------
# Launcher
# ---------------------------------------------------------------------------------------------


def ready(args, tools=(), programs=()):
    """Whether every tool a run needs is installed and its programs are there; says what is
    missing."""
    missing = [tool for tool in NEEDED_TOOLS + list(tools) if shutil.which(tool) is None]
    missing += [path for path in (AT_SPI_BUS_LAUNCHER, SYSTEM_PYTHON)
                if not os.access(path, os.X_OK)]
    if SYSTEM_PYTHON not in missing and subprocess.run([SYSTEM_PYTHON, "-c", "import pyatspi"],
                                                       capture_output=True).returncode:
        missing.append("python3-pyatspi")
    absent = [path for path in (args.program, *programs) if not os.access(path, os.X_OK)]
    if missing:
        log("FAILED: not installed:", ", ".join(missing), "(scripts/deps installs them)")
    elif absent:
        log("FAILED: no program at", ", ".join(absent))
    else:
        os.makedirs(args.out, exist_ok=True)
        return True
    return False


def become_subreaper():
    libc = ctypes.CDLL(None, use_errno=True)
    if libc.prctl(PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0) != 0:
        raise OSError(ctypes.get_errno(), "prctl(PR_SET_CHILD_SUBREAPER)")


def read_line_from(fd, what, timeout):
    """Reads the one line that a starting service writes to fd at once, within timeout seconds."""
    with os.fdopen(fd, "rb") as pipe:
        line = pipe.readline() if select.select([pipe], [], [], timeout)[0] else None
    if not line:
        raise RuntimeError(f"{what} did not start within {timeout} s" if line is None
                           else f"{what} exited before it was ready")
    return line.decode().strip()


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
    """Collects every child that has ended (the orphans adopted too)."""
    try:
        while os.waitpid(-1, os.WNOHANG)[0] != 0:
            pass
    except ChildProcessError:
        pass


def end_everything(started):
    """Ends the processes this run started (newest first) and every orphan it adopted: asked
    for 3 s, then killed."""
    deadline = time.monotonic() + 3
    for sig in (signal.SIGTERM, signal.SIGKILL):
        while True:
            for pid in [p.pid for p in reversed(started) if p.poll() is None] + my_children():
                try:
                    os.kill(pid, sig)
                except ProcessLookupError:
                    pass
            time.sleep(0.1)
            reap()
            if not my_children() or time.monotonic() > deadline or sig == signal.SIGKILL:
                break
    for proc in started:
        try:
            proc.wait(timeout=2)
        except subprocess.TimeoutExpired:
            pass
    reap()
    left = my_children()
    if left:
        log("processes still alive after clean-up:", left)


def launched(launch, args):
    """Runs a launcher, whose exception is its failure, and says how it ended. A run that failed
    because its X server ended under it is run once more, since that says nothing of the program
    (each such end is logged with the server's words)."""
    started = time.monotonic()

    def attempt():
        try:
            return launch(args)
        except Exception as error:  # a Session has cleaned up on the way out
            log("FAILED:", error)
            return 1

    lost_before = Session.lost_x_servers
    status = attempt()
    if status != 0 and Session.lost_x_servers > lost_before:
        log("the X server ended under the run; running it once more")
        status = attempt()
    log(f"{'passed' if status == 0 else 'FAILED'} in {time.monotonic() - started:.1f} s")
    return status


def run_script(doc, launch, drive, *options):
    """The command line of every end-to-end script: --program PATH --out DIR [--docs DIR] and
    the script's own options for its launcher half, which starts the driver half with --drive
    [MODE]. Screenshots go to --out, and to --docs too with KELVRAN_UPDATE_SCREENSHOTS=1. Exit
    status 0 passed, 1 failed (a tool the run needs that is not installed fails it too)."""
    parser = argparse.ArgumentParser(description=doc.splitlines()[0])
    parser.add_argument("--program")
    parser.add_argument("--out", required=True)
    parser.add_argument("--docs")
    parser.add_argument("--drive", nargs="?", const="walk", help=argparse.SUPPRESS)
    for option in options:
        parser.add_argument(option)
    args = parser.parse_args()
    if args.drive:
        try:
            return drive(args)
        except Failure as failure:
            log("FAILED:", failure)
            return 1
    if not args.program:
        parser.error("--program is required")
    return launched(launch, args)


class Session:
    """A private X server, session bus and AT-SPI bus, for `with`; run() runs the program in it
    beside a driver script that finds the program over AT-SPI."""

    lost_x_servers = 0  # sessions whose X server ended before they did
    work = env = x_server = None

    def __init__(self, start_timeout=15, screen="1280x1024"):
        self.start_timeout, self.screen, self.started = start_timeout, screen, []

    def __enter__(self):
        become_subreaper()
        self.work = tempfile.mkdtemp(prefix="kelvran-atspi-")
        os.chmod(self.work, 0o700)
        self.env = {k: v for k, v in os.environ.items()
                    if k not in ("QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY",
                                 "DBUS_SESSION_BUS_ADDRESS", "AT_SPI_BUS_ADDRESS",
                                 "SESSION_MANAGER")}
        self.env["XDG_RUNTIME_DIR"] = self.work
        self.env["HOME"] = self.env.get("HOME", self.work)
        try:
            self._start_buses()
        except BaseException:
            self.__exit__(None, None, None)
            raise
        return self

    def __exit__(self, *_):
        if self.x_server is not None and self.x_server.poll() is not None:
            # Not ours to end yet: whatever failed above failed for want of a display.
            with open(self.path("xvfb.out"), "rb") as said:
                tail = said.read()[-2000:].decode(errors="replace")
            log(f"the X server ended early, with status {self.x_server.returncode}:\n{tail}")
            Session.lost_x_servers += 1
        end_everything(self.started)
        shutil.rmtree(self.work, ignore_errors=True)
        return False

    def path(self, name):
        return os.path.join(self.work, name)

    def _start(self, argv, name, **kwargs):
        proc = subprocess.Popen(argv, env=self.env, stdin=subprocess.DEVNULL,
                                stdout=open(self.path(name + ".out"), "wb"),
                                stderr=subprocess.STDOUT, **kwargs)
        self.started.append(proc)
        return proc

    def _start_x_server(self):
        """An Xvfb that a client can reach. A server that has just ended elsewhere can still
        unlink the socket of the same display number after ours took it, so a server no client
        reaches is replaced, a few times at most. It never resets when its last client leaves:
        a reset between the check and the program's start is one more way for it to go away."""
        for attempt in range(3):
            read_fd, write_fd = os.pipe()
            xvfb = self._start(["Xvfb", "-displayfd", str(write_fd), "-screen", "0",
                                self.screen + "x24", "-nolisten", "tcp", "-noreset"], "xvfb",
                               pass_fds=[write_fd])
            os.close(write_fd)
            self.env["DISPLAY"] = ":" + read_line_from(read_fd, "Xvfb", self.start_timeout)
            if subprocess.run(["xdotool", "getdisplaygeometry"], env=self.env,
                              capture_output=True).returncode == 0:
                log("X server on", self.env["DISPLAY"])
                self.x_server = xvfb
                return
            log(f"X server on {self.env['DISPLAY']} unreachable (attempt {attempt + 1})")
            xvfb.terminate()
            xvfb.wait()
        raise RuntimeError("no X server that a client could reach")

    def _start_buses(self):
        self._start_x_server()
        read_fd, write_fd = os.pipe()
        self._start(["dbus-daemon", "--session", "--nofork", f"--print-address={write_fd}"],
                    "dbus", pass_fds=[write_fd])
        os.close(write_fd)
        self.env["DBUS_SESSION_BUS_ADDRESS"] = read_line_from(read_fd, "dbus-daemon",
                                                              self.start_timeout)
        self._start([AT_SPI_BUS_LAUNCHER, "--launch-immediately"], "at-spi-bus-launcher")
        self.await_bus("the AT-SPI bus to answer", "--dest=org.a11y.Bus", "/org/a11y/bus",
                       "org.a11y.Bus.GetAddress")

    def await_bus(self, what, *call, answer=""):
        """Waits until a call on the session bus succeeds and its reply holds answer."""
        deadline = time.monotonic() + self.start_timeout
        while True:
            done = subprocess.run(["dbus-send", "--session", "--print-reply", *call],
                                  env=self.env, capture_output=True, text=True)
            if done.returncode == 0 and answer in done.stdout:
                return
            if time.monotonic() > deadline:
                raise RuntimeError(f"timed out after {self.start_timeout} s waiting for {what}")
            time.sleep(0.1)

    platform = "xcb"  # Qt's platform plugin for the display this session starts

    def program_env(self):
        """The program's environment: the session's, with its accessibility bridge on."""
        return dict(self.env, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_QPA_PLATFORM=self.platform)

    def run(self, args, argv, script, options, timeout, program_env=None, env=None,
            output=None, errors_fail=True):
        """Runs the program with argv and --a11y-ids (its output to the file output), and
        script's driver with options beside it; 0 when the driver passed and the program then
        ended of itself with status 0 within 20 s, with no error of its own in its output
        (unless errors_fail is False). A program that did not end is killed."""
        output = output or self.path("program.out")
        program = subprocess.Popen([args.program, *argv, "--a11y-ids"],
                                   env=dict(self.program_env(), **(program_env or {})),
                                   stdin=subprocess.DEVNULL, stdout=open(output, "wb"),
                                   stderr=subprocess.STDOUT)
        self.started.append(program)
        # Screenshots go to --out, and to --docs too when KELVRAN_UPDATE_SCREENSHOTS=1 asks.
        driver = [SYSTEM_PYTHON, os.path.abspath(script), "--drive", *options, "--out", args.out]
        if args.docs and os.environ.get("KELVRAN_UPDATE_SCREENSHOTS") == "1":
            driver += ["--docs", args.docs]
        try:
            status = subprocess.run(driver, env=dict(self.env, **(env or {}),
                                                     KELVRAN_E2E_PID=str(program.pid)),
                                    timeout=timeout).returncode
        except subprocess.TimeoutExpired:
            log(f"the driver did not finish within {timeout} s")
            status = 1
        try:
            if program.wait(timeout=20) != 0 and status == 0:
                log(f"after its driver the program ended with status {program.returncode}")
                status = 1
        except subprocess.TimeoutExpired:
            log("the program did not end within 20 s of its driver")
            program.kill()
            program.wait()
            status = 1
        with open(output, "rb") as out:
            said = out.read().decode(errors="replace")
        if errors_fail and "kelvran-eval:" in said:
            log("the program reported an error")
            status = 1
        if status != 0 or said.strip():
            log("program output:\n" + said[-4000:])
        return status


# ---------------------------------------------------------------------------------------------
# Driver helpers (run with the private X server and buses in the environment)
# ---------------------------------------------------------------------------------------------


def process_ended(pid):
    """True once pid has exited (it stays a zombie until the launcher collects its status)."""
    try:
        with open(f"/proc/{pid}/stat") as stat:
            return stat.read().rsplit(")", 1)[1].split()[0] in ("Z", "X")
    except FileNotFoundError:
        return True


def await_end(ui, after):
    ui.wait_for(f"the program to end {after}",
                lambda: process_ended(int(os.environ["KELVRAN_E2E_PID"])))


def send_close_request(window):
    """Asks an X window to close the way a window manager's close box does (WM_DELETE_WINDOW)."""
    x11 = ctypes.CDLL("libX11.so.6")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    display = ctypes.c_void_p(x11.XOpenDisplay(None))
    if not display.value:
        raise Failure("cannot open the X display to close the window")

    class ClientMessage(ctypes.Structure):
        _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong),
                    ("send_event", ctypes.c_int), ("display", ctypes.c_void_p),
                    ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                    ("format", ctypes.c_int), ("data", ctypes.c_long * 5)]

    class XEvent(ctypes.Union):
        _fields_ = [("xclient", ClientMessage), ("pad", ctypes.c_long * 24)]

    event = XEvent()
    event.xclient.type = 33  # ClientMessage
    event.xclient.window = window
    event.xclient.message_type = x11.XInternAtom(display, b"WM_PROTOCOLS", 0)
    event.xclient.format = 32
    event.xclient.data[0] = x11.XInternAtom(display, b"WM_DELETE_WINDOW", 0)  # at CurrentTime
    x11.XSendEvent(display, ctypes.c_ulong(window), 0, 0, ctypes.byref(event))
    x11.XFlush(display)
    x11.XCloseDisplay(display)


def close_and_await_end(ui, window):
    """Closes the program's main X window as its close box does, and waits for the program
    (KELVRAN_E2E_PID) to end."""
    send_close_request(int(window))
    await_end(ui, "after its main window closed")


def xdotool(*argv):
    subprocess.run(["xdotool", *map(str, argv)], check=True)


def x_window(title, by="--name"):
    """The id of the newest visible X window with exactly this title (or class), or None."""
    found = subprocess.run(["xdotool", "search", "--onlyvisible", by, f"^{title}$"],
                           capture_output=True, text=True).stdout.split()
    return int(found[-1]) if found else None


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

    def new_writes(self):
        return [line for line in self.new_lines() if line.split()[2:3] == ["W"]]


class Desktop:
    """The program's windows and controls as AT-SPI shows them, found by the objectNames that
    --a11y-ids publishes."""

    def __init__(self):
        import pyatspi  # binds to the session bus in the environment, so only here

        self.atspi = pyatspi
        self.known = {}
        # Under emulation (a VM without hardware virtualisation) everything is many times
        # slower: the caller stretches every deadline by this factor.
        self.slowness = float(os.environ.get("KELVRAN_SLOWNESS", "1"))

    def wait_for(self, what, condition, timeout=15.0):
        deadline = time.monotonic() + timeout * self.slowness
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

    @staticmethod
    def children(node):
        return [child for child in map(node.getChildAtIndex, range(node.childCount)) if child]

    def application(self):
        return next((app for app in self.children(self.atspi.Registry.getDesktop(0))
                     if app.name == PROGRAM_NAME), None)

    def walk(self, node, depth=0):
        if node is None or depth > 40:
            return
        node.clear_cache()
        yield node
        for child in self.children(node):
            yield from self.walk(child, depth + 1)

    @staticmethod
    def object_name(node):
        description = node.description or ""
        if not description.startswith("id="):
            return None
        return description[3:].split(";", 1)[0]

    def find(self, name, root=None):
        """The control with this objectName. Found controls are remembered (a walk of the
        whole main window costs a few hundred bus round trips); one that went away is looked
        up again."""
        if root is None:
            try:
                known = self.known.get(name)
                if known is not None and self.object_name(known) == name:
                    return known
            except Exception:  # gone with its window
                pass
        found = None
        for node in self.walk(root or self.application()):
            node_name = self.object_name(node)
            if node_name is not None and root is None:
                self.known[node_name] = node
            if node_name == name:
                found = node
                if root is not None:
                    break
        return found

    def has_state(self, node, state):
        node.clear_cache()
        return node.getState().contains(state)

    def showing(self, node):
        return self.has_state(node, self.atspi.STATE_SHOWING)

    def enabled(self, node):
        return self.has_state(node, self.atspi.STATE_ENABLED)

    def checked(self, node):
        return self.has_state(node, self.atspi.STATE_CHECKED)

    def find_showing(self, name):
        return self.wait_for(f"{name} to show", lambda: (
            lambda n: n if n and self.showing(n) else None)(self.find(name)))

    def top_level(self, title):
        """The showing window of the program with this title, or None."""
        return next((child for child in self.children(self.application())
                     if (child.clear_cache(), child.name)[1] == title and self.showing(child)),
                    None)

    @staticmethod
    def action_index(node, names=ACTIONS):
        """The index of node's first action with one of these names (a press of a control)."""
        action = node.queryAction()
        index = next((i for i in range(action.nActions) if action.getName(i) in names), None)
        if index is None:
            raise Failure(f"{node.name!r} offers none of the actions {names}")
        return index

    def act(self, node, names=ACTIONS):
        node.queryAction().doAction(self.action_index(node, names))

    def named(self, text, role, root=None):
        """The control of this role with this name, or None (menu entries, page tabs and buttons
        have no objectName); the & of a mnemonic and a key shown beside a menu entry's text
        ("Contents\tF1") are not part of it."""
        return next((node for node in self.walk(root or self.application())
                     if node.getRole() == role
                     and node.name.replace("&", "").split("\t")[0] == text), None)

    def page_tab(self, caption):
        return self.named(caption, self.atspi.ROLE_PAGE_TAB)

    def menu_item(self, text):
        return self.wait_for(f"the menu entry {text!r}",
                             lambda: self.named(text, self.atspi.ROLE_MENU_ITEM))

    def extents(self, node):
        node.clear_cache()
        return node.queryComponent().getExtents(self.atspi.DESKTOP_COORDS)

    def click(self, node):
        """A real mouse click in the middle of node. An accessibility action whose handler opens
        a modal box would answer only when the box closes; a click returns at once."""
        box = self.extents(node)
        xdotool("mousemove", "--sync", box.x + box.width // 2, box.y + box.height // 2,
                "click", 1)

    def list_lines(self, node):
        return [item for item in self.children(node) if item.name]

    def text_of(self, node):
        node.clear_cache()
        try:
            return node.queryText().getText(0, -1)
        except NotImplementedError:
            return node.name

    def value_of(self, node):
        node.clear_cache()
        return node.queryValue().currentValue
