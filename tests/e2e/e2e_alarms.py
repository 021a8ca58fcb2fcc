#!/usr/bin/python3
"""End-to-end: an alarm of the simulated bench reaches a real notification daemon.

The launcher starts a private X server, session bus and AT-SPI bus (as e2e_run.py does), a real
notification daemon (dunst) on them, and the program with no settings of its own on the built-in
bench of alarm_bench.json: the same board, but its external temperature climbs past its 90
degree limit four seconds after the start and stays there (the built-in one takes a minute, too
long for every test run). The driver picks the SMBus chip in the wizard, turns File > "Notify on
Alarms" on, and shows the Visual Display tab. It waits for the External 1 lamp to light and for
the daemon to show the notification, checks what the daemon received (application, summary,
body, urgency), and takes a screenshot of each.
"""

import os
import re
import sys
import time

from atspi_session import Failure, Session, close_and_await_end, log, ready, run_script, x_window
from e2e_run import X11Acts
from walk import MAIN, Walk, run_walk

EXTERNAL_1_LAMP = "SSPanel11_8"
ALARM_TIMEOUT = 30  # s: the bench crosses the limit four seconds after its start
HERE = os.path.dirname(os.path.abspath(__file__))

# A script that dunst runs for every notification it shows, to log what it received.
LOG_SCRIPT = """#!/bin/sh
printf '%s|%s|%s|%s\\n' "$DUNST_APP_NAME" "$DUNST_SUMMARY" "$DUNST_BODY" "$DUNST_URGENCY" >> {log}
"""


def start_dunst(session):
    script, log_file = session.path("dunst-log.sh"), session.path("notifications.log")
    with open(script, "w") as f:
        f.write(LOG_SCRIPT.format(log=log_file))
    os.chmod(script, 0o755)
    config = session.path("dunstrc")
    with open(os.path.join(HERE, "dunstrc")) as template, open(config, "w") as f:
        f.write(template.read().format(script=script))
    session._start(["dunst", "-config", config], "dunst")
    # Asked of the bus, not of the service: a call to the service would have the bus start
    # another daemon of its own (with the default look) in ours' place.
    session.await_bus("dunst to take the notification service", "--dest=org.freedesktop.DBus",
                      "/org/freedesktop/DBus", "org.freedesktop.DBus.NameHasOwner",
                      "string:org.freedesktop.Notifications", answer="boolean true")
    return log_file


def launch(args):
    if not ready(args, ["dunst"]):
        return 1
    with Session() as session:
        # A first run: no settings, so notifications start off as a user finds them.
        session.env["XDG_CONFIG_HOME"] = session.path("config")
        notifications = start_dunst(session)
        with open(os.path.join(HERE, "alarm_bench.json"), encoding="utf-8") as bench:
            return run_walk(session, args, __file__, [], ALARM_TIMEOUT + 90, bench.read(),
                            env={"KELVRAN_E2E_NOTIFICATIONS": notifications})


def drive(args):
    acts = X11Acts(args, keep_shots=False)
    ui = acts.ui
    # The wizard: the SMBus chip, by keys as the walk of every tab does it.
    Walk(acts).wizard()
    acts.keep_shots = True
    main_window = acts.focus_window(MAIN)
    item = ui.menu_item("Notify on Alarms")
    ui.act(item)
    ui.wait_for("Notify on Alarms to be ticked", lambda: ui.checked(item))

    # The Visual Display tab of the bench, until its external temperature trips.
    ui.act(ui.wait_for("the Visual Display tab", lambda: ui.page_tab("Visual Display")))
    lamp = ui.find_showing(EXTERNAL_1_LAMP)
    log("waiting for the bench's external temperature to pass its limit")
    ui.wait_for("the External 1 lamp to light", lambda: ui.checked(lamp), timeout=ALARM_TIMEOUT)
    acts.shot(MAIN, "alarm-lamp.png")

    # The notification as the daemon shows it and as it received it.
    logged = os.environ["KELVRAN_E2E_NOTIFICATIONS"]

    def received():  # the file is there from the first notification on
        with open(logged) as f:
            return [line.rstrip("\n").split("|") for line in f if line.strip()]

    lines = ui.wait_for("the daemon to show a notification", received, timeout=10)
    app, summary, body, urgency = lines[0]
    log("dunst showed:", lines[0])
    if (app, summary, urgency) != (MAIN, "External 1 above its limit", "CRITICAL"):
        raise Failure(f"dunst received {lines[0]}")
    if not re.fullmatch(r"9[1-5] °C \(limits 0 to 90 °C\) at \d\d:\d\d:\d\d"
                        r"(; in alarm since \d\d:\d\d:\d\d)?", body):
        raise Failure(f"the notification's body reads {body!r}")
    popup = ui.wait_for("dunst's window", lambda: x_window("Dunst", "--class"))
    time.sleep(0.3)
    acts.area_shot(popup, "alarm-notification.png", margin=12)  # with the desktop around it

    close_and_await_end(ui, main_window)
    acts.done()
    return 0


if __name__ == "__main__":
    sys.exit(run_script(__doc__, launch, drive))
