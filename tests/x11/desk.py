"""A desktop of its own for driving the real monitor through a real X server.

Xvfb on a display number it finds free itself (-displayfd), optionally a
window manager (openbox), the simulator on a pseudo-terminal of its own, and
the monitor in a working directory and settings store of its own. Keys and
clicks go through the X server (xdotool, XTEST); windows are found by their
captions; where a place on screen is not fixed (menu items), it is read off a
screenshot.
"""
import ctypes
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time


def wait_for(what, timeout, step=0.05):
    """Polls what() until it gives something true; returns it, or None."""
    deadline = time.monotonic() + timeout
    while True:
        value = what()
        if value or time.monotonic() > deadline:
            return value
        time.sleep(step)


class Desk:
    def __init__(self, window_manager=False):
        read_end, write_end = os.pipe()
        self.xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x1024x24", "-nolisten", "tcp", "-noreset"],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        with os.fdopen(read_end) as numbers:
            self.display = ":" + numbers.readline().strip()
        self.env = dict(os.environ, DISPLAY=self.display)
        self.env.pop("WAYLAND_DISPLAY", None)
        self.env.pop("QT_QPA_PLATFORM", None)
        self.wm = None
        if window_manager:
            self.wm = subprocess.Popen(["openbox", "--sm-disable"], env=self.env,
                                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            if not wait_for(lambda: "window id" in self.run("xprop", "-root", "_NET_SUPPORTING_WM_CHECK"), 10):
                raise RuntimeError("the window manager did not start")

    def close(self):
        for process in (self.wm, self.xvfb):
            if process:
                process.terminate()
                process.wait(10)

    def run(self, *args):
        done = subprocess.run(args, env=self.env, capture_output=True, text=True, timeout=30)
        return done.stdout

    def xdo(self, *args):
        return self.run("xdotool", *map(str, args))

    # Windows
    def windows(self, caption):
        return [int(w) for w in self.xdo("search", "--onlyvisible", "--name", f"^{re.escape(caption)}$").split()]

    def window(self, caption, timeout=20):
        found = wait_for(lambda: self.windows(caption), timeout)
        if not found:
            raise AssertionError(f'no window "{caption}" within {timeout} s')
        self.settle(found[0])
        return found[0]

    def settle(self, window):
        """Waits until a window just mapped has stopped moving."""
        last = None
        for _ in range(20):
            now = self.geometry(window)
            if now == last:
                return
            last = now
            time.sleep(0.15)

    def gone(self, caption, timeout=20):
        if not wait_for(lambda: not self.windows(caption), timeout):
            raise AssertionError(f'window "{caption}" still open after {timeout} s')

    def popups(self):
        """The program's open menus, first opened first."""
        ids = self.xdo("search", "--onlyvisible", "--class", "vtx500-monitor").split()
        return [int(w) for w in ids if "POPUP_MENU" in self.run("xprop", "-id", w, "_NET_WM_WINDOW_TYPE")]

    def popup(self, count=1, timeout=20):
        found = wait_for(lambda: len(self.popups()) >= count and self.popups(), timeout)
        if not found:
            raise AssertionError(f"menu level {count} did not open within {timeout} s")
        self.settle(found[-1])
        return found[-1]

    def geometry(self, window):
        """Left, top, width, height of the window's inside on the screen."""
        out = self.xdo("getwindowgeometry", "--shell", window)
        values = dict(line.split("=") for line in out.split())
        return tuple(int(values[k]) for k in ("X", "Y", "WIDTH", "HEIGHT"))

    # Input
    def focus(self, window):
        # A desktop gives a window the keyboard when it is clicked or opened;
        # a bare X server does neither, so the test does it.
        self.xdo("windowactivate" if self.wm else "windowfocus", "--sync", window)

    def keys(self, *keys):
        self.xdo("key", "--delay", 40, *keys)

    def type(self, text, delay_ms):
        self.xdo("type", "--delay", delay_ms, text)

    def click(self, window, x, y):
        self.xdo("mousemove", "--window", window, x, y, "click", 1)

    def close_frame(self, window):
        """What a frame's close button does: WM_DELETE_WINDOW to the window."""
        x11 = ctypes.CDLL("libX11.so.6")
        x11.XOpenDisplay.restype = ctypes.c_void_p
        x11.XInternAtom.restype = ctypes.c_ulong
        x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
        x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long, ctypes.c_void_p]
        display = x11.XOpenDisplay(self.display.encode())

        class ClientMessage(ctypes.Structure):
            _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                        ("display", ctypes.c_void_p), ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                        ("format", ctypes.c_int), ("data", ctypes.c_long * 5), ("pad", ctypes.c_long * 12)]

        event = ClientMessage(type=33, window=window, format=32,
                              message_type=x11.XInternAtom(display, b"WM_PROTOCOLS", 0))
        event.data[0] = x11.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
        x11.XSendEvent(display, window, 0, 0, ctypes.byref(event))
        x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
        x11.XCloseDisplay(display)

    # Pixels
    def screenshot(self, window):
        """Width, height and RGB bytes of the window as drawn."""
        data = subprocess.run(["import", "-window", str(window), "-depth", "8", "ppm:-"], env=self.env,
                              capture_output=True, timeout=30).stdout
        header = data.split(maxsplit=4)
        return int(header[1]), int(header[2]), header[4]

    def ink(self, window, rows):
        """Columns and rows of the window (inside the given rows) that hold dark pixels."""
        width, height, pixels = self.screenshot(window)
        dark = lambda x, y: sum(pixels[3 * (y * width + x):3 * (y * width + x) + 3]) < 240
        top, bottom = rows if rows else (0, height)
        cols = [x for x in range(width) if any(dark(x, y) for y in range(top, min(bottom, height)))]
        lines = [y for y in range(top, min(bottom, height)) if any(dark(x, y) for x in range(8, width - 8))]
        return cols, lines

    def highlight(self, window):
        """The middle of a selected row (a filled band of the selection colour, not a focus frame), or None."""
        width, height, pixels = self.screenshot(window)
        selected = lambda x, y: (lambda r, g, b: b > 150 and r < 110 and 90 < g < 190)(
            *pixels[3 * (y * width + x):3 * (y * width + x) + 3])
        band = []
        for y in range(height):
            run = max((n for n in range(width - 60) if all(selected(n + k, y) for k in (0, 20, 40, 60))), default=None)
            if run is not None:
                band.append((y, run))
                if len(band) >= 8 and band[-8][0] == y - 7:
                    return band[-4][1] + 30, band[-4][0]
            elif band and band[-1][0] != y:
                band = []
        return None

    @staticmethod
    def clusters(values, gap):
        """Runs of numbers with less than gap between neighbours, as (first, last)."""
        runs = []
        for v in values:
            if runs and v - runs[-1][1] < gap:
                runs[-1][1] = v
            else:
                runs.append([v, v])
        return [tuple(r) for r in runs]

    def menubar_items(self, window):
        """Centres of the menu bar's captions, left to right."""
        cols, _ = self.ink(window, (3, 18))
        return [((a + b) // 2, 10) for a, b in self.clusters(cols, 7)]

    def menu_items(self, menu):
        """Centres of an open menu's item captions, top to bottom."""
        _, lines = self.ink(menu, None)
        return [(30, (a + b) // 2) for a, b in self.clusters(lines, 5)]


class Sim:
    """vtx500-sim on a pseudo-terminal and link of its own."""

    def __init__(self, program, folder, args):
        self.link = os.path.join(folder, "tty")
        self.record_file = os.path.join(folder, "record")
        self.process = subprocess.Popen([program, "--link", self.link, "--record", self.record_file] + args,
                                         stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
        if not self.process.stdout.readline().startswith("pty "):
            raise RuntimeError("the simulator did not start")

    def record(self):
        try:
            with open(self.record_file) as f:
                return [line.rstrip("\n").split("\t") for line in f]
        except FileNotFoundError:
            return []

    def pv_reads(self, address=None):
        """How many polling reads it received, at one address or at any: the
        status reads (R 0081), which only polling sends (discovery probes with
        the PV read, 0080)."""
        return sum(f[2:4] == ["R", "0081"] and address in (None, int(f[1])) for f in self.record())

    SETTING_ITEMS = {"0009", "0006", "0007", "0008", "0001", "0002", "0003", "000D", "000E", "000F"}

    def setting_reads_done(self, address):
        """Every setting item has been read at the address (the setting dialog's fields are filled)."""
        return self.SETTING_ITEMS <= {f[3] for f in self.record() if f[1:3] == [str(address), "R"]}

    def close(self):
        self.process.stdin.write("quit\n")
        self.process.stdin.close()
        self.process.wait(10)


class Offscreen:
    """The desk of a monitor that needs no X server."""
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen")


class Monitor:
    """vtx500-monitor with its own settings store and working directory;
    program is its path, or a whole command line that starts it."""

    def __init__(self, program, desk, folder, store, env=None):
        self.folder = folder
        self.config = os.path.join(folder, "config")
        self.work = os.path.join(folder, "work")
        os.makedirs(self.config, exist_ok=True)
        os.makedirs(self.work, exist_ok=True)
        if store is not None:  # else the store of an earlier run
            with open(os.path.join(self.config, "KORVANE.conf"), "w") as f:
                f.write("[VTX-500%20Monitor]\n" + "".join(f"{k}={v}\n" for k, v in store.items()))
        # COM1 and COM2 name no port: discovery of runs side by side would
        # otherwise meet on this machine's real serial ports.
        environment = dict(desk.env, XDG_CONFIG_HOME=self.config, VTX500_SERIAL_PORTS="", **(env or {}))
        self.log = open(os.path.join(folder, "monitor.out"), "w")
        command = [program] if isinstance(program, str) else program
        self.process = subprocess.Popen(command, cwd=self.work, env=environment, stdout=self.log,
                                        stderr=subprocess.STDOUT)

    def store(self):
        values = {}
        with open(os.path.join(self.config, "KORVANE.conf")) as f:
            for line in f:
                key, sep, value = line.rstrip("\n").partition("=")
                if sep:  # QSettings quotes a text with a comma in it
                    values[key] = value[1:-1] if len(value) > 1 and value[0] == value[-1] == '"' else value
        return values

    def ended(self, timeout):
        try:
            return self.process.wait(timeout) is not None
        except subprocess.TimeoutExpired:
            return False

    def close(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait(10)
        self.log.close()


def new_folder(parent, name):
    path = os.path.join(parent, name)
    shutil.rmtree(path, ignore_errors=True)
    os.makedirs(path)
    return path


def temporary_root():
    return tempfile.mkdtemp(prefix="vtx-x11-")


# The monitor's main window caption, and fixed places inside its setting
# dialog (its layout is drawn in place, in twips).
MAIN = "VTX-501-M Monitor"
SETTING_NAME_FIELD = (3840 // 15 + 20, 1560 // 15 + 9)
SETTING_OK = (3240 // 15 + 28, 7320 // 15 + 16)
SETTING_CANCEL = (4200 // 15 + 28, 7320 // 15 + 16)
# Outer place and size in twips, whole pixels so that nothing is rounded.
GEOMETRY = {"MainLeft": "1500", "MainTop": "1200", "MainWidth": "8925", "MainHeight": "8400"}


def channel_store(link, speed, on, address=lambda channel: channel % 8 + 1):
    """The line, channels below on switched ON and the others OFF (the opening pass reads them too)."""
    store = {"CommPort": link, "Speed": speed}
    for channel in range(31):
        store[f"DvtoN{channel:02d}"] = str(address(channel))
        store[f"DvState{channel:02d}"] = "ON" if channel < on else "OFF"
    return store


failures = []


def check(ok, what):
    print(("ok    " if ok else "FAIL  ") + what, flush=True)
    if not ok:
        failures.append(what)
    return ok


def options():
    """BUILD_DIR [--window-manager] [--no-glib] [--repeat N]: build, window manager, environment, repeat."""
    env = {"QT_NO_GLIB": "1"} if "--no-glib" in sys.argv else {}
    repeat = int(sys.argv[sys.argv.index("--repeat") + 1]) if "--repeat" in sys.argv else 1
    return os.path.abspath(sys.argv[1]), "--window-manager" in sys.argv, env, repeat


def run_case(name, run, case):
    """case(run), an assertion failing it with the monitor's last output; the run closed after."""
    try:
        case(run)
    except AssertionError as error:
        check(False, f"{name}: {error}")
        with open(os.path.join(run.monitor.folder, "monitor.out")) as out:
            print(out.read()[-3000:])
    finally:
        run.close()


def ended_in_order(monitor, what, timeout=30):
    """Checks that the program ended with status 0, VX5DP.DAT written and the store saved; its store."""
    check(monitor.ended(timeout) and monitor.process.returncode == 0, f"{what}: the program ended, exit status 0")
    dat = os.path.join(monitor.work, "VX5DP.DAT")
    check(os.path.isfile(dat) and os.path.getsize(dat) == 62, f"{what}: VX5DP.DAT written")
    store = monitor.store()  # only the end writes the names
    check(store.get("PVname00") == "CH 0" and store.get("DvState07") == "ON", f"{what}: names and states saved")
    return store
