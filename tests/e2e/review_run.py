#!/usr/bin/python3
"""End-to-end run of the recording review, in a real X server, driven from outside.

The launcher half makes a week-long recording (one row every 10 s, temperatures and fans
following the days, with an afternoon when +12V stood above its limit) and a second week of
another board in another Channel Mode, starts a private X server (a 1366x768 screen), D-Bus and
AT-SPI bus and `kelvran-eval --view=FILE --a11y-ids`. The driver half waits for the recording to
be read, places cursors A and B with real clicks either side of the alarm, checks over AT-SPI
that the readout table shows the values at A and B and the rows between, and saves a screenshot.
A second run, `--view=FILE --compare=OTHER`, checks that the readout holds both runs and that the
window names the channels they do not share, zooms in on two days and saves a screenshot.
It takes --generator PATH, the program that writes the recordings.
"""

import subprocess
import sys
import time

from atspi_session import Failure, Session, close_and_await_end, log, ready, run_script, xdotool
from e2e_run import X11Acts

ROWS = 7 * 24 * 360      # a week at one row every 10 s
INTERVAL_MS = 10000
ALARM = (4 * 8640 + 13 * 360, 4 * 8640 + 16 * 360)  # the fifth day, 13:00 to 16:00 or so
FILE_NAME = "soak-week.csv"
TITLE = FILE_NAME + " - Recording Review"
OTHER_NAME = "other-board.csv"
PLOT_LEFT, PLOT_RIGHT = 44, 8  # the chart's margins left and right of its plot


def launch(args):
    if not ready(args, programs=[args.generator]):
        return 1
    with Session(screen="1366x768") as session:
        recording, other = session.path(FILE_NAME), session.path(OTHER_NAME)
        subprocess.run([args.generator, "--daily", recording, str(ROWS), str(INTERVAL_MS),
                        str(ALARM[0]), str(ALARM[1])], check=True)
        # Another board, started a day and three hours later, with AIN 1 in place of Fan 1.
        subprocess.run([args.generator, "--daily", "--seed=9", "--mode=1",
                        f"--start-ms={1796515323456 + 27 * 3600 * 1000}", other, str(ROWS),
                        str(INTERVAL_MS)], check=True)
        return (session.run(args, [f"--view={recording}"], __file__, ["week"], 120)
                or session.run(args, [f"--view={recording}", f"--compare={other}"], __file__,
                               ["compare"], 120))


def cell(readout, row, column):
    node = readout.queryTable().getAccessibleAt(row, column)
    node.clear_cache()
    return node.name


def captions(readout):
    return [cell(readout, row, 0) for row in range(readout.queryTable().nRows)]


def cursors_either_side_of_the_alarm(ui):
    """The whole week in view; a click puts A just before the alarm, a right click B after it;
    the readout shows +12V at A and B and counts the rows between."""
    readout = ui.wait_for("the recording to be read", lambda: ui.find("readout"), timeout=60)
    box = ui.extents(ui.find_showing("pane_volts"))
    xdotool("mousemove", "--sync", box.x + box.width // 2, box.y + box.height + 60)
    xdotool("key", "Home")
    time.sleep(0.3)
    plot_left, plot_width = box.x + PLOT_LEFT, box.width - PLOT_LEFT - PLOT_RIGHT
    alarm_x = plot_left + plot_width * ALARM[0] // ROWS
    alarm_end_x = plot_left + plot_width * ALARM[1] // ROWS
    xdotool("mousemove", "--sync", alarm_x - 25, box.y + box.height // 2, "click", 1)
    xdotool("mousemove", "--sync", alarm_end_x + 35, box.y + box.height // 2, "click", 3)
    xdotool("mousemove", "--sync", box.x + box.width // 2, box.y + box.height + 60)

    ui.wait_for("+12V in the readout", lambda: "+12V [V]" in captions(readout))
    row = captions(readout).index("+12V [V]")
    ui.wait_for("values at A and B", lambda: cell(readout, row, 1) and cell(readout, row, 2))
    rows_between = int(cell(readout, row, 10))
    log("+12V at A", cell(readout, row, 1), "at B", cell(readout, row, 2), "rows between",
        rows_between)
    if rows_between < 2:
        raise Failure(f"the readout counts {rows_between} rows between A and B")


def two_weeks_compared(ui):
    """Both runs in the readout; one channel a pane, by clock time (the other board's days run
    three hours later), over five hours where the dashes show."""
    legend = ui.wait_for("the compared recording to be read",
                         lambda: ui.find_showing("compared_legend"), timeout=60)
    both = {"+12V [V]", "+12V [V] · " + OTHER_NAME, "+12V [V] Δ"}
    ui.wait_for("+12V of both runs and their difference",
                lambda: both <= set(captions(ui.find("readout"))))
    for name in ("+2.5V", "+Vccp1", "+Vcc", "+5V", "+Vccp2", "External 1", "Fan 1"):
        ui.act(ui.find("show_" + name))
    box = ui.extents(ui.find_showing("pane_volts"))
    xdotool("mousemove", "--sync", box.x + box.width * 3 // 10, box.y + box.height // 2, "click", 1)
    xdotool("key", "Escape", "c")
    for _ in range(5):
        xdotool("key", "plus")
    ui.wait_for("the alignment by clock", lambda: "by clock" in ui.text_of(legend))


def drive(args):
    acts = X11Acts(args)
    acts.ui.wait_for("the review window", lambda: acts.ui.top_level(TITLE), timeout=60)
    window = acts.focus_window(TITLE)
    (two_weeks_compared if args.drive == "compare" else cursors_either_side_of_the_alarm)(acts.ui)
    acts.shot(TITLE, "review-compare.png" if args.drive == "compare" else "review-week.png")
    close_and_await_end(acts.ui, window)
    acts.done()
    return 0


if __name__ == "__main__":
    sys.exit(run_script(__doc__, launch, drive, "--generator"))
