#!/bin/sh
# Builds the fuzz targets with clang in their own build directory and runs
# each for a while: every target fuzz/CMakeLists.txt declares with
# vtx_add_fuzzer (the reply parser, the readers of numbers in field and store
# texts, the reader of log files), each from its own corpus.
#   fuzz/run-fuzz.sh [BUILD_DIR] [SECONDS]     (defaults: build/fuzz, 20 per target)
set -eu
source_dir=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${1:-$source_dir/build/fuzz}
seconds=${2:-20}
targets=$(sed -n 's/^vtx_add_fuzzer(\([A-Za-z0-9_]*\).*/\1/p' "$source_dir/fuzz/CMakeLists.txt")
[ -n "$targets" ] || { echo "no fuzz target in fuzz/CMakeLists.txt"; exit 1; }

mkdir -p "$build_dir"
cmake -S "$source_dir" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_CXX_COMPILER=clang++ -DVTX_FUZZ=ON -DBUILD_TESTING=OFF -DVTX_BENCH=OFF \
    >"$build_dir/configure.log" 2>&1 || { cat "$build_dir/configure.log"; exit 1; }
# shellcheck disable=SC2086 # a list of target names
ninja -C "$build_dir" $targets

# Seeds, in a corpus folder per target (one without seeds starts empty):
# sound replies to the commands the reply parser sees, so the fuzzer starts
# from frames that pass and mutates them; for the numbers, texts of every
# form a field or the store holds; for the log reader, small logs of the
# forms the monitor writes (a line "=====" splits two files).
for target in $targets; do
    mkdir -p "$build_dir/corpus/$target"
done
corpus=$build_dir/corpus/fuzz_reply_parser
numbers_corpus=$build_dir/corpus/fuzz_numbers
log_corpus=$build_dir/corpus/fuzz_log_chart
mkdir -p "$corpus" "$numbers_corpus" "$log_corpus"
python3 - "$corpus" "$numbers_corpus" "$log_corpus" <<'PY'
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
numbers = ['60', ' 2.5 ', '12abc', '18000.5', '-.5e-3', '1.5E+300', '&H1F', '&hFFFFffffFFFFffff',
           'FFFF', '8000', ' 3 (boiler)', '12.5', '9223372036854775807', '0.000001', '1,000', 'nan']
for n, text in enumerate(numbers):
    with open(os.path.join(sys.argv[2], 'text-%02d' % n), 'w') as f:
        f.write(text)
def log(*records):
    header = 'Time\tboiler\tfeed' + '\t' * 29
    lines = [header] + [r + '\t' * (31 - r.count('\t')) for r in records]
    return '\r\n'.join(lines) + '\r\n'
logs = {
    'day': log('08:46:01\t1.5\t----', '08:46:02\t-3276.8\t12'),
    'midnight': log('23:59:59\t1', '00:00:01\t2'),
    'am-pm': log('11:59:40 PM\t1', '12:00:30 AM\t2', '12:30:00 PM\t3'),
    'other-locales': log('\u0661:\u0660\u0669:\u0660\u0663 \u0645\t12\u066b5', '\uc624\ud6c4 1\uc2dc 9\ubd84 4\ucd08\t1.050',
                         '13\u66429\u520605\u79d2\t7,25'),
    'clock-back': log('02:59:59\t1', '02:00:00\t2', '03:00:00\t4'),
    'two-files': log('08:46:01\t1') + '\n=====\n' + log('08:47:00\t2', '08:48:00\t'),
    'no-record': 'x' * 200 + '\n\n\0\0\n',
}
for name, text in logs.items():
    with open(os.path.join(sys.argv[3], name), 'w', encoding='utf-8') as f:
        f.write(text)
PY

for target in $targets; do
    echo "== $target, $seconds s"
    "$build_dir/fuzz/$target" -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$build_dir/" \
        "$build_dir/corpus/$target"
done
