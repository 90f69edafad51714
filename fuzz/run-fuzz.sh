#!/bin/sh
# Builds the fuzz targets with clang in their own build directory and runs the
# reply parser's target for a while.
#   fuzz/run-fuzz.sh [BUILD_DIR] [SECONDS]     (defaults: build-fuzz, 20)
set -eu
source_dir=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${1:-$source_dir/build-fuzz}
seconds=${2:-20}

mkdir -p "$build_dir"
cmake -S "$source_dir" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_CXX_COMPILER=clang++ -DVTX_FUZZ=ON -DBUILD_TESTING=OFF >"$build_dir/configure.log" 2>&1 ||
    { cat "$build_dir/configure.log"; exit 1; }
ninja -C "$build_dir" fuzz_reply_parser

# Seeds: sound replies to the commands the target uses, so the fuzzer starts
# from frames that pass and mutates them.
corpus=$build_dir/fuzz-corpus
mkdir -p "$corpus"
python3 - "$corpus" <<'PY'
import sys, os
def frame(echo, code, data):
    body = echo + bytes([code]) + data + b'\x03'
    return b'\x02' + body + b'%02X' % (sum(body) & 0xFF) + b'\r'
seeds = {
    'ack-read': b'\x00' + frame(b'#  0080', 6, b'04D2'),
    'ack-write': b'\x01' + frame(b'  P0009', 6, b''),
    'nak-write': b'\x01' + frame(b'  P0009', 0x15, b'0002'),
    'noise-then-status': b'\x02\xff\r\x03' + frame(b'?  0081', 6, b'0107'),
}
for name, data in seeds.items():
    with open(os.path.join(sys.argv[1], name), 'wb') as f:
        f.write(data)
PY

exec "$build_dir/fuzz/fuzz_reply_parser" -max_total_time="$seconds" -print_final_stats=1 "$corpus"
