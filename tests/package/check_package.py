#!/usr/bin/env python3
"""The Debian package, as an operator's PC would get it.

    check_package.py BUILD_DIR

Takes vtx500-monitor_<version>_<arch>.deb from BUILD_DIR (its version the
project's), checks its fields, unpacks it into a temporary root and runs the
programs from there: the monitor offscreen against the unpacked simulator to
its first polling cycle and an orderly end; then, on a real X server, started
as its desktop entry says, Help > Help by keys, which must open the manual
installed under share/vtx500-monitor. Then lintian (no errors; every warning
must be one the README accepts, with its reason), desktop-file-validate and
appstreamcli validate.
"""
import os
import re
import shlex
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "x11"))
from desk import MAIN, Desk, Monitor, Offscreen, Sim, channel_store, check, failures, wait_for  # noqa: E402

SOURCE = os.path.abspath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
HELP = "VTX-500 MONITOR Help"
METAINFO = "usr/share/metainfo/com.korvane.vtx500_monitor.metainfo.xml"
INSTALLED = [
    "usr/bin/vtx500-monitor", "usr/bin/vtx500-sim", "usr/bin/vtx500-trend",
    "usr/share/vtx500-monitor/PLMVX001M",
    "usr/share/applications/vtx500-monitor.desktop", METAINFO,
    "usr/share/icons/hicolor/scalable/apps/vtx500-monitor.svg",
    "usr/share/icons/hicolor/48x48/apps/vtx500-monitor.png",
    "usr/share/icons/hicolor/256x256/apps/vtx500-monitor.png",
    "usr/share/man/man1/vtx500-monitor.1.gz", "usr/share/man/man1/vtx500-sim.1.gz",
    "usr/share/man/man1/vtx500-trend.1.gz",
    "usr/share/doc/vtx500-monitor/copyright", "usr/share/doc/vtx500-monitor/changelog.gz",
]

def output(*args):
    return subprocess.run(args, capture_output=True, text=True, timeout=300)


def project_version(build):
    with open(os.path.join(build, "CMakeCache.txt")) as cache:
        return re.search(r"^CMAKE_PROJECT_VERSION:STATIC=(.+)$", cache.read(), re.M).group(1)


def one_channel_store(link):
    """Channel 0 ON at address 1; the others OFF."""
    return channel_store(link, "9600", 1, lambda channel: 1)


def fields(deb, version, arch):
    info = {}
    for name in ("Package", "Version", "Architecture", "Maintainer", "Depends", "Recommends", "Description"):
        info[name] = output("dpkg-deb", "-f", deb, name).stdout.strip()
    check(info["Package"] == "vtx500-monitor" and info["Version"] == version and info["Architecture"] == arch,
          f"package {info['Package']} {info['Version']} {info['Architecture']}")
    depends = info["Depends"]
    check(all(d in depends for d in ("libc6", "libqt6core6", "libqt6widgets6", "libqt6serialport6")),
          f"dependencies computed from the binaries: {depends}")
    check(info["Recommends"] == "fonts-liberation", f"recommends: {info['Recommends']}")
    check("@" in info["Maintainer"] and "\n" in info["Description"], "maintainer and description filled")


def runs_offscreen(root, folder):
    """The unpacked monitor, offscreen, to its first polling cycle and an orderly end."""
    sim = Sim(os.path.join(root, "usr/bin/vtx500-sim"), folder, ["--speed", "9600", "--instrument", "1"])
    monitor = Monitor(os.path.join(root, "usr/bin/vtx500-monitor"), Offscreen, folder, one_channel_store(sim.link))
    try:
        check(wait_for(lambda: sim.pv_reads(1), 60, 0.2), "offscreen: the unpacked monitor polls the unpacked simulator")
        monitor.process.terminate()
        ended = monitor.ended(30) and monitor.process.returncode == 0
        check(ended and os.path.isfile(os.path.join(monitor.work, "VX5DP.DAT")), "offscreen: ends in order on SIGTERM")
    finally:
        monitor.close()
        sim.close()


def desktop_command(root):
    """The desktop entry's Exec line, its program taken from the unpacked bin/."""
    with open(os.path.join(root, "usr/share/applications/vtx500-monitor.desktop")) as entry:
        line = next(line for line in entry if line.startswith("Exec="))
    command = [a for a in shlex.split(line[len("Exec="):].strip()) if not a.startswith("%")]
    command[0] = os.path.join(root, "usr/bin", command[0])
    return command


def opens_installed_manual(root, folder):
    """Started as the desktop entry says, Help > Help opens the installed manual."""
    trace = os.path.join(folder, "opened")
    desk = Desk()
    sim = Sim(os.path.join(root, "usr/bin/vtx500-sim"), folder, ["--speed", "9600", "--instrument", "1"])
    # strace reports which help file the program opens, the one thing a
    # screen cannot tell apart from a copy elsewhere.
    command = ["strace", "-f", "-qq", "-e", "trace=openat", "-o", trace, "--"] + desktop_command(root)
    monitor = Monitor(command, desk, folder, one_channel_store(sim.link))
    try:
        main = desk.window(MAIN, 60)
        check(wait_for(lambda: sim.pv_reads(1), 60, 0.2), "X: the entry's command starts the monitor, which polls")
        desk.focus(main)
        desk.keys("alt+h", "h")
        desk.window(HELP)
        manual = os.path.join(root, "usr/share/vtx500-monitor/PLMVX001M")
        with open(trace) as opened:
            hits = [line for line in opened if f'"{manual}"' in line]
        check(any(re.search(r"= \d+$", line.strip()) for line in hits), f"X: Help > Help opens {manual}")
        desk.close_frame(desk.window(HELP))
        desk.gone(HELP)
        desk.focus(main)
        desk.keys("alt+f", "x")
        check(monitor.ended(60) and monitor.process.returncode == 0, "X: File > Exit ends it")
    except AssertionError as error:
        check(False, f"X: {error}")
    finally:
        monitor.close()
        sim.close()
        desk.close()


def accepted_warnings():
    """The lintian tags the README accepts: '- `tag`: reason' lines of its package section."""
    with open(os.path.join(SOURCE, "README.md")) as readme:
        text = readme.read()
    section = re.search(r"^### lintian\n(.*?)(?=^#|\Z)", text, re.M | re.S).group(1)
    return set(re.findall(r"^- `([a-z0-9-]+)`", section, re.M))


def lints(deb, root):
    done = output("lintian", "--fail-on", "error", "--tag-display-limit", "0", deb)
    tags = re.findall(r"^([EWIPXO]): vtx500-monitor[^:]*: (\S+)", done.stdout, re.M)
    errors = sorted({t for kind, t in tags if kind == "E"})
    warnings = sorted({t for kind, t in tags if kind == "W"})
    check(done.returncode == 0 and not errors, f"lintian: no errors {errors}")
    unexplained = sorted(set(warnings) - accepted_warnings())
    check(not unexplained, f"lintian: every warning accepted in the README {unexplained}")
    if errors or unexplained:
        print(done.stdout + done.stderr)
    entry = output("desktop-file-validate", os.path.join(root, "usr/share/applications/vtx500-monitor.desktop"))
    check(entry.returncode == 0 and not entry.stdout.strip(), f"desktop-file-validate {entry.stdout.strip()}")
    meta = output("appstreamcli", "validate", "--no-net", os.path.join(root, METAINFO))
    check(meta.returncode == 0, "appstreamcli validate" + ("" if meta.returncode == 0 else "\n" + meta.stdout))


def main():
    build = os.path.abspath(sys.argv[1])
    version = project_version(build)
    arch = output("dpkg", "--print-architecture").stdout.strip()
    deb = os.path.join(build, f"vtx500-monitor_{version}_{arch}.deb")
    if not os.path.isfile(deb):
        print(f"FAIL  no package {deb}")
        return 1
    top = tempfile.mkdtemp(prefix="vtx-package-")
    try:
        fields(deb, version, arch)
        root = os.path.join(top, "root")
        subprocess.run(["dpkg-deb", "-x", deb, root], check=True)
        missing = [f for f in INSTALLED if not os.path.isfile(os.path.join(root, f))]
        check(not missing, f"installed files in place {missing}")
        if not missing:
            for name, run in (("offscreen", runs_offscreen), ("x11", opens_installed_manual)):
                folder = os.path.join(top, name)
                os.makedirs(folder)
                run(root, folder)
        lints(deb, root)
    finally:
        shutil.rmtree(top, ignore_errors=True)
    print("package: %d failed" % len(failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
