#!/usr/bin/env bash
# Builds and runs every test, with compiler warnings as errors: once in a
# plain debug build, once more under AddressSanitizer and
# UndefinedBehaviorSanitizer; builds the Debian package and checks it
# unpacked and with lintian; then fuzzes the reply parser, the readers of
# numbers and the log-file reader briefly, and soaks the program for two
# minutes. Exits non-zero on the first failure.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

jobs=$(nproc)
# VTX_TEST_REPEAT=N runs each build's whole suite N times in a row, stopping
# at the first failure.
run_suite() {
  for run in $(seq "${VTX_TEST_REPEAT:-1}"); do
    echo "-- $1, run $run"
    ctest --test-dir "$1" --output-on-failure -j "$jobs"
  done
}

echo "== debug build and tests"
cmake -S . -B build/debug -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVTX_WERROR=ON >/dev/null
cmake --build build/debug -j "$jobs"
run_suite build/debug

echo "== Debian package, unpacked and run, lintian"
cmake -S . -B build/package -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DVTX_BENCH=OFF \
  -DVTX_WERROR=ON >/dev/null
cmake --build build/package -j "$jobs" --target package
python3 tests/package/check_package.py build/package

echo "== AddressSanitizer + UndefinedBehaviorSanitizer build and tests"
cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVTX_SANITIZE=ON -DVTX_WERROR=ON >/dev/null
cmake --build build/asan -j "$jobs"
run_suite build/asan

echo "== fuzzing the reply parser, the readers of numbers and the log-file reader"
sh fuzz/run-fuzz.sh build/fuzz "${FUZZ_SECONDS:-20}"

echo "== soak run, two minutes (faulty line, unplugged converter)"
bash bench/soak.sh --minutes 2 --build-dir build/debug
