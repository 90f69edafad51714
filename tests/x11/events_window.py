#!/usr/bin/env python3
"""The events window on a real X server while the line is busy.

    events_window.py BUILD_DIR [--window-manager] [--no-glib] [--repeat N]

Four channels are polled at 2400 bit/s (a polling step lasts about a
second), two of them with a red lamp. View > Events is opened by its keys,
one alarm is acknowledged by keys (the kind filter, the table, Space) and the
other by mouse (its row, then the Acknowledge button); the check looks at
the window's title, the journal file in the log folder, and the line still
polled afterwards.
"""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from desk import (  # noqa: E402
    GEOMETRY, MAIN, Desk, Monitor, Sim, channel_store, check, failures, new_folder, options, run_case,
    temporary_root, wait_for)


class Run:
    def __init__(self, desk, build, root, name, env):
        self.desk = desk
        self.folder = new_folder(root, name)
        # Channel n is address n + 1: lamps A1 of channel 0 and A2 of channel 1 red.
        args = ["--speed", "2400", "--instrument", "1:status=1", "--instrument", "2:status=2",
                "--instrument", "3", "--instrument", "4"]
        self.sim = Sim(os.path.join(build, "sim", "vtx500-sim"), self.folder, args)
        store = dict(GEOMETRY, **channel_store(self.sim.link, "2400", 4, lambda channel: channel + 1))
        self.monitor = Monitor(os.path.join(build, "app", "vtx500-monitor"), desk, self.folder, store, env)
        self.main = desk.window(MAIN)
        if not wait_for(lambda: self.sim.pv_reads() > 4, 90, 0.2):
            raise AssertionError("polling never started")

    def close(self):
        self.monitor.close()
        self.sim.close()

    def events_window(self):
        found = wait_for(lambda: self.desk.xdo("search", "--onlyvisible", "--name", "^Events - ").split(), 20)
        if not found:
            raise AssertionError("no events window within 20 s")
        self.desk.settle(int(found[0]))
        return int(found[0])

    def title(self, window):
        return self.desk.xdo("getwindowname", window).strip()

    def journal(self):
        folder = os.path.join(self.monitor.work, "log")
        names = [n for n in os.listdir(folder) if n.startswith("events-")] if os.path.isdir(folder) else []
        if len(names) != 1:
            return []
        with open(os.path.join(folder, names[0]), encoding="utf-8") as f:
            return [line.rstrip("\r\n").split("\t") for line in f]

    def still_polled(self):
        reads = self.sim.pv_reads()
        return wait_for(lambda: self.sim.pv_reads() >= reads + 8, 30, 0.2)


def acknowledge_by_keys_and_mouse(run):
    desk = run.desk
    desk.focus(run.main)
    desk.keys("alt+v", "e")
    window = run.events_window()
    counts = lambda active, unacknowledged: f"Events - {active} active, {unacknowledged} unacknowledged alarms"  # noqa: E731
    check(wait_for(lambda: run.title(window) == counts(2, 2), 20), f"two active alarms in the title: {run.title(window)!r}")

    # Keys: the kind filter to "Lamp red", into the table, the newest row, Space.
    desk.focus(window)
    desk.keys("alt+e")
    desk.type("Lamp", 40)  # selects "Lamp red" (a space would open the list)
    desk.keys("Tab", "ctrl+Home", "space")
    check(wait_for(lambda: run.title(window) == counts(2, 1), 10), f"Space acknowledges the selected alarm: {run.title(window)!r}")

    # Mouse: the other row, then the Acknowledge button at the bottom left.
    width, height = desk.geometry(window)[2:]
    desk.click(window, width // 2, 86)  # the second row, below the filters and the header
    desk.click(window, 50, height - 22)
    check(wait_for(lambda: run.title(window) == counts(2, 0), 10), f"the click acknowledges the other alarm: {run.title(window)!r}")

    kinds = [line[1] for line in run.journal()]
    check(kinds[:3] == ["Event", "Program start", "Link found"] and f"{run.sim.link} at 2400 bit/s" in run.journal()[2],
          f"the journal begins with the header, the start and the link found: {run.journal()[:3]}")
    acknowledged = [line for line in run.journal() if len(line) == 10 and line[1] == "Acknowledged"]
    check(sorted((line[2], line[5]) for line in acknowledged) == [("0", "A1"), ("1", "A2")],
          f"the journal holds both acknowledgements: {acknowledged}")
    check(run.still_polled(), "polling goes on with the events window open")
    desk.focus(run.main)
    desk.keys("alt+f", "x")
    check(run.monitor.ended(30) and run.monitor.process.returncode == 0 and run.journal()[-1][1] == "Program end",
          "the program ends in order (exit status 0) and the journal with the program's end")


def main():
    build, wm, env, repeat = options()
    root = temporary_root()
    desk = Desk(window_manager=wm)
    try:
        for _ in range(repeat):
            run_case("acknowledge", Run(desk, build, root, "acknowledge", env), acknowledge_by_keys_and_mouse)
    finally:
        desk.close()
    print("x11 events: %d failed" % len(failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
