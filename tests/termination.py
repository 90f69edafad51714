#!/usr/bin/env python3
"""A termination signal ends the program in order, wherever it arrives.

    termination.py BUILD_DIR

The real vtx500-monitor, on an X server of its own, gets SIGTERM while a
start-up message box is open (before the main loop), while a polling message
box is open, and in the middle of a long polling step. Each time the test
first waits until the box is on the screen or the step is running, and fails
when it never is; then the program must end by itself, soon (a session
manager follows with SIGKILL), with status 0 and the names saved.
"""
import os
import shutil
import signal
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "x11"))
from desk import Desk, Monitor, Sim, channel_store, new_folder, temporary_root, wait_for  # noqa: E402

# Far below what the running step or an open box would take (7 s and for
# ever); the program itself needs a fraction of a second.
LIMIT_S = 4
# The caption of the program's message boxes.
CAPTION = "VTX-500 MONITOR"


def store_for(link, addresses, on):
    store = channel_store(link, "2400" if on == 31 else "9600", on, addresses)
    return dict(store, **{f"PVname{channel:02d}": f"Tank {channel}" for channel in range(31)})


def box_shown(desk):
    """True while one of the program's message boxes is on the screen: a
    dialog window with the program's caption (the main window has it too,
    but is no dialog)."""
    return any("_NET_WM_WINDOW_TYPE_DIALOG" in desk.run("xprop", "-id", str(w), "_NET_WM_WINDOW_TYPE")
               for w in desk.windows(CAPTION))


def check_ends(monitor, ready, case, failures):
    """Once ready() (the box or the step is there), SIGTERM must end the program in order."""
    if not wait_for(ready, 90, 0.05):
        failures.append(f"{case}: it never came")
        monitor.close()
        return
    os.kill(monitor.process.pid, signal.SIGTERM)
    began = time.monotonic()
    ended = monitor.ended(LIMIT_S)
    took = time.monotonic() - began
    monitor.close()
    if not ended:
        failures.append(f"{case}: still running {LIMIT_S} s after SIGTERM")
    elif monitor.process.returncode != 0:
        failures.append(f"{case}: exit status {monitor.process.returncode}")
    elif monitor.store().get("PVname05") != "Tank 5" or "MainLeft" not in monitor.store():
        failures.append(f"{case}: the exit save is missing")
    else:
        print(f"{case}: ended in {took:.2f} s")


def run(build, root, desk):
    program = os.path.join(build, "app", "vtx500-monitor")
    simulator = os.path.join(build, "sim", "vtx500-sim")
    failures = []

    # Before the loop: VX5DP.DAT cannot be read, and its box is open.
    folder = new_folder(root, "startup-box")
    os.makedirs(os.path.join(folder, "work", "VX5DP.DAT"))
    monitor = Monitor(program, desk, folder, store_for("/nonexistent", lambda c: 1, 0))
    check_ends(monitor, lambda: box_shown(desk), "start-up message box", failures)

    # A polling box: channel 1's instrument never answers.
    folder = new_folder(root, "polling-box")
    sim = Sim(simulator, folder, ["--instrument", "1", "--instrument", "2", "--silent", "2"])
    monitor = Monitor(program, desk, folder, store_for(sim.link, lambda c: 2 if c == 1 else 1, 2))
    check_ends(monitor, lambda: box_shown(desk), "polling message box", failures)
    sim.close()

    # A long step: 31 instruments at 2400 bit/s, about 8 s a polling cycle.
    folder = new_folder(root, "long-step")
    args = ["--speed", "2400", "--turnaround", "20"]
    args += [a for n in range(1, 32) for a in ("--instrument", str(n))]
    sim = Sim(simulator, folder, args)
    monitor = Monitor(program, desk, folder, store_for(sim.link, lambda c: c + 1, 31))
    check_ends(monitor, sim.pv_reads, "long polling step", failures)
    sim.close()
    return failures


def main():
    root = temporary_root()
    desk = Desk()
    try:
        failures = run(os.path.abspath(sys.argv[1]), root, desk)
    finally:
        desk.close()
    shutil.rmtree(root, ignore_errors=True)
    for failure in failures:
        print("FAIL:", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
