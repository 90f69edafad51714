#!/usr/bin/env python3
"""A log file as a chart on a real X server: in vtx500-trend and in the
monitor's trend window while the line is polled.

    trend_charts.py BUILD_DIR [--window-manager] [--no-glib] [--repeat N]

The log holds values with the decimal places the instruments showed (1.050,
73.0, 100.0, 1426) in 30 channels and an empty channel 30 (OFF). Each case
opens it, switches the scaling by Alt+S, exports PNG and CSV by their access
keys, and checks what the operator gets: the CSV with the values as shown
and only the channels that hold values, the PNG taller than the whole window
(the curves under a title, with a legend of 30 names below), the window
titled with the file, the line still polled in the monitor. A renamed log
asks its date in a dialog, and Enter takes the suggested one. The case
"scales" checks that Alt+S changes the curves drawn.
"""
import os
import struct
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from desk import (  # noqa: E402
    GEOMETRY, MAIN, Desk, Monitor, Sim, channel_store, check, failures, new_folder, options, run_case,
    temporary_root, wait_for)

SHOWN = {0: "1.050", 1: "73.0", 2: "100.0", 3: "1426"}


def write_log(path):
    fields = lambda n: [SHOWN.get(c, f"{c}.5") for c in range(30)] + [""]
    lines = ["Time\t" + "\t".join(f"CH {c}" for c in range(31))]
    lines += [f"08:46:{s:02d}\t" + "\t".join(fields(s)) for s in range(60)]
    with open(path, "wb") as f:
        f.write(("\r\n".join(lines) + "\r\n").encode())


def read(path):
    with open(path, "rb") as f:
        return f.read()


class Run:
    """vtx500-trend with a log file, or (with polled) the monitor polling a simulator."""

    def __init__(self, desk, build, root, name, env, polled=False, log_name="261207_0846.TXT"):
        self.desk = desk
        self.folder = new_folder(root, name)
        self.log = os.path.join(self.folder, log_name)
        write_log(self.log)
        os.utime(self.log, (1796644800, 1796644800))  # 2026-12-07, the suggested date of a renamed log
        self.sim = None
        if polled:
            args = ["--speed", "2400"] + [a for n in range(1, 5) for a in ("--instrument", f"{n}:pv={100 * n}")]
            self.sim = Sim(os.path.join(build, "sim", "vtx500-sim"), self.folder, args)
            store = dict(GEOMETRY, LogT="1", **channel_store(self.sim.link, "2400", 4, lambda c: c % 4 + 1))
            self.monitor = Monitor(os.path.join(build, "app", "vtx500-monitor"), desk, self.folder, store, env)
            self.main = desk.window(MAIN)
            if not wait_for(lambda: self.sim.pv_reads() > 4, 90, 0.2):
                raise AssertionError("polling never started")
        else:
            self.monitor = Monitor([os.path.join(build, "app", "vtx500-trend"), self.log], desk, self.folder, None, env)

    def close(self):
        self.monitor.close()
        if self.sim:
            self.sim.close()

    def path(self, name):
        return os.path.join(self.folder, name)

    def keys_to(self, window, *keys):
        self.desk.focus(window)
        self.desk.keys(*keys)

    def name_in(self, window, key, caption, name):
        """The file dialog that key opens in window: name typed, Enter pressed, the dialog gone."""
        self.keys_to(window, key)
        self.desk.focus(self.desk.window(caption))
        self.desk.type(name, 10)
        self.desk.keys("Return")
        self.desk.gone(caption)


def scale_and_export(run, window, what):
    """Alt+S, then PNG and CSV by their access keys; checks both files."""
    run.keys_to(window, "alt+s")  # Own scales (each curve on its own range)
    png, csv = run.path("chart.png"), run.path("chart.csv")
    run.name_in(window, "alt+p", "Export PNG", png)
    if check(wait_for(lambda: os.path.isfile(png) and read(png).endswith(b"IEND\xaeB`\x82"), 10), f"{what}: PNG written"):
        width, height = struct.unpack(">II", read(png)[16:24])
        window_height = run.desk.geometry(window)[3]
        check(height > window_height and width > 600,
              f"{what}: the PNG ({width} x {height}) holds more than the plot, a title and a legend "
              f"(the window is {window_height} high)")
    run.name_in(window, "alt+c", "Export CSV", csv)
    if check(wait_for(lambda: os.path.isfile(csv), 10), f"{what}: CSV written"):
        rows = [line.split(",") for line in read(csv).decode().split("\r\n") if line]
        check(rows[0] == ["time"] + [f"CH {c}" for c in range(30)], f"{what}: the channels with values, not the empty CH 30: {rows[0][-2:]}")
        check(len(rows) == 61 and all(r[1:5] == list(SHOWN.values()) for r in rows[1:]),
              f"{what}: the values as the instruments showed them: {rows[1][:6] if len(rows) > 1 else rows}")
        return rows
    return []


def trend_program(run):
    window = run.desk.window("VTX-500 Trend - 261207_0846.TXT")
    scale_and_export(run, window, "vtx500-trend")


def own_scales(run):
    """Alt+S draws each curve on its own range: the PNG changes."""
    window = run.desk.window("VTX-500 Trend - 261207_0846.TXT")
    run.name_in(window, "alt+p", "Export PNG", run.path("shared.png"))
    run.keys_to(window, "alt+s")
    run.name_in(window, "alt+p", "Export PNG", run.path("own.png"))
    both = wait_for(lambda: all(os.path.isfile(run.path(n)) for n in ("shared.png", "own.png")), 10)
    check(both and read(run.path("shared.png")) != read(run.path("own.png")), "Alt+S switches the scaling: the curves change")


def renamed_log(run):
    dialog = run.desk.window("Date of the log file")
    run.desk.focus(dialog)
    run.desk.keys("Return")  # the suggested date: the file's
    window = run.desk.window("VTX-500 Trend - readings.txt")
    rows = scale_and_export(run, window, "renamed log")
    check(len(rows) > 1 and rows[1][0].startswith("2026-12-07T08:46:00"), f"the date given is the records' date: {rows[1][:2]}")


def monitor_trend(run):
    run.keys_to(run.main, "alt+v", "t")
    trend = run.desk.window("Trend")
    run.name_in(trend, "alt+o", "Open log files", run.log)
    scale_and_export(run, trend, "monitor")
    reads = run.sim.pv_reads()
    check(bool(wait_for(lambda: run.sim.pv_reads() >= reads + 8, 30, 0.2)), "polling goes on after the exports")


def main():
    build, wm, env, repeat = options()
    root = temporary_root()
    desk = Desk(window_manager=wm)
    cases = [("program", trend_program, {}), ("scales", own_scales, {}), ("renamed", renamed_log, {"log_name": "readings.txt"}),
             ("monitor", monitor_trend, {"polled": True})]
    if os.environ.get("VTX_X11_CASE"):  # one case alone, when looking into it
        cases = [c for c in cases if c[0] == os.environ["VTX_X11_CASE"]]
    try:
        for _ in range(repeat):
            for name, case, how in cases:
                run_case(name, Run(desk, build, root, name, env, **how), case)
    finally:
        desk.close()
    print("x11 trend charts: %d failed" % len(failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
