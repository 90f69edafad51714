#!/usr/bin/env bash
# Builds and runs every test, with compiler warnings as errors: once in a
# plain debug build, once more under AddressSanitizer and
# UndefinedBehaviorSanitizer; builds the Debian package and checks it
# unpacked and with lintian; then fuzzes the reply parser, the readers of
# numbers and the log-file reader briefly, and soaks the program for two
# minutes. Exits non-zero on
# the first failure, and prints each stage's time at the end.
#
# Stages that cannot meet run side by side: a suite mostly waits (on a
# simulated line at 9600 bit/s, on an X server), so the next build runs
# beside it. Every test, the soak and the package check have their own
# display, link, pty and settings store. The order:
#   debug build
#   debug suite, then the soak   | sanitizer build
#   sanitizer suite              | package build and check, then fuzzing
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

jobs=$(nproc)
# Most tests wait rather than compute: several run per core.
test_jobs=$((jobs * 3))
logs=build/test-logs
rm -rf "$logs"
mkdir -p "$logs"

# VTX_TEST_REPEAT=N runs each build's whole suite N times in a row, stopping
# at the first failure.
run_suite() {
  for run in $(seq "${VTX_TEST_REPEAT:-1}"); do
    echo "-- $1, run $run"
    ctest --test-dir "$1" --output-on-failure -j "$test_jobs"
  done
}

debug_build() {
  cmake -S . -B build/debug -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVTX_WERROR=ON >/dev/null
  cmake --build build/debug -j "$jobs"
}
debug_suite() { run_suite build/debug; }
asan_build() {
  cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVTX_SANITIZE=ON -DVTX_WERROR=ON -DVTX_BENCH=OFF \
    >/dev/null
  cmake --build build/asan -j "$jobs"
}
asan_suite() { run_suite build/asan; }
package() {
  cmake -S . -B build/package -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DVTX_BENCH=OFF \
    -DVTX_WERROR=ON >/dev/null
  cmake --build build/package -j "$jobs" --target package
  python3 tests/package/check_package.py build/package
}
fuzz() { sh fuzz/run-fuzz.sh build/fuzz "${FUZZ_SECONDS:-12}"; }
soak() { bash bench/soak.sh --minutes 2 --build-dir build/debug; }
export -f run_suite debug_build debug_suite asan_build asan_suite package fuzz soak
export jobs test_jobs

stage_names=()
stage_seconds=()
running=()
# Stages still running when the script ends (a failure elsewhere) are ended
# with everything they started.
trap 'for pid in "${running[@]}"; do kill -- "-$pid" 2>/dev/null || true; done' EXIT

# start STAGE...: runs the stages one after another, in the background and
# in a process group of their own, each into its log.
start() {
  setsid bash -c '
    for stage in "$@"; do
      began=$(date +%s)
      echo "== $stage" >"'"$logs"'/$stage.log"
      bash -euo pipefail -c "$stage" >>"'"$logs"'/$stage.log" 2>&1 ||
        { echo failed >"'"$logs"'/$stage.status"; exit 1; }
      echo $(( $(date +%s) - began )) >"'"$logs"'/$stage.seconds"
      echo passed >"'"$logs"'/$stage.status"
    done' stages "$@" &
  running+=($!)
  group_stages[$!]="$*"
}
declare -A group_stages

# finish: waits for the stages started last in the background and prints
# their logs; stops at a failed one.
finish() {
  local pid=${running[-1]}
  wait "$pid" || true
  unset 'running[-1]'
  for stage in ${group_stages[$pid]}; do
    [ -f "$logs/$stage.log" ] && cat "$logs/$stage.log"
    if [ "$(cat "$logs/$stage.status" 2>/dev/null)" != passed ]; then
      echo "== $stage FAILED (or did not run); its log: $logs/$stage.log"
      exit 1
    fi
    stage_names+=("$stage")
    stage_seconds+=("$(cat "$logs/$stage.seconds")")
  done
}

# foreground STAGE: runs it here, output straight through.
foreground() {
  local began=$SECONDS
  echo "== $1"
  "$1"
  stage_names+=("$1")
  stage_seconds+=($((SECONDS - began)))
}

began=$SECONDS
foreground debug_build
start debug_suite soak
foreground asan_build
finish   # debug suite, soak
start package fuzz
foreground asan_suite
finish   # package, fuzz

echo "== stage times (stages side by side overlap)"
for i in "${!stage_names[@]}"; do
  printf '  %-12s %2d:%02d\n' "${stage_names[$i]}" $((stage_seconds[i] / 60)) $((stage_seconds[i] % 60))
done
printf '  %-12s %2d:%02d\n' total $(((SECONDS - began) / 60)) $(((SECONDS - began) % 60))
