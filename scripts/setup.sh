#!/usr/bin/env bash
# Installs, with apt-get, whatever of the build and test tools is missing.
# Run by demo.sh and test.sh; safe to run again.
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-serialport-dev libgl-dev
  clang libclang-rt-dev              # libFuzzer for the reply parser's fuzz target
  python3                            # the independent protocol client and log checks
  xvfb xauth x11-apps imagemagick    # the demo without a display, and its screenshot
  xdotool x11-utils openbox          # tests on a real X server: keys, clicks, a window manager
  fonts-liberation                   # a metric-compatible serif for the PV digits
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
