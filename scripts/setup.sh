#!/usr/bin/env bash
# Installs, with apt-get, whatever of the build and test tools is missing,
# and says what it installs and why. Run by demo.sh and test.sh; safe to run
# again: with everything present it installs nothing and runs no apt-get.
set -euo pipefail

# package|why it is needed
needed=(
  "g++|the C++20 compiler"
  "cmake|the build"
  "ninja-build|the build"
  "pkg-config|the build finds Qt's libraries"
  "qt6-base-dev|Qt Widgets, the program's windows"
  "qt6-base-dev-tools|Qt's moc and uic for the build"
  "qt6-serialport-dev|Qt Serial Port, the line to the instruments"
  "libgl-dev|OpenGL headers that Qt's CMake files ask for"
  "clang|libFuzzer, for the fuzz targets of the test command"
  "libclang-rt-dev|libFuzzer's runtime"
  "python3|the termination and X server tests"
  "xvfb|an X server for the demo and the tests without a display"
  "xauth|Xvfb's access control"
  "x11-apps|xwd, the demo's screenshot without ImageMagick's import"
  "imagemagick|the demo's screenshot, and the X tests read menus off the screen"
  "xdotool|the X tests type and click through the X server"
  "x11-utils|xprop, the X tests find menus and the window manager"
  "openbox|a window manager for the X tests of frames and geometry"
  "fonts-liberation|a metric-compatible serif for the PV digits"
  "dpkg-dev|dpkg-shlibdeps, the Debian package's dependencies from its binaries"
  "file|CPack tells the package's binaries by it"
  "lintian|the Debian package's checks"
  "desktop-file-utils|desktop-file-validate, the desktop entry's check"
  "appstream|appstreamcli, the metainfo's check"
  "strace|the package check sees which manual the installed program opens"
)

missing=()
for entry in "${needed[@]}"; do
  package=${entry%%|*}
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed"; then
    echo "Installing $package: ${entry#*|}"
    missing+=("$package")
  fi
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
