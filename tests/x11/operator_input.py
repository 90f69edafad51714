#!/usr/bin/env python3
"""The operator's keys and clicks on a real X server, while the line is busy.

    operator_input.py BUILD_DIR [--window-manager] [--no-glib] [--repeat N]

Each check runs twice: while polling (8 channels at 2400 bit/s, so that every
step lasts about 2 s) and while discovery runs with nothing answering. Input
that arrives during a step must be handled right after it, never lost. With
--window-manager the desktop has openbox, frames are real, and the main
window's stored place and size must survive five start/exit cycles.
--no-glib runs the monitor on Qt's own event dispatcher instead of GLib's.
"""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from desk import (  # noqa: E402
    GEOMETRY, MAIN, SETTING_CANCEL, SETTING_NAME_FIELD, SETTING_OK, Desk, Monitor,
    Sim, channel_store, check, ended_in_order, failures, new_folder, options, run_case, temporary_root, wait_for)

NAME = "Feed water inlet temperature, line 2 (C)"  # 40 characters
assert len(NAME) == 40

# Fixed places inside the device address dialog (its layout is drawn in place).
ADDRESS_FIELD_20 = (12 + 2 * 110 + 38 + 28, 34 + 4 * 26 + 11)
ADDRESS_OK = (12 + 4 * 110 - 168 + 38, 34 + 8 * 26 + 12 + 14)


class Run:
    """One monitor against one simulator, both in folders of their own."""

    def __init__(self, desk, build, root, name, line, env, keep_store=False):
        self.desk, self.line = desk, line
        folder = os.path.join(root, name) if keep_store else new_folder(root, name)
        args = ["--speed", "2400"] + [a for n in range(1, 9) for a in ("--instrument", str(n))]
        if line == "discovery":
            args += [a for n in range(1, 9) for a in ("--silent", str(n))]
        self.sim = Sim(os.path.join(build, "sim", "vtx500-sim"), folder, args)
        store = dict(GEOMETRY, **channel_store(self.sim.link, "2400", 8))
        self.monitor = Monitor(os.path.join(build, "app", "vtx500-monitor"), desk, folder,
                               None if keep_store else store, env)
        self.main = desk.window(MAIN)
        # Wait until the line is busy with the kind of step under test.
        busy = self.sim.pv_reads if line == "polling" else (lambda: len(self.sim.record()) > 2)
        if not wait_for(busy, 90, 0.2):
            raise AssertionError(f"the line never got busy ({line})")

    def close(self):
        self.monitor.close()
        self.sim.close()

    def menu(self, *keys):
        self.desk.focus(self.main)
        self.desk.keys(*keys)

    def open(self, caption, *keys):
        """The window that the menu keys open, given the keyboard."""
        self.menu(*keys)
        window = self.desk.window(caption)
        self.desk.focus(window)
        return window

    def line_goes_on(self):
        """The program still talks on the line: polling, or discovery's probes."""
        frames = len(self.sim.record())
        return bool(wait_for(lambda: len(self.sim.record()) >= frames + 4, 30, 0.2))

    def sent(self, address, kind, item=None):
        return any(f[1:3] == [str(address), kind] and item in (None, f[3]) for f in self.sim.record())

    def ends_in_order(self):
        return ended_in_order(self.monitor, self.line)


def by_keys(run):
    desk = run.desk
    # Help > About, closed by Escape; Help > Help, closed by its frame.
    run.open("Version Information", "alt+h", "a")
    desk.keys("Escape")
    desk.gone("Version Information")
    run.menu("alt+h", "h")
    desk.close_frame(desk.window("VTX-500 MONITOR Help"))
    desk.gone("VTX-500 MONITOR Help")
    check(run.line_goes_on(), f"{run.line}: Help > About and Help > Help open and close; the line goes on")

    # View > Trend: keys zoom, pan and follow again; View > Line status: its
    # counts reset and its pause by the access keys. Their frames close them.
    trend = run.open("Trend", "alt+v", "t")
    desk.keys("minus", "Left", "End")
    desk.close_frame(trend)
    desk.gone("Trend")
    status = run.open("Line Status", "alt+v", "l")
    desk.keys("alt+r", "alt+p")
    desk.close_frame(status)
    desk.gone("Line Status")
    check(run.line_goes_on(), f"{run.line}: View > Trend and View > Line status open, take keys and close; the line goes on")

    # Setting > Device address: channel 20 gets address 12 at once.
    dialog = run.open("Device Address Setting", "alt+s", "d")
    desk.click(dialog, *ADDRESS_FIELD_20)
    desk.keys("ctrl+a")
    desk.type("12", 20)
    desk.click(dialog, *ADDRESS_OK)
    desk.gone("Device Address Setting")
    check(wait_for(lambda: run.monitor.store().get("DvtoN20") == "12", 10), f"{run.line}: device address stored")

    # Setting > Logging interval: 0 is refused with a message, 30 accepted.
    dialog = run.open("Logging Interval Time", "alt+s", "l")
    desk.keys("ctrl+a")
    desk.type("0", 20)
    desk.keys("Return")
    desk.focus(desk.window("VTX-500 MONITOR"))
    desk.keys("Return")
    desk.gone("VTX-500 MONITOR")
    desk.focus(dialog)
    desk.keys("ctrl+a")
    desk.type("30", 20)
    desk.keys("Return")
    desk.gone("Logging Interval Time")
    check(wait_for(lambda: run.monitor.store().get("LogT") == "30", 10), f"{run.line}: interval refused, then stored")

    # Setting > Setting > Dv05: the reads go out; Cancel, and the frame's
    # close, close it; a 40-character name typed at 20 ms a key; OK writes
    # once the reads have filled the fields, and with nothing answering it
    # refuses the empty fields with a box, the dialog staying open.
    run.menu("alt+s", "s", "5")
    dialog = desk.window("Setting")
    if run.line == "polling":
        check(wait_for(lambda: run.sent(6, "R", "0009"), 30, 0.2), "polling: the setting dialog's reads go out")
    desk.click(dialog, *SETTING_CANCEL)
    desk.gone("Setting")
    run.menu("alt+s", "s", "5")
    desk.close_frame(desk.window("Setting"))
    desk.gone("Setting")
    check(not run.sent(6, "W") and run.line_goes_on(),
          f"{run.line}: Cancel and the frame's close close the setting dialog without a write")
    dialog = run.open("Setting", "alt+s", "s", "5")
    desk.click(dialog, *SETTING_NAME_FIELD)
    desk.keys("ctrl+a")
    desk.type(NAME, 20)
    if run.line == "polling":
        # The transfer reaches an item behind its cursor only after a round
        # of the whole table, up to a minute at 2400 bit/s.
        check(wait_for(lambda: run.sim.setting_reads_done(6), 150, 0.5), "polling: the setting dialog's reads are back")
    desk.click(dialog, *SETTING_OK)
    if run.line == "discovery":
        box = desk.window("VTX-500 MONITOR")
        desk.focus(box)
        desk.keys("Return")
        desk.gone("VTX-500 MONITOR")
        check(bool(desk.windows("Setting")), "discovery: OK refuses the unread fields, the dialog stays open")
        desk.click(desk.window("Setting"), *SETTING_CANCEL)
    desk.gone("Setting")
    if run.line == "polling":
        check(wait_for(lambda: run.sent(6, "W"), 60, 0.2), "polling: OK sends the writes")

    # File > Exit by keys ends in order; the typed name arrived whole.
    run.menu("alt+f", "x")
    store = run.ends_in_order()
    check((store.get("PVname05") == NAME) == (run.line == "polling"),
          f"{run.line}: File > Exit by keys; the name arrived whole, and only with OK taken")


def by_mouse(run):
    desk = run.desk
    file_menu, setting_menu = desk.menubar_items(run.main)[:2]
    desk.click(run.main, *setting_menu)
    menu = desk.popup()
    desk.click(menu, *desk.menu_items(menu)[0])
    channels = desk.popup(2)
    desk.click(channels, *desk.menu_items(channels)[5])
    dialog = desk.window("Setting")
    desk.click(dialog, *SETTING_CANCEL)
    desk.gone("Setting")
    check(not run.sent(6, "W") and run.line_goes_on(), f"{run.line}: Setting > Setting > Dv05 and Cancel by mouse, no write")
    desk.click(run.main, *file_menu)
    menu = desk.popup()
    desk.click(menu, *desk.menu_items(menu)[0])
    run.ends_in_order()  # File > Exit by mouse


def geometry_survives(desk, build, root, env):
    """Five start/exit cycles under a window manager keep the stored place and size."""
    seen = []
    for cycle in range(5):
        run = Run(desk, build, root, "geometry", "discovery", env, keep_store=cycle > 0)
        run.menu("alt+f", "x")
        store = run.ends_in_order()
        seen.append(tuple(store.get(k) for k in GEOMETRY))
        run.close()
    check(all(s == tuple(GEOMETRY.values()) for s in seen), f"geometry after five cycles: {seen}")


def main():
    build, wm, env, repeat = options()
    root = temporary_root()
    desk = Desk(window_manager=wm)
    try:
        for turn in range(repeat):
            for line in ("polling", "discovery"):
                for name, checks in (("keys", by_keys), ("mouse", by_mouse)):
                    run_case(f"{line}/{name}", Run(desk, build, root, f"{line}-{name}", line, env), checks)
        if wm:
            geometry_survives(desk, build, root, env)
    finally:
        desk.close()
    print("x11: %d failed" % len(failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
