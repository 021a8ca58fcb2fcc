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

Usage: review_run.py --program PATH --generator PATH --out DIR [--docs DIR]
With KELVRAN_UPDATE_SCREENSHOTS=1 the screenshot is copied to --docs too.
Exit status: 0 passed, 1 failed (also when a tool this test needs is not installed).
"""

import argparse
import os
import subprocess
import sys
import time

from atspi_session import (Desktop, Failure, Session, close_and_await_end, copy_to_docs,
                           driver_command, driver_status, ended_cleanly, launched, log,
                           log_program_output, missing_tools, x_window, xdotool)

ROWS = 7 * 24 * 360      # a week at one row every 10 s
INTERVAL_MS = 10000
ALARM = (4 * 8640 + 13 * 360, 4 * 8640 + 16 * 360)  # the fifth day, 13:00 to 16:00 or so
FILE_NAME = "soak-week.csv"
TITLE = FILE_NAME + " - Recording Review"
SHOT = "review-week.png"
OTHER_NAME = "other-board.csv"
COMPARE_SHOT = "review-compare.png"
PLOT_LEFT, PLOT_RIGHT = 44, 8  # the chart's margins left and right of its plot


def launch(args):
    missing = missing_tools()
    if missing:
        log("failed: not installed:", ", ".join(missing), "(scripts/test installs them)")
        return 1
    for tool in (args.program, args.generator):
        if not os.access(tool, os.X_OK):
            log("no program at", tool)
            return 1
    os.makedirs(args.out, exist_ok=True)
    with Session(screen="1366x768") as session:
        recording = session.path(FILE_NAME)
        subprocess.run([args.generator, "--daily", recording, str(ROWS), str(INTERVAL_MS),
                        str(ALARM[0]), str(ALARM[1])], check=True)
        other = session.path(OTHER_NAME)
        # Another board, started a day and three hours later, with AIN 1 in place of Fan 1.
        subprocess.run([args.generator, "--daily", "--seed=9", "--mode=1",
                        f"--start-ms={1796515323456 + 27 * 3600 * 1000}", other, str(ROWS),
                        str(INTERVAL_MS)], check=True)
        status = 0
        for views, options in (([f"--view={recording}"], []),
                               ([f"--view={recording}", f"--compare={other}"], ["--compare"])):
            output = session.path("program-review.out")
            program = session.start_program([args.program, *views, "--a11y-ids"], output)
            drive = driver_command(__file__, args.out, args.docs, *options)
            status = session.run_driver(drive, {"KELVRAN_E2E_PID": str(program.pid)}, 120)
            if status == 0 and not ended_cleanly(program, "after its window closed"):
                status = 1
            if status != 0:
                log_program_output(output)
                break
    return status


def shoot_and_close(ui, x_id, path, docs):
    """The window as painted, to path and to docs, then closed and its program ended."""
    time.sleep(0.5)  # let the window finish painting
    subprocess.run(["import", "-window", str(x_id), path], check=True)
    log("screenshot", path)
    close_and_await_end(ui, x_id)
    copy_to_docs([path], docs)


def drive_compare(args):
    """Two weeks compared: both runs in the readout, the channels not shared named."""
    ui = Desktop()
    window = ui.wait_for("the review window", lambda: ui.top_level(TITLE), timeout=60)
    legend = ui.wait_for("the compared recording to be read",
                         lambda: ui.find_showing("compared_legend"), timeout=60)
    text = ui.text_of(legend)
    for says in (OTHER_NAME, "Fan 1 (only in " + FILE_NAME, "AIN 1 (only in " + OTHER_NAME):
        if says not in text:
            raise Failure(f"the legend of the compared run lacks {says!r}: {text!r}")
    readout = ui.find("readout")

    def captions():
        table = readout.queryTable()
        names = []
        for row in range(table.nRows):
            node = table.getAccessibleAt(row, 0)
            node.clear_cache()
            names.append(node.name)
        return names

    ui.wait_for("+12V of both runs and their difference", lambda: {
        "+12V [V]", "+12V [V] · " + OTHER_NAME, "+12V [V] Δ"} <= set(captions()))
    # One channel a pane, by clock time (the other board's days run three hours later), over
    # five hours where the dashes show.
    for name in ("+2.5V", "+Vccp1", "+Vcc", "+5V", "+Vccp2", "External 1", "Fan 1"):
        ui.act(ui.find("show_" + name))
    x_id = x_window(TITLE)
    subprocess.run(["xdotool", "windowfocus", "--sync", str(x_id)], check=True)
    pane = ui.find_showing("pane_volts")
    box = ui.extents(pane)
    xdotool("mousemove", "--sync", box.x + box.width * 3 // 10, box.y + box.height // 2)
    xdotool("click", 1)
    xdotool("key", "Escape", "c")
    for _ in range(5):
        xdotool("key", "plus")
    ui.wait_for("the alignment by clock", lambda: "by clock" in ui.text_of(legend))
    shoot_and_close(ui, x_id, os.path.join(args.out, COMPARE_SHOT), args.docs)
    del window
    return 0


def drive(args):
    if args.compare:
        return drive_compare(args)
    ui = Desktop()
    window = ui.wait_for("the review window", lambda: ui.top_level(TITLE), timeout=60)
    readout = ui.wait_for("the recording to be read", lambda: ui.find("readout"), timeout=60)
    pane = ui.find_showing("pane_volts")
    x_id = x_window(TITLE)
    subprocess.run(["xdotool", "windowfocus", "--sync", str(x_id)], check=True)

    # The whole week in view; a click puts A just before the alarm, a right click B after it.
    box = ui.extents(pane)
    xdotool("mousemove", "--sync", box.x + box.width // 2, box.y + box.height + 60)
    xdotool("key", "Home")
    time.sleep(0.3)
    plot_left, plot_width = box.x + PLOT_LEFT, box.width - PLOT_LEFT - PLOT_RIGHT
    alarm_x = plot_left + plot_width * ALARM[0] // ROWS
    alarm_end_x = plot_left + plot_width * ALARM[1] // ROWS
    xdotool("mousemove", "--sync", alarm_x - 25, box.y + box.height // 2, "click", 1)
    xdotool("mousemove", "--sync", alarm_end_x + 35, box.y + box.height // 2, "click", 3)
    xdotool("mousemove", "--sync", box.x + box.width // 2, box.y + box.height + 60)

    def cell(row, column):
        table = readout.queryTable()
        node = table.getAccessibleAt(row, column)
        node.clear_cache()
        return node.name

    def row_of(caption):
        table = readout.queryTable()
        for row in range(table.nRows):
            if cell(row, 0) == caption:
                return row
        return None

    row = ui.wait_for("+12V in the readout", lambda: row_of("+12V [V]"))
    ui.wait_for("values at A and B", lambda: cell(row, 1) and cell(row, 2))
    rows_between = int(cell(row, 10))
    if rows_between < 2:
        raise Failure(f"the readout counts {rows_between} rows between A and B")
    summary = ui.find("readout_summary")
    if "statistics between A and B" not in ui.text_of(summary):
        raise Failure("the summary does not say the statistics are between A and B")
    log("+12V at A", cell(row, 1), "at B", cell(row, 2), "rows between", rows_between)

    shoot_and_close(ui, x_id, os.path.join(args.out, SHOT), args.docs)
    del window
    return 0


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--program")
    parser.add_argument("--generator")
    parser.add_argument("--out", required=True)
    parser.add_argument("--docs")
    parser.add_argument("--drive", action="store_true", help=argparse.SUPPRESS)
    parser.add_argument("--compare", action="store_true", help=argparse.SUPPRESS)
    args = parser.parse_args()
    if args.drive:
        return driver_status(drive, args)
    return launched(launch, args)


if __name__ == "__main__":
    sys.exit(main())
