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
from desk import Desk, Monitor, Sim, new_folder, temporary_root, wait_for  # noqa: E402

MAIN = "VTX-501-M Monitor"
failures = []


def check(ok, what):
    print(("ok    " if ok else "FAIL  ") + what, flush=True)
    if not ok:
        failures.append(what)
    return ok


def px(twips):
    return twips // 15


SETTING_NAME_FIELD = (px(3840) + 20, px(1560) + 9)
SETTING_OK = (px(3240) + 28, px(7320) + 16)


class Run:
    def __init__(self, desk, build, root, name, env):
        self.desk = desk
        self.folder = new_folder(root, name)
        args = ["--speed", "2400"] + [a for n in range(1, 9) for a in ("--instrument", f"{n}:pv={100 * n}")]
        self.sim = Sim(os.path.join(build, "sim", "vtx500-sim"), self.folder, args)
        store = {"CommPort": self.sim.link, "Speed": "2400", "LogT": "1",
                 "MainLeft": "1500", "MainTop": "1200", "MainWidth": "8925", "MainHeight": "8400"}
        for channel in range(31):
            store[f"DvtoN{channel:02d}"] = str(channel % 8 + 1)
            store[f"DvState{channel:02d}"] = "ON" if channel < 8 else "OFF"
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

    def path(self, name):
        return os.path.join(self.folder, name)


def read(path):
    with open(path, "rb") as f:
        return f.read()


def csv_rows(path):
    return [line.split(",") for line in read(path).decode().split("\r\n") if line]


def exports_by_keys(run):
    desk = run.desk
    trend = run.trend()
    # Export CSV...: the dialog opens although Alt+C arrives inside a step,
    # takes the typed name, and Enter writes the ticked channels.
    run.keys_to(trend, "alt+c")
    run.dialog("Export CSV")
    desk.type(run.path("live.csv"), 10)
    desk.keys("Return")
    desk.gone("Export CSV")
    if check(wait_for(lambda: os.path.isfile(run.path("live.csv")), 10), "Export CSV by Alt+C, a name and Enter writes the file"):
        rows = csv_rows(run.path("live.csv"))
        check(rows[0] == ["time"] + [f"CH {n}" for n in range(8)] and len(rows) > 1
              and all(len(r) == 9 for r in rows[1:]), f"the CSV holds the eight monitored channels: {rows[:2]}")
    check(run.still_polled(), "polling goes on after the export")

    # Export PNG...: the same by Alt+P.
    run.keys_to(trend, "alt+p")
    run.dialog("Export PNG")
    desk.type(run.path("trend.png"), 10)
    desk.keys("Return")
    desk.gone("Export PNG")
    ok = wait_for(lambda: os.path.isfile(run.path("trend.png")) and read(run.path("trend.png")).endswith(b"IEND\xaeB`\x82"), 10)
    check(ok and read(run.path("trend.png")).startswith(b"\x89PNG"), "Export PNG by Alt+P, a name and Enter writes a whole PNG")

    # Open log files...: the run's own log by its typed name and Enter; the
    # chart then exports the log's records, from its first one on.
    log = sorted(os.listdir(os.path.join(run.monitor.work, "log")))[0]
    run.keys_to(trend, "alt+o")
    run.dialog("Open log files")
    desk.type(log, 10)
    desk.keys("Return")
    desk.gone("Open log files")
    first_record = read(os.path.join(run.monitor.work, "log", log)).split(b"\r\n")[1].split(b"\t")[0].decode()
    run.keys_to(trend, "alt+a")  # Show all: the whole file
    run.keys_to(trend, "alt+c")
    run.dialog("Export CSV")
    desk.type(run.path("log.csv"), 10)
    desk.keys("Return")
    desk.gone("Export CSV")
    if check(wait_for(lambda: os.path.isfile(run.path("log.csv")), 10), "Open log files by a typed name and Enter, then Export CSV"):
        rows = csv_rows(run.path("log.csv"))
        check(len(rows[0]) == 32 and len(rows) > 1 and rows[1][0].split("T")[1].startswith(first_record),
              f"the CSV of the log file starts at its first record {first_record}: {rows[:2]}")
    # Live by its access key: back to the PVs of this run.
    run.keys_to(trend, "alt+l")
    run.keys_to(trend, "alt+c")
    run.dialog("Export CSV")
    desk.type(run.path("live2.csv"), 10)
    desk.keys("Return")
    desk.gone("Export CSV")
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
    run.keys_to(trend, "alt+c")
    run.dialog("Export CSV")
    desk.type(run.path("dbl.csv"), 10)
    desk.keys("Return")
    desk.gone("Export CSV")
    check(wait_for(lambda: os.path.isfile(run.path("dbl.csv")), 10) and len(csv_rows(run.path("dbl.csv"))[0]) == 32,
          "a double click on the log file opens it")


def sigterm_under_file_dialog(run):
    """SIGTERM while Export CSV is open (opened by its access key during a step)."""
    trend = run.trend()
    run.keys_to(trend, "alt+c")
    run.dialog("Export CSV")
    run.monitor.process.send_signal(signal.SIGTERM)
    check(run.monitor.ended(20) and run.monitor.process.returncode == 0, "SIGTERM under Export CSV: exit status 0")
    dat = os.path.join(run.monitor.work, "VX5DP.DAT")
    check(os.path.isfile(dat) and os.path.getsize(dat) == 62, "SIGTERM under Export CSV: VX5DP.DAT written")
    check(run.monitor.store().get("PVname00") == "CH 0", "SIGTERM under Export CSV: the store saved")  # only the end writes names


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
    items = {"0009", "0006", "0007", "0008", "0001", "0002", "0003", "000D", "000E", "000F"}
    reads = lambda: items <= {f[3] for f in run.sim.record() if f[1:3] == ["4", "R"]}
    if not check(bool(wait_for(reads, 150, 0.5)), "the setting dialog's reads go out"):
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
    build = os.path.abspath(sys.argv[1])
    wm = "--window-manager" in sys.argv
    env = {"QT_NO_GLIB": "1"} if "--no-glib" in sys.argv else {}
    repeat = int(sys.argv[sys.argv.index("--repeat") + 1]) if "--repeat" in sys.argv else 1
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
                run = Run(desk, build, root, name, env)
                try:
                    case(run)
                except AssertionError as error:
                    check(False, f"{name}: {error}")
                    with open(os.path.join(run.monitor.folder, "monitor.out")) as out:
                        print(out.read()[-3000:])
                finally:
                    run.close()
    finally:
        desk.close()
    print("x11 dialogs: %d failed" % len(failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
