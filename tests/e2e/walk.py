"""The one walk through kelvran-eval that the X11 run (e2e_run.py) and the Wayland run
(wayland_run.py) both take: the wizard to the SMBus chip, every tab, the start notice and EasySetup,
the limits gauge, the About box and the help. Each run acts in its own way (an `acts` object): on
X11 by real keys and a real pointer drag, on Wayland by AT-SPI actions alone. What the walk checks
(texts, states, bus transfers) is the same on both; what only one can check is marked so.
"""

import math
import os
import shutil
import time

from atspi_session import BusTrace, Desktop, Failure, log

MAIN = "KELVRAN Evaluation Software"
WIZARD = "KELVRAN Search Wizard"
NOTICE = "KELVRAN Evaluation Software Notice"
ABOUT = "About KELVRAN Evaluation Software"
HELP = "KELVRAN Evaluation Software Help"

# The simulated board and SMBus chip at power-up, START clear, so the start notice comes up.
POWER_UP = ('{"printer_ports": [{"boards": [{}]}], "smbus": {"chips": [{}]},'
            ' "chip": {"noise": 1}}\n')

# The limits gauge on +12V: its limit registers and the scale the limits go back to the chip
# through (Int(volts / (15.876 / 255)), the top of the scale written as 255).
LOW_12V, HIGH_12V = "34", "33"
SCALE_MAX_12V = 15.938
CHART_SECONDS = 8.0  # of traces on the strip chart before its screenshot (it shows 20 s)


def register_from_12v(volts):
    return min(255, max(0, math.floor(volts / (15.876 / 255.0))))


def run_walk(session, args, script, options, timeout, scenario=POWER_UP, program_env=None,
             env=None):
    """Runs the program on simulated hardware (a scenario's text, or None for the built-in one)
    with its bus trace, beside script's driver with options."""
    trace, simulate = session.path("bus-trace.txt"), "--simulate"
    if scenario:
        simulate += "=" + session.path("scenario.json")
        with open(session.path("scenario.json"), "w", encoding="utf-8") as out:
            out.write(scenario)
    return session.run(args, [simulate, f"--bus-trace={trace}"], script, options, timeout,
                       program_env, dict(env or {}, KELVRAN_E2E_TRACE=trace))


class Walk:
    def __init__(self, acts):
        self.acts = acts
        self.ui = acts.ui
        self.atspi = self.ui.atspi
        self.trace = BusTrace(os.environ.get("KELVRAN_E2E_TRACE", ""))

    def window(self, title):
        """The window with this title, once it has opened and taken the focus."""
        window = self.ui.wait_for(f"the window {title!r}", lambda: self.ui.top_level(title))
        self.acts.arrived(title)
        return window

    def gone(self, title):
        """Once the window with this title has closed and given the focus back to the main one."""
        self.ui.wait_for(f"the window {title!r} to close", lambda: self.ui.top_level(title) is None)
        self.acts.arrived(MAIN)

    def button(self, root, text):
        return self.ui.wait_for(f"the button {text!r}",
                                lambda: self.ui.named(text, self.atspi.ROLE_PUSH_BUTTON, root))

    def writes(self, until, what, settle=0.0):
        """The writes in the trace from now on, once until() holds for them (and, with settle,
        once nothing more has been written for that long)."""
        seen = []

        def done():
            seen.extend(self.trace.new_writes())
            return until(seen)
        self.ui.wait_for(what, done, 5.0)
        time.sleep(settle)
        return seen + self.trace.new_writes()

    def write_to(self, register, what, settle=0.0):
        return self.writes(lambda seen: any(w.split()[3] == register for w in seen), what, settle)

    def wizard(self):
        ui, acts = self.ui, self.acts
        ui.wait_for("the program on the accessibility bus", ui.application, timeout=30)
        self.window(WIZARD)
        if "Search Wizard" not in ui.find_showing("WelcomeLBL").name:
            raise Failure(f"unexpected welcome text {ui.find('WelcomeLBL').name!r}")
        next_button, back, finish = ui.find("NextCMD"), ui.find("BackCMD"), ui.find("FinishCMD")
        if ui.enabled(back) or ui.enabled(finish):
            raise Failure("Back and Finish must start disabled")
        acts.shot(WIZARD, "wizard-welcome.png")
        if not acts.wayland:
            acts.help_by_f1_closed_by("Escape", WIZARD)

        acts.press_default(next_button)
        ui.find_showing("PPCheck")
        ui.wait_for("Back to be enabled", lambda: ui.enabled(back))
        smbus = ui.find("SMBusCheck")
        if not ui.checked(smbus):
            acts.press(smbus)
            ui.wait_for("the SMBus box to be ticked", lambda: ui.checked(smbus))
        acts.shot(WIZARD, "wizard-medium.png")

        acts.press_default(next_button)  # runs the search
        results = ui.find_showing("SearchResultsLIST")
        ui.wait_for("Finish to be enabled", lambda: ui.enabled(finish))
        items = ui.list_lines(results)
        lines = [" ".join(item.name.split()) for item in items]
        log("search results:", lines)
        if len(lines) != 2 or not lines[0].endswith("Printer 1") \
                or not lines[1].endswith("SMBus2D"):
            raise Failure(f"expected the board at 5Ch, then the SMBus chip at 2Dh: {lines!r}")
        # On the SMBus the gauge writes its limits only when a pointer is let go.
        acts.choose_line(results, items[1])
        ui.wait_for("the SMBus line to be selected",
                    lambda: ui.has_state(items[1], self.atspi.STATE_SELECTED))
        acts.shot(WIZARD, "wizard-results.png")

        acts.press(finish)
        self.gone(WIZARD)
        if not ui.find_showing("lblVersion").name.startswith("Version "):
            raise Failure(f"lblVersion reads {ui.find('lblVersion').name!r}")
        acts.shot(MAIN, "main-tab.png")

    def read_write_tab(self):
        ui, acts = self.ui, self.acts
        acts.next_tab("Read/Write")
        panel = ui.find_showing("SSPanel7")
        if ui.text_of(panel) != "Continuous Reading is Off":
            raise Failure(f"SSPanel7 reads {ui.text_of(panel)!r}")
        ui.find_showing("read_writedisplaytext_11")
        acts.shot(MAIN, "read-write-tab.png")

        # "2.5V/External Temp. High Limit" (2Bh): one read when chosen, then its bit 0 flipped.
        self.trace.new_lines()
        acts.pick(ui.find_showing("read_writedisplaytext_20"), "read_writedisplaytext_", "Down")
        read = ui.wait_for("2Bh to be read", lambda: next(
            (line for line in self.trace.new_lines() if line.startswith("SMB 2D R 2B ")), None))
        before = int(read.split()[4], 16)
        acts.pick(ui.find_showing("bit0"), "bit", "Right")
        writes = self.write_to("2B", "the bit flip to reach the chip")
        expected = f"SMB 2D W 2B {before ^ 1:02X}"
        if expected not in writes:
            raise Failure(f"flipping bit 0 of 2Bh ({before:02X}) wrote {writes}, not {expected}")
        log("bit 0 of 2Bh flipped:", expected)

    def expect_limit_writes(self, writes, low, high, how):
        """One pair of +12V limit writes, low first, of the limits the gauge shows now."""
        expected = [f"SMB 2D W {LOW_12V} {register_from_12v(self.ui.value_of(low)):02X}",
                    f"SMB 2D W {HIGH_12V} {register_from_12v(self.ui.value_of(high)):02X}"]
        if writes != expected:
            raise Failure(f"{how} wrote {writes}, expected {expected}")

    def expect_no_writes(self, how):
        writes = self.trace.new_writes()
        if writes:
            raise Failure(f"{how} wrote {writes}")

    def visual_display_tab(self):
        ui, acts = self.ui, self.acts
        self.trace.new_lines()
        acts.next_tab("Visual Display", modal=True)
        notice = self.window(NOTICE)
        if notice.getRole() != self.atspi.ROLE_ALERT:
            raise Failure(f"the start notice has role {notice.getRoleName()}")
        acts.shot(NOTICE, "start-notice.png")
        acts.press_default(self.button(notice, "Yes"))
        self.gone(NOTICE)
        self.writes(lambda seen: "SMB 2D W 40 03" in seen,
                    "EasySetup to start the SMBus chip (a write of 03 to register 40)")
        started = time.monotonic()

        gauge = ui.find_showing("limits_gauge")
        parts = {part.name: part for part in ui.children(gauge)}
        low, high = parts["low limit"], parts["high limit"]
        ui.wait_for("the high limit pointer to show", lambda: ui.showing(high))
        scale = high.queryValue()
        if (scale.minimumValue, scale.maximumValue) != (0.0, SCALE_MAX_12V):
            raise Failure("the gauge should show +12V on entering the tab; its scale is "
                          f"{scale.minimumValue} .. {scale.maximumValue}")
        if not acts.wayland:
            acts.drag_high_limit(self, parts)

        # A value set from outside is a drag and a release: one pair of limit writes, low first.
        target = round(ui.value_of(high) - 0.25, 3)
        self.trace.new_lines()
        high.queryValue().currentValue = target
        writes = self.write_to(HIGH_12V, "the high limit write after setting its value", 0.4)
        high_set = ui.value_of(high)
        log(f"high limit set to {target:.3f} V over AT-SPI: it reads {high_set:.3f} V; {writes}")
        if abs(high_set - target) > 0.0005:
            raise Failure(f"the high limit reads {high_set} after being set to {target}")
        self.expect_limit_writes(writes, low, high, "setting the high limit")
        if not acts.wayland:
            acts.step_low_limit_by_key(self)

        # Several seconds of the display cycle, so the traces cross a good part of the chart.
        time.sleep(max(0.0, started + CHART_SECONDS - time.monotonic()))
        acts.shot(MAIN, "visual-display-tab.png")
        if acts.wayland:
            self.file_menu_dialogs()
        else:
            acts.file_menu_shot()

    def file_menu_dialogs(self):
        """Each opens a modal dialog over the main window; Cancel leaves everything as it was."""
        for entry in ("Save Register Snapshot", "Restore Register Snapshot", "Export Chart",
                      "Start Recording"):
            self.trace.new_lines()
            self.acts.press(self.ui.menu_item(entry + "…"), modal=True)
            self.acts.press(self.button(self.window(entry), "Cancel"))
            self.gone(entry)
            self.expect_no_writes(f"{entry}… cancelled")
            log(f"File > {entry}…: opened and cancelled")

    def channel_mode_tab(self):
        ui, acts = self.ui, self.acts
        acts.next_tab("Channel Mode/VID ")
        vid = ui.find_showing("vid_bit_0")
        # A VID digit reads with its bit: "VID 0, 1".
        ui.wait_for("the VID row", lambda: ui.text_of(vid) in ("VID 0, 0", "VID 0, 1"))
        acts.shot(MAIN, "channel-mode-tab.png")
        self.trace.new_lines()
        acts.press(ui.find_showing("fan1_ain1_toggle"))
        log("FAN1/AIN1 switched:", self.write_to("16", "the switch to write Channel Mode"))

    def about_and_help(self):
        ui, acts = self.ui, self.acts
        acts.next_tab("Main")
        acts.press(ui.find_showing("Command3"), modal=True)
        about = self.window(ABOUT)
        acts.shot(ABOUT, "about-box.png")
        ok = ui.find("cmdOK", about)
        if ok is None or ok.name.replace("&", "") != "OK":
            raise Failure("the About box has no OK button")
        acts.press(ok)
        self.gone(ABOUT)
        if not acts.wayland:  # Escape closes it too
            acts.press(ui.find_showing("Command3"), modal=True)
            self.window(ABOUT)
            acts.key("Escape")
            self.gone(ABOUT)

        # The help is a window of its own beside the main one; it goes when the program ends.
        acts.open_help()
        help_window = self.window(HELP)
        if "user's guide" not in ui.text_of(ui.find("help_browser", help_window)):
            raise Failure("the help window does not show the user's guide")
        acts.shot(HELP, "help.png")

    def run(self):
        for step in (self.wizard, self.read_write_tab, self.visual_display_tab,
                     self.channel_mode_tab, self.about_and_help, self.acts.end):
            log(step.__name__.replace("_", " "))
            step()
        self.acts.done()
        log("the walk passed")
        return 0


class AtspiActs:
    """What both ways of acting share: the desktop, the screenshots kept for docs."""

    wayland = False

    def __init__(self, args):
        self.ui = Desktop()
        self.args = args
        self.shots = []

    def done(self):
        """Copies the screenshots to --docs when it is given (KELVRAN_UPDATE_SCREENSHOTS=1)."""
        if self.args.docs:
            os.makedirs(self.args.docs, exist_ok=True)
            for path in self.shots:
                shutil.copy(path, self.args.docs)
