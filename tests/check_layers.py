#!/usr/bin/env python3
"""check_layers.py SOURCE_DIR QT_MODULE_INCLUDE_DIR...: fails when a core file
(config/, comm/, logging/, trend/) includes, in any spelling, a path into ui/
or app/ ("../ui/X.h", <app/X.h>) or a header of the given Qt module folders
(<QPainter>, <qpainter.h>, <QtGui/QImage>, <QtWidgets>)."""
import os
import re
import sys

CORE = ("config", "comm", "logging", "trend")
WINDOW_FOLDERS = {"ui", "app"}
INCLUDE = re.compile(r'^\s*#\s*include\s*[<"]([^>"]+)[>"]')
SOURCE_SUFFIXES = (".h", ".hpp", ".cpp", ".cc", ".cxx", ".in")


def refusal(source_dir, including_dir, name, modules, headers):
    """Why the include is refused, or None."""
    path = os.path.normpath(name)
    parts = path.split(os.sep)
    if parts[0] in modules:  # <QtGui/QImage>, <QtWidgets>
        return f"Qt module {parts[0]}"
    if len(parts) == 1 and path in headers:
        return f"a header of {headers[path]}"
    # A relative path reaches the window folders from where the file stands.
    beside = os.path.relpath(os.path.normpath(os.path.join(including_dir, name)), source_dir)
    for candidate in (path, beside):
        first = candidate.split(os.sep)[0]
        if first in WINDOW_FOLDERS:
            return f"the {first}/ folder"
    return None


def main():
    source_dir = os.path.abspath(sys.argv[1])
    module_dirs = sys.argv[2:]
    if not module_dirs:
        print("no Qt module include folder given")
        return 2
    modules = set()
    headers = {}  # header file name: its module
    for folder in module_dirs:
        module = os.path.basename(folder.rstrip("/"))
        modules.add(module)
        for entry in os.listdir(folder):
            if os.path.isfile(os.path.join(folder, entry)):
                headers[entry] = module
    if len(headers) < 100:
        print(f"too few headers in {module_dirs}: not the Qt module folders")
        return 2

    faults = []
    checked = 0
    for folder in CORE:
        for root, _, files in os.walk(os.path.join(source_dir, folder)):
            for file in sorted(files):
                if not file.endswith(SOURCE_SUFFIXES):
                    continue
                path = os.path.join(root, file)
                checked += 1
                with open(path, encoding="utf-8", errors="replace") as f:
                    for number, line in enumerate(f, 1):
                        match = INCLUDE.match(line)
                        why = match and refusal(source_dir, root, match.group(1), modules, headers)
                        if why:
                            faults.append(f"{os.path.relpath(path, source_dir)}:{number}: {line.strip()} ({why})")
                            print(faults[-1])
    print(f"{checked} core files checked, {len(faults)} window includes")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
