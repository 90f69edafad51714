#!/usr/bin/env python3
"""Checks vtx500-sim from the outside, byte for byte, as a host on the line.

Written without any of the project's code, so a fault shared by the
simulator's encoder and its unit tests still shows up. Commands it must leave
unanswered are followed by a good one, whose reply must come first.

Usage: protocol_client.py PATH_TO_VTX500_SIM
"""

import os
import select
import subprocess
import sys
import tempfile
import termios
import time
import tty

STX, ETX, ACK, NAK, CR = 0x02, 0x03, 0x06, 0x15, 0x0D


def frame(address, write, item, data=b"", code=None):
    """A command frame, or with a code (ACK or NAK) the instrument's reply to it.
    The check is two upper-case hex digits of the low 8 bits of the sum."""
    body = bytes([0x20 + address, 0x20, ord("P") if write else 0x20]) + item
    body += (bytes([code]) if code else b"") + data + bytes([ETX])
    return bytes([STX]) + body + ("%02X" % (sum(body) & 0xFF)).encode() + bytes([CR])


def open_line(path):
    """The pty as a raw 8N1 line at 9600 bit/s, as a serial port library sets it."""
    fd = os.open(path, os.O_RDWR | os.O_NOCTTY)
    tty.setraw(fd)
    attributes = termios.tcgetattr(fd)
    attributes[4] = attributes[5] = termios.B9600
    termios.tcsetattr(fd, termios.TCSANOW, attributes)
    return fd


def read_frame(fd):
    """Bytes up to and including CR, or what came before 5 s ran out."""
    got = b""
    deadline = time.monotonic() + 5
    while not got.endswith(b"\r"):
        left = deadline - time.monotonic()
        if left <= 0 or not select.select([fd], [], [], left)[0]:
            break
        got += os.read(fd, 64)
    return got


failures = []


def check(name, actual, expected):
    print("ok   %s" % name if actual == expected else "FAIL %s\n  got %r\n  expected %r" % (name, actual, expected))
    failures.extend([name] if actual != expected else [])


def main():
    with tempfile.TemporaryDirectory() as tmp:
        link = os.path.join(tmp, "tty")
        record = os.path.join(tmp, "record")
        sim = subprocess.Popen([sys.argv[1], "--link", link, "--record", record, "--no-pacing", "--instrument",
                                "3:pv=1234"], stdin=subprocess.PIPE, stdout=subprocess.PIPE)

        def await_record(count):
            """The record's lines once the simulator has taken in that many frames (at most 10 s)."""
            deadline = time.monotonic() + 10
            lines = []
            while len(lines) < count and time.monotonic() < deadline:
                time.sleep(0.01)
                lines = open(record).read().splitlines() if os.path.exists(record) else []
            return lines

        def control(line):
            sim.stdin.write(line.encode() + b"\n")
            sim.stdin.flush()
            return sim.stdout.readline().split(b" ")[0].strip()

        try:
            if not sim.stdout.readline().startswith(b"pty "):
                print("FAIL start")
                return 1
            fd = open_line(link)

            # The documented example: read PV of address 3.
            example = bytes.fromhex("02 23 20 20 30 30 38 30 03 32 45 0D")
            check("example command bytes", frame(3, False, b"0080"), example)
            os.write(fd, example)
            check("read PV 1234", read_frame(fd), bytes.fromhex("02 23 20 20 30 30 38 30 06 30 34 44 32 03 30 45 0D"))
            # A bare ACK to a write, and a NAK with its code.
            for item, data, code, answer, name in [(b"0001", b"0064", ACK, b"", "write alarm 1 = 100"),
                                                    (b"0008", b"0004", NAK, b"0002", "decimal point 4 refused")]:
                os.write(fd, frame(3, True, item, data))
                check(name, read_frame(fd), frame(3, True, item, answer, code))

            # Left unanswered: a bad BCC (recorded in hex), an address with no
            # instrument, a silenced one.
            bad_bcc = example[:9] + b"2F\r"
            os.write(fd, bad_bcc + frame(4, False, b"0080") + example)
            check("bad BCC and absent address unanswered", read_frame(fd), frame(3, False, b"0080", b"04D2", ACK))
            check("silence by control", control("silent 3 on"), b"ok")
            os.write(fd, example)
            lines = await_record(7)  # the silenced command is taken in before the silence is lifted
            check("undecodable frame recorded", lines[3:4], ["9600\t?\t" + bad_bcc.hex().upper()])
            check("silence lifted", control("silent 3 off"), b"ok")
            check("set pv by control", control("set 3 pv -1"), b"ok")
            check("bad control refused", control("set 32 pv 1"), b"error")
            os.write(fd, example)
            check("silenced unanswered, set PV read", read_frame(fd), frame(3, False, b"0080", b"FFFF", ACK))
            os.close(fd)
            check("quit answered", control("quit"), b"ok")
            check("exit status", sim.wait(timeout=10), 0)

            # Started in the background (stdin at its end at once), it stays
            # until a signal ends it, and takes its link away.
            sim = subprocess.Popen([sys.argv[1], "--link", link], stdin=subprocess.DEVNULL, stdout=subprocess.PIPE)
            sim.stdout.readline()
            time.sleep(0.5)
            check("runs on after end of input", (sim.poll(), os.path.islink(link)), (None, True))
            sim.terminate()
            check("ends on a signal, link removed", (sim.wait(timeout=10), os.path.lexists(link)), (0, False))
        finally:
            if sim.poll() is None:
                sim.kill()
                sim.wait()
    print("%d failure(s)" % len(failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
