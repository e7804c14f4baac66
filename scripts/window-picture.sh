#!/usr/bin/env bash
# Makes docs/zentor-window.png, the picture of the window at the top of README: the built program on a private
# Xvfb against the simulated device (erase mode "Не стираем", linked as COM3 in a private runtime folder),
# after one click on "Прочитать настройки прибора" has read the device, taken by the screenshot program.
# usage: scripts/window-picture.sh [build folder] [picture] [X display number]
#        (defaults: build, docs/zentor-window.png, a display Xvfb finds free)
# What the script starts is stopped at the end, whatever happens; every wait is bounded.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-build}" && pwd)
picture=$(realpath -m "${2:-$here/../docs/zentor-window.png}")
display=${3:-}
ZX_FORM="$here/../app/main_form.zfm"
ZX_SCREENSHOT="$build/tools/screenshot/screenshot"
source "$here/zentor-x11.sh"

work=$(mktemp -d)
sim_pid=""
program_pid=""
stop_all() {
  zx_stop "$program_pid"
  zx_stop "$sim_pid"
  zx_stop "$ZX_XVFB_PID"
  rm -rf "$work"
}
trap stop_all EXIT
trap 'exit 130' INT TERM HUP

for program in "$build/app/zentor" "$build/tools/zentor-sim/zentor-sim" "$ZX_SCREENSHOT"; do
  [[ -x "$program" ]] || { echo "$program is not built." >&2; exit 1; }
done

# Xvfb on the given display, or on one it finds free.
start_xvfb() {
  if [[ -z "$display" ]]; then
    zx_start_xvfb "$work"
    return
  fi
  [[ ! -e "/tmp/.X$display-lock" ]] || { echo "Display :$display is in use." >&2; return 1; }
  Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  ZX_XVFB_PID=$!
  export DISPLAY=":$display"
  zx_wait 10 test -e "/tmp/.X11-unix/X$display"
}

export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 0700 "$XDG_RUNTIME_DIR" "$work/demo"
"$build/tools/zentor-sim/zentor-sim" --com 3 --value 0xFF --trace "$work/line.txt" >"$work/sim.txt" &
sim_pid=$!
zx_wait 10 test -s "$work/sim.txt" || { echo "The simulated device did not start." >&2; exit 1; }
printf '[COM]\nCOM_port=3\nCOM_speed=9600\n' >"$work/demo/zentor.cfg"

start_xvfb || { echo "Xvfb did not start." >&2; exit 1; }
(cd "$work/demo" && exec "$build/app/zentor" >"$work/zentor-output.txt" 2>&1) &
program_pid=$!
zx_find_window "$program_pid" || { echo "The window did not appear." >&2; exit 1; }

read_done() { [[ "$(zx_status_text 3)" == "  Чтение настроек... успешно!  " ]]; }
zx_click BTN_OptionsRead
zx_wait 10 zx_traced "$work/line.txt" "tx FF" || { echo "The device was not read." >&2; exit 1; }
zx_park_pointer
zx_wait 4 read_done || { echo "The status line does not show the read." >&2; exit 1; }
zx_shot "$picture" >/dev/null
echo "Made ${picture#"$PWD"/}."
