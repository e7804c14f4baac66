# Shared by the end-to-end tests of the window. Sourced with the arguments zentor, zentor-sim, the screenshot
# program and the window description main_form.zfm. Gives a private runtime folder (the only COM link the
# program sees is the simulated device's), a working folder, Xvfb, the simulated device and the program, and
# stops all of them at the end, whatever happens. Exits 77 (skipped) without Xvfb or xdotool.
set -euo pipefail
program=$(realpath "$1")
simulator=$(realpath "$2")
ZX_SCREENSHOT=$(realpath "$3")
ZX_FORM=$(realpath "$4")
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/zentor-x11.sh"

for tool in Xvfb xdotool; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done

temp=$(mktemp -d)
work="$temp/work"
line="$temp/line.txt"
sim_pid=""
program_pid=""
e2e_cleanup() {
  zx_stop "$program_pid"
  zx_stop "$sim_pid"
  zx_stop "$ZX_XVFB_PID"
  rm -rf "$temp"
}
trap e2e_cleanup EXIT

fail() {
  local picture="${TMPDIR:-/tmp}/$(basename "$0" .sh)-failure.png"
  echo "FAIL: $*" >&2
  [[ -n "$ZX_WINDOW" ]] && zx_shot "$picture" >/dev/null && echo "the window at the failure: $picture" >&2
  echo "line:" >&2
  cat "$line" >&2 || true
  exit 1
}

export XDG_RUNTIME_DIR="$temp/runtime"
mkdir -m 0700 "$XDG_RUNTIME_DIR"
mkdir "$work"
zx_start_xvfb "$temp" || fail "Xvfb did not start"

# The simulated device with the given options, tracing the line.
e2e_start_simulator() {
  "$simulator" --trace "$line" "$@" >"$temp/simulator.txt" &
  sim_pid=$!
  zx_wait 10 test -s "$temp/simulator.txt" || fail "the simulated device did not start"
}

# The program in the working folder, up to its visible window.
e2e_start_program() {
  (cd "$work" && exec "$program" >"$temp/zentor-output.txt" 2>&1) &
  program_pid=$!
  zx_find_window "$program_pid" || fail "the window did not appear"
}

# "Выход!" ends the program, with exit code 0.
e2e_quit() {
  zx_click BTN_Quit
  zx_wait 10 zx_gone "$program_pid" || fail "the window did not close"
  wait "$program_pid" || fail "zentor ended with $?"
  program_pid=""
}
