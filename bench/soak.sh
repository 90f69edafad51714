#!/usr/bin/env bash
# Soak run: the monitor against a faulty simulated line for an hour (or
# --minutes N), then checks memory, the log and the messages (bench/soak.py).
#   bash bench/soak.sh [--minutes N] [--build-dir DIR] [--seed N] [--keep]
# Builds vtx500-sim and vtx500-soak-monitor first (default build dir
# build/debug, as scripts/test.sh makes it). Exits non-zero when a check fails.
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=build/debug
args=()
while [ $# -gt 0 ]; do
  case "$1" in
    --build-dir) build_dir="$2"; shift 2 ;;
    *) args+=("$1"); shift ;;
  esac
done

if [ ! -f "$build_dir/build.ninja" ]; then
  cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null
fi
cmake --build "$build_dir" --target vtx500-sim vtx500-soak-monitor >/dev/null
exec python3 bench/soak.py --build-dir "$build_dir" "${args[@]}"
