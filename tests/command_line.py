#!/usr/bin/env python3
"""command_line.py BUILD_DIR: with no display, --help prints the usage with
status 0, another argument of the monitor or an unknown option of the trend
program to standard error with status 2;
nothing is started: the working directory and the settings store stay empty."""
import os
import subprocess
import sys
import tempfile

CASES = [("vtx500-monitor", ["--help"], 0), ("vtx500-monitor", ["-h"], 0), ("vtx500-monitor", ["--port", "COM3"], 2),
         ("vtx500-trend", ["--help"], 0), ("vtx500-trend", ["log/261207_0846.TXT", "-h"], 0),
         ("vtx500-trend", ["log/261207_0846.TXT", "--scale"], 2)]


def main():
    build = os.path.abspath(sys.argv[1])
    env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM")}
    failures = []
    for program, args, status in CASES:
        with tempfile.TemporaryDirectory(prefix="vtx-cli-") as root:
            work, config, home = (os.path.join(root, name) for name in ("work", "config", "home"))
            for folder in (work, config, home):
                os.makedirs(folder)
            done = subprocess.run([os.path.join(build, "app", program)] + args, cwd=work, timeout=60,
                                  env=dict(env, XDG_CONFIG_HOME=config, HOME=home), capture_output=True, text=True)
            usage = done.stderr if status else done.stdout
            written = [os.path.join(top, name) for top, dirs, names in os.walk(root) for name in dirs + names]
            written = [path for path in written if path not in (work, config, home)]
            outcome = f"{program} {' '.join(args)}: status {done.returncode}, usage {usage[:40]!r}, wrote {written}"
            bad = done.returncode != status or f"Usage: {program}" not in usage or written
            failures += [outcome] if bad else []
            print("FAIL" if bad else "ok", outcome)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
