#!/usr/bin/env python3
"""--help of the programs works on a console and touches no file.

    command_line.py BUILD_DIR

vtx500-monitor --help and vtx500-trend --help, with no display and no Qt
platform named, print their usage and end with status 0; vtx500-monitor with
any other argument prints the usage to standard error and ends with status 2.
None of them starts the program: the working directory (VX5DP.DAT, log/) and
the settings store stay empty.
"""
import os
import subprocess
import sys
import tempfile


def files_under(folder):
    return sorted(os.path.relpath(os.path.join(top, name), folder)
                  for top, dirs, names in os.walk(folder) for name in dirs + names)


def main():
    build = os.path.abspath(sys.argv[1])
    cases = [  # program, arguments, exit status, stream with the usage
        ("app/vtx500-monitor", ["--help"], 0, "stdout"),
        ("app/vtx500-monitor", ["-h"], 0, "stdout"),
        ("app/vtx500-monitor", ["--port", "COM3"], 2, "stderr"),
        ("app/vtx500-trend", ["--help"], 0, "stdout"),
        ("app/vtx500-trend", ["log/261207_0846.TXT", "-h"], 0, "stdout"),
    ]
    failures = []
    for program, args, status, stream in cases:
        case = " ".join([os.path.basename(program)] + args)
        with tempfile.TemporaryDirectory(prefix="vtx-cli-") as root:
            work, config, home = (os.path.join(root, name) for name in ("work", "config", "home"))
            for folder in (work, config, home):
                os.makedirs(folder)
            env = {k: v for k, v in os.environ.items()
                   if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM")}
            env.update(XDG_CONFIG_HOME=config, HOME=home)
            done = subprocess.run([os.path.join(build, program)] + args, cwd=work, env=env,
                                  capture_output=True, text=True, timeout=60)
            usage = done.stdout if stream == "stdout" else done.stderr
            problems = []
            if done.returncode != status:
                problems.append(f"exit status {done.returncode}, not {status}: {done.stderr.strip()}")
            if f"Usage: {os.path.basename(program)}" not in usage:
                problems.append(f"no usage on {stream}: {usage!r}")
            written = files_under(root)
            if written != ["config", "home", "work"]:
                problems.append(f"wrote {written}")
            failures += [f"{case}: {problem}" for problem in problems]
            if not problems:
                print(f"{case}: status {status}, usage on {stream}, no file written")
    for failure in failures:
        print("FAIL", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
