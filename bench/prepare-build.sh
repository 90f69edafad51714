# Sourced by run-bench.sh and soak.sh, from the source root.
#   prepare_build DEFAULT_DIR BUILD_TYPE "TARGET..." "$@"
# Takes --build-dir DIR out of the arguments (the others are left in `args`),
# sets `build_dir`, configures it with the build type when it is new, and
# builds the targets.
prepare_build() {
  build_dir=$1
  local build_type=$2 targets=$3
  shift 3
  args=()
  while [ $# -gt 0 ]; do
    case "$1" in
      --build-dir) build_dir="$2"; shift 2 ;;
      *) args+=("$1"); shift ;;
    esac
  done
  if [ ! -f "$build_dir/build.ninja" ]; then
    cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE="$build_type" >/dev/null
  fi
  # shellcheck disable=SC2086 # a list of target names
  cmake --build "$build_dir" --target $targets >/dev/null
}
