#!/usr/bin/env bash
# Runs the program in the demo folder <build>/demo, whose "zentor.cfg" belongs to these runs alone; a
# "zentor.cfg" of the caller's folder is never touched.
# Without a USB serial adapter it first starts the simulated device (erase mode "Не стираем"), registered as a
# COM port, and names that port in the demo folder's "zentor.cfg", so that it is selected at start and Read
# works on the first click. Every byte on the line goes to <build>/demo/line.txt.
# Without a display the program runs under a private Xvfb, and the script clicks Read, chooses "Стираем",
# clicks Write, reads again and closes the window, printing the bytes on the line and the status line (its
# colour and text) after each step, and leaving a screenshot of each step in the demo folder; it ends with 1
# when a step did not happen.
# What the script started is stopped when the window closes, on Ctrl+C and on errors.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-build}" && pwd)
demo="$build/demo"
program="$build/app/zentor"
simulator="$build/tools/zentor-sim/zentor-sim"
line="$demo/line.txt"
ZX_FORM="$here/../app/main_form.zfm"
ZX_SCREENSHOT="$build/tools/screenshot/screenshot"
source "$here/zentor-x11.sh"

# A sanitizer build: LeakSanitizer leaves out the leaks of system libraries listed in the suppressions file,
# and ThreadSanitizer looks only at the program's own code (Qt is not instrumented).
if grep -qE '^ZENTOR_SANITIZE:STRING=.+' "$build/CMakeCache.txt" 2>/dev/null; then
  export LSAN_OPTIONS="suppressions=$here/lsan-suppressions.txt${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
  export TSAN_OPTIONS="ignore_noninstrumented_modules=1${TSAN_OPTIONS:+:$TSAN_OPTIONS}"
fi

sim_pid=""
sim_port=""
program_pid=""
tail_pid=""
demo_failed=""

stop_all() {
  zx_stop "$program_pid"
  zx_stop "$tail_pid"
  zx_stop "$sim_pid"
  zx_stop "$ZX_XVFB_PID"
}
trap stop_all EXIT
trap 'exit 130' INT TERM HUP

has_adapter() {
  compgen -G "/dev/ttyUSB*" >/dev/null || compgen -G "/dev/ttyACM*" >/dev/null
}

# Starts the simulated device and names its port in the demo folder's configuration.
start_simulator() {
  local said="$demo/simulator.txt" port device
  rm -f "$line" "$said" # a file of an earlier run would be read before the new device truncates it
  "$simulator" --value 0xFF --trace "$line" >"$said" &
  sim_pid=$!
  zx_wait 10 test -s "$said" || { echo "The simulated device did not start." >&2; exit 1; }
  read -r port device <"$said"
  sim_port=${port#COM}
  printf '[COM]\nCOM_port=%s\nCOM_speed=9600\n' "$sim_port" >"$demo/zentor.cfg.new"
  mv -f "$demo/zentor.cfg.new" "$demo/zentor.cfg"
  echo "Simulated device: $port on $device, erase mode 0xFF (\"Не стираем\"); zentor.cfg names $port."
}

# The line trace from the given line on, as the device saw it.
print_line() {
  tail -n +"$1" "$line" 2>/dev/null | sed -e 's/^rx /    to the device:   /' -e 's/^tx /    from the device: /'
}

run_with_display() {
  (cd "$demo" && exec "$program") &
  program_pid=$!
  if [[ -n "$sim_pid" ]]; then
    tail -s 0.2 -n +1 -F --pid="$program_pid" "$line" 2>/dev/null |
      sed -u -e 's/^rx /to the device:   /' -e 's/^tx /from the device: /' &
    tail_pid=$!
  fi
  wait "$program_pid" || true
  program_pid=""
  # The trace ends by itself once it has shown the last bytes.
  [[ -z "$tail_pid" ]] || zx_wait 3 zx_gone "$tail_pid" || true
}

# The status line as the screenshot shows it: its colour, and its text when it is one of the program's.
status_line() {
  local text
  text=$(zx_status_text "$sim_port")
  if [[ "$text" == "?" ]]; then
    echo "$(zx_status_colour), a text that is none of the program's messages"
  elif [[ -z "$text" ]]; then
    echo "$(zx_status_colour), empty"
  else
    echo "$(zx_status_colour), \"$text\""
  fi
}

# One scripted step: what was done, the bytes it put on the line, the status line, a screenshot.
report_step() {
  local number=$1 title=$2 from=$3 picture="$demo/screenshot-$1-$4.png"
  zx_shot "$picture" >/dev/null
  echo "$number. $title"
  print_line "$from"
  echo "    status line: $(status_line)"
  echo "    window: ${picture#"$PWD"/}"
}

step_failed() {
  echo "    ($1)"
  demo_failed=1
}

line_count() { wc -l <"$line" 2>/dev/null || echo 0; }

# Clicks a button and waits for the request and the answer on the line (the nth of each, given as the
# fourth and fifth arguments), then for the window to repaint.
exchange() {
  zx_click "$1"
  zx_wait 10 zx_traced "$line" "rx $2" "${4:-1}" || step_failed "the request did not come"
  zx_wait 10 zx_traced "$line" "tx $3" "${5:-1}" || step_failed "no answer"
  sleep 0.5
}

run_demo() {
  echo "No display: running the program under Xvfb and clicking through its window."
  zx_start_xvfb "$demo" || { echo "Xvfb did not start." >&2; exit 1; }
  (cd "$demo" && exec "$program" >"$demo/zentor-output.txt" 2>&1) &
  program_pid=$!
  zx_find_window "$program_pid" || { echo "The window did not appear." >&2; exit 1; }
  echo "Window: \"$(zx_xdotool getwindowname "$ZX_WINDOW")\""
  local from=1
  report_step 1 "Start" "$from" start
  from=$(($(line_count) + 1)); exchange BTN_OptionsRead "A5 96 00 D5 00 6B" FF
  report_step 2 "Read (click on \"Прочитать настройки прибора\")" "$from" read
  zx_click CB_OptionsErase && sleep 0.5 && zx_keys Home Return && sleep 0.5
  report_step 3 "Mode \"Стираем\" chosen in the list" "$(($(line_count) + 1))" choose
  from=$(($(line_count) + 1)); exchange BTN_OptionsSave "A5 96 01 D5 00 6C" 0F
  report_step 4 "Write (click on \"Записать настройки прибора\")" "$from" write
  from=$(($(line_count) + 1)); exchange BTN_OptionsRead "A5 96 00 D5 00 6B" 00 2 1
  report_step 5 "Read again: the device keeps \"Стираем\"" "$from" read-again
  zx_click BTN_Quit
  if zx_wait 10 zx_gone "$program_pid"; then
    echo "6. Closed with \"Выход!\"."
  else
    echo "6. The window did not close."
    demo_failed=1
  fi
  echo "zentor.cfg in ${demo#"$PWD"/}:"
  sed 's/^/    /' "$demo/zentor.cfg"
  [[ -z "$demo_failed" ]]
}

mkdir -p "$demo"
[[ -x "$program" ]] || { echo "$program is not built." >&2; exit 1; }
if has_adapter; then
  echo "A USB serial adapter is plugged in: no simulated device. Working folder: $demo"
else
  start_simulator
fi
if [[ -n "${DISPLAY:-}" || -n "${WAYLAND_DISPLAY:-}" ]]; then
  run_with_display
elif [[ -n "$sim_pid" ]]; then
  run_demo
else
  echo "No display: running the window for 10 s under Xvfb."
  (cd "$demo" && exec xvfb-run -a timeout 10 "$program") || [[ $? -eq 124 ]]
fi
