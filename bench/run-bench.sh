#!/usr/bin/env bash
# The benchmarks: poll cycle against the wire limit, event-loop gaps,
# processor time idle and polling, discovery and start-up times.
#   bash bench/run-bench.sh [--build-dir DIR] [--quick]
# Builds in build/bench (RelWithDebInfo) unless told otherwise; takes about
# two minutes and prints its figures as plain lines.
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=build/bench
args=()
while [ $# -gt 0 ]; do
  case "$1" in
    --build-dir) build_dir="$2"; shift 2 ;;
    *) args+=("$1"); shift ;;
  esac
done

if [ ! -f "$build_dir/build.ninja" ]; then
  cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build_dir" --target vtx500-bench >/dev/null
exec "$build_dir/bench/vtx500-bench" "${args[@]}"
