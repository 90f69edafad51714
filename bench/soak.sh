#!/usr/bin/env bash
# Soak run: the monitor against a faulty simulated line for an hour (or
# --minutes N), then checks memory, the log and the messages (bench/soak.py).
#   bash bench/soak.sh [--minutes N] [--build-dir DIR] [--seed N] [--keep]
# Builds vtx500-sim and vtx500-soak-monitor first (default build dir
# build/debug, as scripts/test.sh makes it). Exits non-zero when a check fails.
set -euo pipefail
cd "$(dirname "$0")/.."

source bench/prepare-build.sh
prepare_build build/debug Debug "vtx500-sim vtx500-soak-monitor" "$@"
exec python3 bench/soak.py --build-dir "$build_dir" "${args[@]}"
