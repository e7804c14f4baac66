#!/usr/bin/env bash
# Idle cost of an open, quiet port under Wine, beside the Linux figure of bench_comm_idle.
# usage: bench/wine-idle.sh <native build folder> <Windows build folder>
# The Windows figure is the program's own CPU time (GetProcessTimes) plus the Wine server's, both over the
# same ten seconds, as a share of one core.
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
wineserver -p # stays up, so that its CPU time can be read
/usr/bin/python3 "$source_dir/scripts/pty-echo.py" > "$work/echo.out" &
pids+=($!)
sleep 1
ln -sfn "$(cat "$work/echo.out")" "$WINEPREFIX/dosdevices/com11"

ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
calc() { awk "BEGIN { printf \"%.6f\", $1 }"; }
# The Wine server of this prefix, not of another.
server=""
for pid in $(pgrep -x wineserver); do
  tr '\0' '\n' < "/proc/$pid/environ" | grep -qx "WINEPREFIX=$WINEPREFIX" && server=$pid
done
[ -n "$server" ] || { echo "no Wine server for $WINEPREFIX" >&2; exit 1; }
timeout 60 wine "$win_build/bench_comm_idle_win32.exe" 11 > "$work/bench.out" &
bench=$!
sleep 1.2 # start-up and the 200 ms settling time
server_before=$(ticks "$server")
start=$(date +%s.%N)
wait "$bench"
server_after=$(ticks "$server")
elapsed=$(calc "$(date +%s.%N) - $start")
own=$(grep -o '[0-9.]*%' "$work/bench.out" | head -1 | tr -d '%')
server_share=$(calc "($server_after - $server_before) / $(getconf CLK_TCK) / $elapsed * 100")

linux=$("$native_build/bench/bench_comm_idle" --benchmark_filter='BM_PortIdle$' 2>/dev/null | grep -o 'quiet line for 10 s uses [0-9.]*' | awk '{print $NF}')
printf 'Linux:  %.3f%% of one core\n' "$linux"
printf 'Wine:   %.3f%% (the program) + %.3f%% (the Wine server) of one core\n' "$own" "$server_share"
printf 'ratio:  Wine / Linux = %.1f\n' "$(calc "($own + $server_share) / $linux")"
