#!/usr/bin/env python3
"""Soak run: the whole monitor against vtx500-sim for a long time, with faults.

The monitor (vtx500-soak-monitor: the real program, boxes answered at once)
logs every second from 8 channels (channel c at device address c+1). The
simulator corrupts 2 % of its replies; one instrument falls silent and comes
back every 20 s; every 45 s the pty vanishes and reappears 5 s later at the
same link, as an unplugged and replugged converter; PVs change every 3 s to
values drawn from a known set. At the end it checks:
  - the monitor is still running;
  - its resident memory grew by less than 1 MiB from minute 1 to the end;
  - the log holds one record per second since logging began (within 2);
  - every logged PV is a value the simulator had (formatted with the decimal
    places of its address), "----", or empty for a channel that is OFF;
  - polling came back after every return of the pty;
  - the only message the operator would have seen is "No response from VTX.".
Prints "soak: ..." lines and exits non-zero when a check fails.
"""

import argparse
import os
import random
import signal
import struct
import subprocess
import sys
import tempfile
import time

CHANNELS_ON = 8
SILENT_ADDRESS = 3          # channel 2 comes and goes
SILENT_EVERY = 20
VANISH_EVERY = 45
VANISH_FOR = 5
PV_EVERY = 3
PV_VALUES = [0, 1, -1, 7, 42, 100, -250, 999, 1234, -1999, 9999, 32767, -32768, 5005]
PLACES = {1: 0, 2: 1, 3: 2, 4: 3, 5: 0, 6: 1, 7: 2, 8: 3}   # by device address
ALLOWED_BOXES = {"No response from VTX."}


def log(line):
    print("soak: " + line, flush=True)


def format_pv(value, places):
    if places == 0:
        return str(value)
    magnitude = abs(value)
    divisor = 10 ** places
    text = "%d.%0*d" % (magnitude // divisor, places, magnitude % divisor)
    return ("-" if value < 0 else "") + text


def rss_kib(pid):
    try:
        with open("/proc/%d/status" % pid) as status:
            for line in status:
                if line.startswith("VmRSS:"):
                    return int(line.split()[1])
    except OSError:
        return None
    return None


def second_of_day(hhmmss):
    h, m, s = (int(x) for x in hhmmss.split(":"))
    return h * 3600 + m * 60 + s


def now_second_of_day():
    t = time.localtime()
    return t.tm_hour * 3600 + t.tm_min * 60 + t.tm_sec


class Sim:
    def __init__(self, path, link, args):
        self.proc = subprocess.Popen([path, "--link", link] + args, stdin=subprocess.PIPE,
                                     stdout=subprocess.PIPE, text=True, bufsize=1)
        self._expect_pty()

    def _expect_pty(self):
        line = self.proc.stdout.readline()
        if not line.startswith("pty "):
            raise RuntimeError("simulator said %r" % line)

    def command(self, line):
        self.proc.stdin.write(line + "\n")
        self.proc.stdin.flush()
        while True:
            answer = self.proc.stdout.readline().strip()
            if answer.startswith("pty "):
                continue
            if answer == "ok":
                return
            raise RuntimeError("simulator: %s -> %r" % (line, answer))

    def quit(self):
        try:
            self.proc.stdin.write("quit\n")
            self.proc.stdin.close()
            self.proc.wait(timeout=5)
        except Exception:
            self.proc.kill()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--minutes", type=float, default=60)
    parser.add_argument("--build-dir", required=True)
    parser.add_argument("--seed", type=int, default=7)
    parser.add_argument("--keep", action="store_true", help="keep the run's directory")
    opts = parser.parse_args()

    build_dir = os.path.abspath(opts.build_dir)
    sim_path = os.path.join(build_dir, "sim", "vtx500-sim")
    monitor_path = os.path.join(build_dir, "bench", "vtx500-soak-monitor")
    duration = opts.minutes * 60
    rng = random.Random(opts.seed)
    work = tempfile.mkdtemp(prefix="vtx-soak-")
    os.makedirs(os.path.join(work, "config"))
    os.makedirs(os.path.join(work, "run"))
    link = os.path.join(work, "tty")

    # The decimal places the monitor formats each address's PV with.
    with open(os.path.join(work, "run", "VX5DP.DAT"), "wb") as dat:
        dat.write(b"".join(struct.pack("<h", PLACES.get(a, 0)) for a in range(31)))

    had = {a: set() for a in range(1, CHANNELS_ON + 1)}   # every PV each address had
    args = ["--speed", "9600", "--corrupt", "0.02", "--seed", str(opts.seed)]
    for address in had:
        value = rng.choice(PV_VALUES)
        had[address].add(value)
        args += ["--instrument", "%d:pv=%d" % (address, value)]
    sim = Sim(sim_path, link, args)

    # Its discovery probes only its own link, never this machine's real ports.
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen", XDG_CONFIG_HOME=os.path.join(work, "config"),
               VTX500_SERIAL_PORTS="")
    monitor = subprocess.Popen([monitor_path, "--port", link, "--channels", str(CHANNELS_ON)],
                               cwd=os.path.join(work, "run"), env=env, stdout=subprocess.PIPE, text=True)
    started = time.monotonic()
    failures = []
    passed = 0

    def check(ok, what):
        nonlocal passed
        if ok:
            passed += 1
            log("ok: " + what)
        else:
            failures.append(what)
            log("FAILED: " + what)

    # Logging begins after discovery, the opening pass and the first cycle.
    log_dir = os.path.join(work, "run", "log")
    # The PV logs only: the event journal beside them begins at start.
    logs = lambda: sorted(n for n in os.listdir(log_dir) if n.endswith(".TXT")) if os.path.isdir(log_dir) else []  # noqa: E731
    while time.monotonic() - started < 60 and not logs():
        if monitor.poll() is not None:
            break
        time.sleep(0.2)
    if not logs():
        check(False, "logging began within a minute")
        monitor.kill()
        sim.quit()
        return 1
    begun = time.monotonic()
    log("logging began %.1f s after start; running %.0f s in %s" % (begun - started, duration, work))

    rss = []          # (seconds since the monitor started, KiB)
    appeared = []     # second of day of each return of the pty
    silent = False
    vanished_until = None
    next_silent = SILENT_EVERY
    next_vanish = VANISH_EVERY
    next_pv = PV_EVERY
    next_rss = 0.0
    while True:
        t = time.monotonic() - begun
        if t >= duration or monitor.poll() is not None:
            break
        if t >= next_pv:
            address = rng.choice(list(had))
            value = rng.choice(PV_VALUES)
            had[address].add(value)   # noted before the change, so no logged value can precede it
            sim.command("set %d pv %d" % (address, value))
            next_pv += PV_EVERY
        if t >= next_silent:
            silent = not silent
            sim.command("silent %d %s" % (SILENT_ADDRESS, "on" if silent else "off"))
            next_silent += SILENT_EVERY
        if vanished_until is None and t >= next_vanish and t + VANISH_FOR + 10 < duration:
            sim.command("vanish")
            vanished_until = t + VANISH_FOR
            next_vanish += VANISH_EVERY
        if vanished_until is not None and t >= vanished_until:
            sim.command("appear")
            appeared.append(now_second_of_day())
            vanished_until = None
        if time.monotonic() - started >= next_rss:
            kib = rss_kib(monitor.pid)
            if kib is not None:
                rss.append((time.monotonic() - started, kib))
            next_rss += 5
        time.sleep(0.05)

    alive = monitor.poll() is None
    check(alive, "the monitor is alive after %.0f s" % (time.monotonic() - begun))
    end_kib = rss_kib(monitor.pid)
    stopped_at = now_second_of_day()
    if alive:
        monitor.send_signal(signal.SIGTERM)
    try:
        out, _ = monitor.communicate(timeout=60)
    except subprocess.TimeoutExpired:
        monitor.kill()
        out, _ = monitor.communicate()
    sim.quit()

    # Memory: from the end of the first minute (or the sample nearest it) to the end.
    first_minute = [kib for (at, kib) in rss if at >= 60]
    if first_minute and end_kib is not None:
        growth = end_kib - first_minute[0]
        check(growth < 1024, "resident memory %d KiB after the first minute, %d KiB at the end (growth %d KiB < 1024)"
              % (first_minute[0], end_kib, growth))
    else:
        check(False, "resident memory sampled after the first minute and at the end")

    # The log.
    names = logs()
    with open(os.path.join(log_dir, names[0]), "rb") as f:
        lines = f.read().decode("utf-8").split("\r\n")
    records = [line.split("\t") for line in lines[1:] if line]
    if not records:
        check(False, "the log holds records")
        log("%d passed, %d failed" % (passed, len(failures)))
        log("run directory kept: " + work)
        return 1
    check(len(lines[0].split("\t")) == 32, "the header names 31 channels")
    times = []
    day = 0
    for record in records:
        s = second_of_day(record[0]) + day
        if times and s < times[-1] - 43200:   # past midnight
            day += 86400
            s += 86400
        times.append(s)
    stop = stopped_at + day if stopped_at + day >= times[-1] - 43200 else stopped_at + day + 86400
    elapsed = times[-1] - times[0] + 1
    check(abs(len(records) - elapsed) <= 2,
          "%d records for %d s of logging (within 2)" % (len(records), elapsed))
    check(times[-1] >= stop - 2, "records until the end of the run (the last %d s before the stop)"
          % (stop - times[-1]))
    gaps = [b - a for a, b in zip(times, times[1:])]
    check(all(g <= 2 for g in gaps), "no record more than 2 s after the one before (longest %d s)"
          % (max(gaps) if gaps else 0))

    allowed = {}
    for channel in range(CHANNELS_ON):
        address = channel + 1
        allowed[channel] = {format_pv(v, PLACES[address]) for v in had[address]} | {"----"}
    bad = []
    for record in records:
        for channel in range(31):
            field = record[1 + channel] if 1 + channel < len(record) else None
            ok = field in allowed[channel] if channel < CHANNELS_ON else field == ""
            if not ok:
                bad.append("%s CH %d %r" % (record[0], channel, field))
    check(not bad, "every logged PV is one the simulator had, \"----\", or empty when OFF%s"
          % ("" if not bad else " (first wrong: %s; %d in all)" % (bad[0], len(bad))))
    values = sum(1 for r in records for c in range(CHANNELS_ON) if r[1 + c] not in ("----", ""))
    unread = sum(1 for r in records for c in range(CHANNELS_ON) if r[1 + c] == "----")
    log("%d PV fields with a value, %d \"----\"" % (values, unread))

    # Polling resumed by itself after every return of the pty.
    for back in appeared:
        later = [r for r, s in zip(records, times) if back <= s % 86400 <= back + 15 and r[1] != "----"]
        check(bool(later), "channel 0 read again within 15 s after the pty came back at %02d:%02d:%02d"
              % (back // 3600, back // 60 % 60, back % 60))

    boxes = {}
    for line in out.splitlines():
        parts = line.split("\t", 2)
        if len(parts) == 3 and parts[0] == "box":
            boxes[parts[2]] = int(parts[1])
    for text, count in sorted(boxes.items()):
        log("box %r shown %d times" % (text, count))
    check(set(boxes) <= ALLOWED_BOXES, "no message but \"No response from VTX.\"")
    check(monitor.returncode == 0, "the monitor ended in order on SIGTERM (exit code %s)" % monitor.returncode)

    log("%d passed, %d failed" % (passed, len(failures)))
    if not opts.keep and not failures:
        subprocess.run(["rm", "-rf", work])
    else:
        log("run directory kept: " + work)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
