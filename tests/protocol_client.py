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

STX, ETX, ACK, NAK, CR = 0x02, 0x03, 0x06, 0x15, 0x0D


def bcc(body):
    """Two upper-case hex digits of the low 8 bits of the sum."""
    return ("%02X" % (sum(body) & 0xFF)).encode()


def frame(address, write, item, data=b"", code=None):
    """A command frame, or with a code (ACK or NAK) the instrument's reply to it."""
    body = bytes([0x20 + address, 0x20, ord("P") if write else 0x20]) + item
    body += (bytes([code]) if code else b"") + data + bytes([ETX])
    return bytes([STX]) + body + bcc(body) + bytes([CR])


def set_line(fd, speed):
    iflag, oflag, cflag, lflag, _, _, cc = termios.tcgetattr(fd)
    # Raw 8N1, as a serial port library sets it.
    iflag &= ~(termios.IGNBRK | termios.BRKINT | termios.PARMRK | termios.ISTRIP | termios.INLCR
               | termios.IGNCR | termios.ICRNL | termios.IXON)
    oflag &= ~termios.OPOST
    lflag &= ~(termios.ECHO | termios.ECHONL | termios.ICANON | termios.ISIG | termios.IEXTEN)
    cflag = (cflag & ~(termios.CSIZE | termios.PARENB)) | termios.CS8 | termios.CLOCAL | termios.CREAD
    cc[termios.VMIN] = cc[termios.VTIME] = 0
    termios.tcsetattr(fd, termios.TCSANOW, [iflag, oflag, cflag, lflag, speed, speed, cc])
    termios.tcflush(fd, termios.TCIOFLUSH)


def read_frame(fd, timeout=5.0):
    """Bytes up to and including CR, or what came before the time ran out."""
    got = b""
    deadline = time.monotonic() + timeout
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

        def await_record(lines):
            """Waits (at most 10 s) until the simulator has taken in that many frames."""
            deadline = time.monotonic() + 10
            while time.monotonic() < deadline:
                if os.path.exists(record) and open(record).read().count("\n") >= lines:
                    return
                time.sleep(0.01)

        def control(line):
            sim.stdin.write(line.encode() + b"\n")
            sim.stdin.flush()
            return sim.stdout.readline().split(b" ")[0].strip()

        try:
            if not sim.stdout.readline().startswith(b"pty "):
                print("FAIL start")
                return 1
            fd = os.open(link, os.O_RDWR | os.O_NOCTTY)
            set_line(fd, termios.B9600)

            # The documented example: read PV of address 3.
            example = bytes.fromhex("02 23 20 20 30 30 38 30 03 32 45 0D")
            check("example command bytes", frame(3, False, b"0080"), example)
            os.write(fd, example)
            check("read PV 1234", read_frame(fd), bytes.fromhex("02 23 20 20 30 30 38 30 06 30 34 44 32 03 30 45 0D"))
            for write, item, data, code, answer, name in [
                    (True, b"0001", b"0064", ACK, b"", "write alarm 1 = 100"),
                    (False, b"0001", b"", ACK, b"0064", "read back alarm 1"),
                    (True, b"0008", b"0004", NAK, b"0002", "decimal point 4 refused")]:
                os.write(fd, frame(3, write, item, data))
                check(name, read_frame(fd), frame(3, write, item, answer, code))

            # Left unanswered: a bad BCC, an address with no instrument, a silenced one.
            os.write(fd, example[:9] + b"2F\r" + frame(4, False, b"0080") + example)
            check("bad BCC and absent address unanswered", read_frame(fd), frame(3, False, b"0080", b"04D2", ACK))
            check("silence by control", control("silent 3 on"), b"ok")
            os.write(fd, example)
            await_record(8)  # the silenced command is taken in before the silence is lifted
            check("silence lifted", control("silent 3 off"), b"ok")
            check("set pv by control", control("set 3 pv -1"), b"ok")
            check("bad control refused", control("set 32 pv 1"), b"error")
            os.write(fd, example)
            check("silenced unanswered, set PV read", read_frame(fd), frame(3, False, b"0080", b"FFFF", ACK))

            # At 4800 the instrument cannot make out the command.
            set_line(fd, termios.B4800)
            os.write(fd, example)
            check("no answer at a wrong speed", read_frame(fd, 0.3), b"")
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
