#!/usr/bin/env python3
"""Input figure: how long a key takes to act while the monitor polls.

    input_latency.py BUILD_DIR [--presses N]

31 channels polled at 9600 bit/s (a cycle of about 2.2 s), the monitor on an
Xvfb of its own. Alt+F goes to the X server at random moments; the time
until the File menu is on screen is measured, then Escape closes it. A key
is handled at the end of the step that is running, so the figure is bounded
by one polling cycle. Prints the median, the maximum and the presses that got
no reaction within 10 s.

Then the trend window's Export CSV... is opened by its access key at random
moments, a file name typed and Enter pressed: the second figure counts the
exports that did not produce their file (target 0) and gives the median time
from Enter to the file on disk.
"""
import os
import random
import statistics
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "x11"))
from desk import Desk, Monitor, Sim, temporary_root, wait_for  # noqa: E402


def export_by_keys(desk, main_window, root, tries, rng):
    """Exports that produced no file, and the times from Enter to the file."""
    desk.focus(main_window)
    desk.keys("alt+v", "t")
    trend = desk.window("Trend")
    missing, saved = 0, []
    for n in range(tries):
        time.sleep(rng.uniform(0.2, 2.5))
        path = os.path.join(root, f"export-{n}.csv")
        desk.focus(trend)
        desk.keys("alt+c")
        dialog = wait_for(lambda: desk.windows("Export CSV"), 20)
        if not dialog:
            missing += 1
            continue
        desk.focus(dialog[0])
        desk.type(path, 5)
        start = time.monotonic()
        desk.keys("Return")
        if wait_for(lambda: os.path.isfile(path), 20, 0.005):
            saved.append((time.monotonic() - start) * 1000)
        else:
            missing += 1
        if not wait_for(lambda: not desk.windows("Export CSV"), 20):
            desk.keys("Escape")
    return missing, saved


def main():
    build = os.path.abspath(sys.argv[1])
    presses = int(sys.argv[sys.argv.index("--presses") + 1]) if "--presses" in sys.argv else 20
    root = temporary_root()
    desk = Desk()
    instruments = [a for n in range(31) for a in ("--instrument", f"{n}:pv={100 + n}")]
    sim = Sim(os.path.join(build, "sim", "vtx500-sim"), root, ["--speed", "9600"] + instruments)
    store = {"CommPort": sim.link, "Speed": "9600", "MainWidth": "8925", "MainHeight": "8400"}
    for channel in range(31):
        store[f"DvtoN{channel:02d}"] = str(channel)
        store[f"DvState{channel:02d}"] = "ON"
    monitor = Monitor(os.path.join(build, "app", "vtx500-monitor"), desk, root, store)
    try:
        main_window = desk.window("VTX-501-M Monitor")
        if not wait_for(lambda: sim.pv_reads() > 31, 120, 0.2):
            print("input: polling never started")
            return 1
        menus = lambda: len(desk.xdo("search", "--onlyvisible", "--class", "vtx500-monitor").split()) > 1
        rng = random.Random(5)
        times, lost = [], 0
        for _ in range(presses):
            time.sleep(rng.uniform(0.2, 2.5))
            desk.focus(main_window)
            start = time.monotonic()
            desk.keys("alt+f")
            if wait_for(menus, 10, 0.005):
                times.append((time.monotonic() - start) * 1000)
            else:
                lost += 1
            desk.keys("Escape")
            wait_for(lambda: not menus(), 10, 0.05)
        cycle = 31 * 2 * ((12 + 17) * 10 * 1000 / 9600 + 5)  # and the simulator's 5 ms turnaround
        print(f"input 9600 bit/s, 31 channels: key to File menu on screen, median {statistics.median(times):.0f} ms, "
              f"longest {max(times):.0f} ms over {len(times)} presses; no reaction: {lost} (target 0: "
              f"{'met' if lost == 0 else 'NOT met'}); one polling cycle is about {cycle:.0f} ms on the wire")
        missing, saved = export_by_keys(desk, main_window, root, presses, rng)
        print(f"export 9600 bit/s, 31 channels: Export CSV by Alt+C, a name and Enter at {presses} random moments: "
              f"no file: {missing} (target 0: {'met' if missing == 0 else 'NOT met'}); Enter to file on disk, "
              f"median {statistics.median(saved) if saved else float('nan'):.0f} ms")
        return 0 if lost == 0 and missing == 0 else 1
    finally:
        monitor.close()
        sim.close()
        desk.close()


if __name__ == "__main__":
    sys.exit(main())
