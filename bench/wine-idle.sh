#!/usr/bin/env bash
# Idle cost of an open, quiet port under Wine, beside the Linux figure of bench_comm_idle.
# usage: bench/wine-idle.sh <native build folder> <Windows build folder>
# The Windows figure is the program's own CPU time (GetProcessTimes) over ten seconds, as a share of one core;
# beside it the Wine server's share, and both again for the same program idling without a port.
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/.." && pwd)
native_build=$(realpath "$1")
win_build=$(realpath "$2")
work=$win_build/wine-idle
rm -rf "$work"
mkdir -p "$work"
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" DISPLAY=

pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2> /dev/null || true; done
  timeout 20 wineserver -k 2> /dev/null || true
}
trap cleanup EXIT

cmake --build "$win_build" --target bench_comm_idle_win32 > /dev/null
cmake --build "$native_build" --target bench_comm_idle > /dev/null
timeout 180 wine wineboot -i > /dev/null 2>&1
timeout 20 wineserver -k || true
timeout 20 wineserver -w || true
wineserver -p > /dev/null 2>&1 # stays up, so that its CPU time can be read
/usr/bin/python3 "$source_dir/scripts/pty-echo.py" > "$work/echo.out" &
pids+=($!)
sleep 1
ln -sfn "$(cat "$work/echo.out")" "$WINEPREFIX/dosdevices/com11"

ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
calc() { awk "BEGIN { printf \"%.6f\", $1 }"; }
# The Wine server of this prefix, not of another.
server=""
for pid in $(pgrep -x 'wineserver(64)?'); do
  tr '\0' '\n' < "/proc/$pid/environ" | grep -qx "WINEPREFIX=$WINEPREFIX" && server=$pid
done
[ -n "$server" ] || { echo "no Wine server for $WINEPREFIX" >&2; exit 1; }
# The Wine server's share of one core over the command's run, from its start-up on; the command's output
# goes to $work/command.out.
server_share() {
  local before start
  before=$(ticks "$server")
  start=$(date +%s.%N)
  "$@" > "$work/command.out" 2> /dev/null
  calc "($(ticks "$server") - $before) / $(getconf CLK_TCK) / ($(date +%s.%N) - $start) * 100"
}
server_closed=$(server_share timeout 60 wine "$win_build/bench_comm_idle_win32.exe" 0)
closed=$(grep -o '[0-9.]*%' "$work/command.out" | head -1 | tr -d '%')
server_open=$(server_share timeout 60 wine "$win_build/bench_comm_idle_win32.exe" 11)
own=$(grep -o '[0-9.]*%' "$work/command.out" | head -1 | tr -d '%')

linux=$("$native_build/bench/bench_comm_idle" --benchmark_filter='BM_PortIdle/' 2>/dev/null | grep -o 'quiet line for 10 s uses [0-9.]*' | awk '{print $NF}')
printf 'Linux:  %.3f%% of one core\n' "$linux"
printf 'Wine:   %.3f%% of one core (the program; %.3f%% without the port); the Wine server %.3f%% (%.3f%% without the port)\n' \
  "$own" "$closed" "$server_open" "$server_closed"
printf 'ratio:  the program under Wine / on Linux = %.0f\n' "$(calc "$own / ($linux > 0 ? $linux : 0.001)")"
