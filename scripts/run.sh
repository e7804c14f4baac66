#!/usr/bin/env bash
# Runs the program. Without a USB serial adapter it first starts the simulated device, which registers
# itself as a COM port (choose its number in the port list), and stops it when the program ends.
# Without a display the window runs for a while under a virtual X server, to show that it starts.
set -euo pipefail
build="${1:-build}"
program="$build/app/zentor"
sim_pid=""

stop_sim() {
  if [[ -n "$sim_pid" ]]; then
    kill "$sim_pid" 2>/dev/null || true
    wait "$sim_pid" 2>/dev/null || true
  fi
}
trap stop_sim EXIT

if ! compgen -G "/dev/ttyUSB*" >/dev/null && ! compgen -G "/dev/ttyACM*" >/dev/null; then
  "$build/tools/zentor-sim/zentor-sim" &
  sim_pid=$!
  sleep 0.5
fi

if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
  echo "No display: running the window for 10 s under Xvfb."
  xvfb-run -a timeout 10 "$program" || [[ $? -eq 124 ]]
else
  "$program"
fi
