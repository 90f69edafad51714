#!/usr/bin/env python3
"""Checks vtx500-sim from the outside, byte for byte, as a host on the line.

Written without any of the project's code: frames and checksums are built
here from the wire rules, so a fault shared by the simulator's encoder and
its unit tests still shows up.

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


def command(address, write, item, data=b""):
    body = bytes([0x20 + address, 0x20, ord("P") if write else 0x20]) + item + data + bytes([ETX])
    return bytes([STX]) + body + bcc(body) + bytes([CR])


def reply(address, write, item, code, data=b""):
    body = bytes([0x20 + address, 0x20, ord("P") if write else 0x20]) + item + bytes([code]) + data + bytes([ETX])
    return bytes([STX]) + body + bcc(body) + bytes([CR])


def set_line(fd, speed):
    attrs = termios.tcgetattr(fd)
    iflag, oflag, cflag, lflag, _, _, cc = attrs
    # Raw 8N1, as a serial port library sets it.
    iflag &= ~(termios.IGNBRK | termios.BRKINT | termios.PARMRK | termios.ISTRIP | termios.INLCR
               | termios.IGNCR | termios.ICRNL | termios.IXON)
    oflag &= ~termios.OPOST
    lflag &= ~(termios.ECHO | termios.ECHONL | termios.ICANON | termios.ISIG | termios.IEXTEN)
    cflag &= ~(termios.CSIZE | termios.PARENB)
    cflag |= termios.CS8 | termios.CLOCAL | termios.CREAD
    cc[termios.VMIN] = 0
    cc[termios.VTIME] = 0
    termios.tcsetattr(fd, termios.TCSANOW, [iflag, oflag, cflag, lflag, speed, speed, cc])
    termios.tcflush(fd, termios.TCIOFLUSH)


def read_frame(fd, timeout):
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
    if actual != expected:
        failures.append(name)
        print("FAIL %s\n  got      %s\n  expected %s" % (name, actual.hex(" "), expected.hex(" ")))
    else:
        print("ok   %s" % name)


def main():
    sim_path = sys.argv[1]
    with tempfile.TemporaryDirectory() as tmp:
        link = os.path.join(tmp, "tty")
        sim = subprocess.Popen(
            [sim_path, "--link", link, "--speed", "9600", "--instrument", "3:pv=1234"],
            stdin=subprocess.PIPE, stdout=subprocess.PIPE)
        try:
            first = sim.stdout.readline().decode()
            if not first.startswith("pty "):
                print("FAIL start: %r" % first)
                return 1
            fd = os.open(link, os.O_RDWR | os.O_NOCTTY)
            try:
                set_line(fd, termios.B9600)

                # The documented example: read PV of address 3.
                example = bytes.fromhex("02 23 20 20 30 30 38 30 03 32 45 0D")
                check("example command bytes", command(3, False, b"0080"), example)
                os.write(fd, example)
                expected = bytes.fromhex("02 23 20 20 30 30 38 30 06 30 34 44 32 03") \
                    + bcc(bytes.fromhex("23 20 20 30 30 38 30 06 30 34 44 32 03")) + b"\r"
                check("read PV 1234", read_frame(fd, 2.0), expected)

                os.write(fd, command(3, True, b"0001", b"0064"))
                check("write alarm 1 = 100", read_frame(fd, 2.0), reply(3, True, b"0001", ACK))

                os.write(fd, command(3, False, b"0001"))
                check("read back alarm 1", read_frame(fd, 2.0), reply(3, False, b"0001", ACK, b"0064"))

                os.write(fd, command(3, True, b"0008", b"0004"))
                check("decimal point 4 refused", read_frame(fd, 2.0), reply(3, True, b"0008", NAK, b"0002"))

                os.write(fd, command(3, False, b"0081"))
                check("status word", read_frame(fd, 2.0), reply(3, False, b"0081", ACK, b"0000"))

                # At 4800 the instrument cannot make out the command.
                set_line(fd, termios.B4800)
                os.write(fd, command(3, False, b"0080"))
                check("no answer at a wrong speed", read_frame(fd, 0.3), b"")
            finally:
                os.close(fd)
            sim.stdin.write(b"quit\n")
            sim.stdin.flush()
            check("quit answered", sim.stdout.readline(), b"ok\n")
            check("exit status", bytes([sim.wait(timeout=10)]), bytes([0]))
        finally:
            if sim.poll() is None:
                sim.kill()
                sim.wait()
    print("%d failure(s)" % len(failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
