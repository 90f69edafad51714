#!/usr/bin/env python3
"""The trend window's file dialogs, and the end of the program under them, on
a real X server while the line is busy.

    window_dialogs.py BUILD_DIR [--window-manager] [--no-glib] [--repeat N]

Eight channels are polled at 2400 bit/s, so that a polling step lasts about
2 s and nearly every key arrives inside one. Each dialog is opened by its
access key and, where a mouse is the natural way, by a click, a file name is
typed and Enter pressed (or the file double-clicked), and the check looks at
what the operator gets: the file written and what it holds, the log file
shown, the line still polled afterwards, the program ending in order on
SIGTERM while a dialog is open. With --window-manager the setting dialog is
typed into while a click on the trend window activates that.
"""
import os
import signal
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from desk import (  # noqa: E402
    GEOMETRY, MAIN, SETTING_NAME_FIELD, SETTING_OK, Desk, Monitor,
    Sim, channel_store, check, ended_in_order, failures, new_folder, options, run_case, temporary_root, wait_for)


class Run:
    def __init__(self, desk, build, root, name, env):
        self.desk = desk
        self.folder = new_folder(root, name)
        args = ["--speed", "2400"] + [a for n in range(1, 9) for a in ("--instrument", f"{n}:pv={100 * n}")]
        self.sim = Sim(os.path.join(build, "sim", "vtx500-sim"), self.folder, args)
        store = dict(GEOMETRY, LogT="1", **channel_store(self.sim.link, "2400", 8))
        self.monitor = Monitor(os.path.join(build, "app", "vtx500-monitor"), desk, self.folder, store, env)
        self.main = desk.window(MAIN)
        if not wait_for(lambda: self.sim.pv_reads() > 8, 90, 0.2):
            raise AssertionError("polling never started")

    def close(self):
        self.monitor.close()
        self.sim.close()

    def keys_to(self, window, *keys):
        self.desk.focus(window)
        self.desk.keys(*keys)

    def still_polled(self):
        reads = self.sim.pv_reads()
        return wait_for(lambda: self.sim.pv_reads() >= reads + 16, 30, 0.2)

    def trend(self):
        self.keys_to(self.main, "alt+v", "t")
        return self.desk.window("Trend")

    def dialog(self, caption):
        window = self.desk.window(caption)
        self.desk.focus(window)
        return window

    def name_in(self, window, key, caption, name):
        """The file dialog that key opens in window: name typed, Enter pressed, the dialog gone."""
        self.keys_to(window, key)
        self.dialog(caption)
        self.desk.type(name, 10)
        self.desk.keys("Return")
        self.desk.gone(caption)

    def path(self, name):
        return os.path.join(self.folder, name)


def read(path):
    with open(path, "rb") as f:
        return f.read()


def csv_rows(path):
    return [line.split(",") for line in read(path).decode().split("\r\n") if line]


def exports_by_keys(run):
    trend = run.trend()
    # Export CSV...: the dialog opens although Alt+C arrives inside a step,
    # takes the typed name, and Enter writes the ticked channels.
    run.name_in(trend, "alt+c", "Export CSV", run.path("live.csv"))
    if check(wait_for(lambda: os.path.isfile(run.path("live.csv")), 10), "Export CSV by Alt+C, a name and Enter writes the file"):
        rows = csv_rows(run.path("live.csv"))
        check(rows[0] == ["time"] + [f"CH {n}" for n in range(8)] and len(rows) > 1
              and all(len(r) == 9 for r in rows[1:]), f"the CSV holds the eight monitored channels: {rows[:2]}")
    check(run.still_polled(), "polling goes on after the export")

    # Export PNG...: the same by Alt+P.
    run.name_in(trend, "alt+p", "Export PNG", run.path("trend.png"))
    ok = wait_for(lambda: os.path.isfile(run.path("trend.png")) and read(run.path("trend.png")).endswith(b"IEND\xaeB`\x82"), 10)
    check(ok and read(run.path("trend.png")).startswith(b"\x89PNG"), "Export PNG by Alt+P, a name and Enter writes a whole PNG")

    # Open log files...: the run's own log by its typed name and Enter; the
    # chart then exports the log's records, from its first one on.
    log = sorted(os.listdir(os.path.join(run.monitor.work, "log")))[0]
    run.name_in(trend, "alt+o", "Open log files", log)
    first_record = read(os.path.join(run.monitor.work, "log", log)).split(b"\r\n")[1].split(b"\t")[0].decode()
    run.keys_to(trend, "alt+a")  # Show all: the whole file
    run.name_in(trend, "alt+c", "Export CSV", run.path("log.csv"))
    if check(wait_for(lambda: os.path.isfile(run.path("log.csv")), 10), "Open log files by a typed name and Enter, then Export CSV"):
        rows = csv_rows(run.path("log.csv"))
        check(len(rows[0]) == 9 and len(rows) > 1 and rows[1][0].split("T")[1].startswith(first_record),
              f"the CSV of the log file (its eight channels with values) starts at its first record {first_record}: {rows[:2]}")
    # Live by its access key: back to the PVs of this run.
    run.keys_to(trend, "alt+l")
    run.name_in(trend, "alt+c", "Export CSV", run.path("live2.csv"))
    check(wait_for(lambda: os.path.isfile(run.path("live2.csv")), 10)
          and len(csv_rows(run.path("live2.csv"))[0]) == 9, "Live by Alt+L shows this run's channels again")
    check(run.still_polled(), "polling goes on after the dialogs")


def open_by_double_click(run):
    """Open log files..., by a click on the button and a double click on the file."""
    desk = run.desk
    trend = run.trend()
    run.keys_to(trend, "alt+o")  # the button's place moves with the style; its key does not
    dialog = run.dialog("Open log files")
    log = sorted(os.listdir(os.path.join(run.monitor.work, "log")))[0]
    desk.type(log, 10)  # selects the file in the list: its row is the highlighted one
    row = wait_for(lambda: desk.highlight(dialog), 10)
    if not check(bool(row), "the typed name selects the file in the list"):
        return
    # The first click closes the name field's completion list (a pop-up
    # takes the click that closes it); after the double-click interval the
    # double click on the row.
    desk.click(dialog, *row)
    time.sleep(1.0)
    desk.xdo("mousemove", "--window", dialog, row[0], row[1], "click", "--repeat", 2, "--delay", 80, 1)
    desk.gone("Open log files")
    run.name_in(trend, "alt+c", "Export CSV", run.path("dbl.csv"))
    check(wait_for(lambda: os.path.isfile(run.path("dbl.csv")), 10) and len(csv_rows(run.path("dbl.csv"))[0]) == 9,
          "a double click on the log file opens it")


def sigterm_under_file_dialog(run):
    """SIGTERM while Export CSV is open (opened by its access key during a step,
    not inside the next one, where the dialog would hold the step for ever);
    the line is polled behind the open dialog."""
    trend = run.trend()
    run.keys_to(trend, "alt+c")
    run.dialog("Export CSV")
    check(run.still_polled(), "polling goes on behind the open Export CSV dialog")
    run.monitor.process.send_signal(signal.SIGTERM)
    ended_in_order(run.monitor, "SIGTERM under Export CSV", 20)


def setting_typed_while_another_is_activated(run):
    """Keys typed into the setting dialog during a step stay there although a
    click activates the trend window before the step is over."""
    desk = run.desk
    trend = run.trend()
    run.keys_to(run.main, "alt+s", "s", "3")
    dialog = run.dialog("Setting")
    # OK sends only once the reads have filled the fields (channel 3 is
    # address 4); the transfer reaches an item behind its cursor only after
    # a round of the whole table, a minute at this speed.
    if not check(bool(wait_for(lambda: run.sim.setting_reads_done(4), 150, 0.5)), "the setting dialog's reads go out"):
        return
    desk.click(dialog, *SETTING_NAME_FIELD)
    desk.keys("ctrl+a")
    desk.type("Boiler feed", 15)
    left, top, width, height = desk.geometry(trend)
    desk.click(trend, width - 40, height // 2)  # the window manager activates the trend window
    run.still_polled()  # the step ends, and the keys are handed on while the trend window is active
    desk.focus(dialog)
    desk.click(dialog, *SETTING_OK)
    desk.gone("Setting")
    desk.focus(run.main)
    desk.keys("alt+f", "x")
    check(run.monitor.ended(30) and run.monitor.store().get("PVname03") == "Boiler feed",
          f"the typed name stayed in the setting dialog: {run.monitor.store().get('PVname03')!r}")


def main():
    build, wm, env, repeat = options()
    root = temporary_root()
    desk = Desk(window_manager=wm)
    cases = [("exports", exports_by_keys), ("double-click", open_by_double_click), ("sigterm", sigterm_under_file_dialog)]
    if wm:
        cases.append(("activation", setting_typed_while_another_is_activated))
    if os.environ.get("VTX_X11_CASE"):  # one case alone, when looking into it
        cases = [c for c in cases if c[0] == os.environ["VTX_X11_CASE"]]
    try:
        for _ in range(repeat):
            for name, case in cases:
                run_case(name, Run(desk, build, root, name, env), case)
    finally:
        desk.close()
    print("x11 dialogs: %d failed" % len(failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
