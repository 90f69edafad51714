#!/usr/bin/env bash
# Builds the three programs (build/release/app/vtx500-monitor and
# vtx500-trend, build/release/sim/vtx500-sim) and runs the monitor against
# the built-in simulator, in a demo folder of its own (settings store,
# working directory, log folder), so that an operator's real configuration is
# never touched.
#
# With a display the monitor runs until File > Exit. Without one it runs
# under Xvfb for DEMO_SECONDS (default 30) and leaves demo/screenshot.png.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
bash scripts/setup.sh

cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF >/dev/null
cmake --build build/release -j "$(nproc)" --target vtx500-monitor vtx500-trend vtx500-sim

demo="$root/demo"
mkdir -p "$demo/config" "$demo/work"
link="$demo/tty"

# A handful of instruments: addresses 1..5 with decimal places 0..3, moving
# PVs and alarms that trip on the wave's upper and lower parts.
sim_args=(--link "$link" --speed 19200 --wave --wave-period 40 --record "$demo/sim-record.txt"
  --instrument "1:dp=0,lo=0,hi=1500,a1=1200,act1=1,a2=200,act2=2"
  --instrument "2:dp=1,lo=-200,hi=1200,a1=900,act1=1"
  --instrument "3:dp=2,lo=0,hi=9999,a3=8000,act3=1"
  --instrument "4:dp=3,lo=-1999,hi=1999,a2=-1500,act2=2"
  --instrument "5:dp=1,lo=100,hi=800")
# Its standard input is no terminal, so it runs until the script ends it.
"$root/build/release/sim/vtx500-sim" "${sim_args[@]}" > "$demo/sim-output.txt" < /dev/null &
sim_pid=$!
# Ends everything the script started, however it ends.
end_all() {
  for pid in ${monitor_pid:-} ${xvfb_pid:-} $sim_pid; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
}
trap end_all EXIT
for _ in $(seq 50); do [ -L "$link" ] && break; sleep 0.1; done

# The demo's own store: the simulator's link as the saved port (at a speed it
# does not listen at, so discovery shows its work), five channels on.
{
  echo "[VTX-500%20Monitor]"
  echo "CommPort=$link"
  echo "Speed=9600"
  echo "LogT=5"
  # Large enough to show the whole panel grid.
  echo "MainLeft=600"
  echo "MainTop=600"
  echo "MainWidth=8925"
  echo "MainHeight=8400"
  names=("Boiler inlet" "Boiler outlet" "Steam flow" "Feed pressure" "Stack O2")
  for i in 0 1 2 3 4; do
    printf 'DvtoN%02d=%d\nDvState%02d=ON\nPVname%02d=%s\n' "$i" "$((i + 1))" "$i" "$i" "${names[$i]}"
  done
} > "$demo/config/KORVANE.conf.new"
# Keep the demo operator's edits from one run to the next.
[ -f "$demo/config/KORVANE.conf" ] || mv "$demo/config/KORVANE.conf.new" "$demo/config/KORVANE.conf"
rm -f "$demo/config/KORVANE.conf.new"

# The instruments' decimal places by device address (0..30), as the monitor
# itself would have saved them after reading each one's settings.
if [ ! -f "$demo/work/VX5DP.DAT" ]; then
  printf '\x00\x00\x00\x00\x01\x00\x02\x00\x03\x00\x01\x00' > "$demo/work/VX5DP.DAT"
  head -c 50 /dev/zero >> "$demo/work/VX5DP.DAT"
fi

export XDG_CONFIG_HOME="$demo/config"
monitor="$root/build/release/app/vtx500-monitor"
cd "$demo/work"
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  "$monitor"
else
  seconds=${DEMO_SECONDS:-30}
  # A display number of its own, chosen by the X server among the free ones;
  # the server writes it once it accepts clients.
  rm -f "$demo/display"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$demo/display" 2>/dev/null &
  xvfb_pid=$!
  for _ in $(seq 200); do [ -s "$demo/display" ] && break; sleep 0.05; done
  [ -s "$demo/display" ] || { echo "Xvfb did not start" >&2; exit 1; }
  export DISPLAY=":$(cat "$demo/display")"
  "$monitor" &
  monitor_pid=$!
  sleep "$seconds"
  # The screen cut to the window (the rest of the screen is black).
  import -window root -trim +repage "$demo/screenshot.png" ||
    xwd -root -silent | convert xwd:- -trim +repage "$demo/screenshot.png"
  # Ends the monitor the way a log-off would: it closes in order and saves.
  kill -TERM $monitor_pid 2>/dev/null || true
  wait $monitor_pid 2>/dev/null || true
  monitor_pid=
  echo "Screenshot: $demo/screenshot.png"
  echo "Log files:  $(ls "$demo/work/log" 2>/dev/null | tr '\n' ' ')"
fi
