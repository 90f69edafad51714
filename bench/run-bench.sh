#!/usr/bin/env bash
# The benchmarks: poll cycle against the wire limit, event-loop gaps,
# processor time idle and polling, discovery and start-up times, the time a
# key takes to act while polling runs (on an Xvfb of its own), and the trend
# data at a week of records (--only trend).
#   bash bench/run-bench.sh [--build-dir DIR] [--quick] [--only PART]
# Builds in build/bench (RelWithDebInfo) unless told otherwise; takes about
# two minutes and prints its figures as plain lines.
set -euo pipefail
cd "$(dirname "$0")/.."

source bench/prepare-build.sh
prepare_build build/bench RelWithDebInfo "vtx500-bench vtx500-bench-trend vtx500-monitor vtx500-sim" "$@"
only=""
presses=20
for ((i = 0; i < ${#args[@]}; i++)); do
  case "${args[$i]}" in
    --only) only="${args[$((i + 1))]}" ;;
    --quick) presses=8 ;;
  esac
done
if [ "$only" != "input" ] && [ "$only" != "trend" ]; then
  "$build_dir/bench/vtx500-bench" "${args[@]}"
fi
if [ -z "$only" ] || [ "$only" = "trend" ]; then
  "$build_dir/bench/vtx500-bench-trend" "${args[@]}"
fi
if [ -z "$only" ] || [ "$only" = "input" ]; then
  python3 bench/input_latency.py "$build_dir" --presses "$presses"
fi
