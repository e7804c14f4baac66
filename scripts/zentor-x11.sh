# Drives the real zentor window on an X display: a private Xvfb, the window found by its process, clicks on
# controls at the positions of the window description, pictures of the window, and the bytes on the line as
# the simulated device traces them. Sourced by scripts/run.sh and the end-to-end test; every wait is bounded.
# The sourcing script sets ZX_FORM (the window description main_form.zfm) and ZX_SCREENSHOT (the screenshot
# program).

ZX_XVFB_PID=""
ZX_WINDOW=""
readonly ZX_COMMAND_LIMIT=10 # seconds for any one command on the display

# xdotool, bounded.
zx_xdotool() {
  timeout "$ZX_COMMAND_LIMIT" xdotool "$@"
}

# Types keys into whatever has the keyboard (an open list, for one).
zx_keys() {
  zx_xdotool key "$@"
}

# Runs the command every 0.1 s until it succeeds; fails after the given number of seconds.
zx_wait() {
  local tries=$(($1 * 10))
  shift
  until "$@"; do
    ((tries-- > 0)) || return 1
    sleep 0.1
  done
}

# Ends a process this script started: SIGTERM, then SIGKILL after 5 s.
zx_stop() {
  local pid=$1
  [[ -n "$pid" ]] && kill -0 "$pid" 2>/dev/null || return 0
  kill -TERM "$pid" 2>/dev/null || true
  zx_wait 5 zx_gone "$pid" || kill -KILL "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
}

zx_gone() { ! kill -0 "$1" 2>/dev/null; }

# Starts Xvfb on a display nobody uses (it picks one and names it on a descriptor), with a screen of
# ZX_SCREEN (width x height x depth, 1024x768x24 unless set); sets DISPLAY.
zx_start_xvfb() {
  local named="$1/xvfb-display"
  rm -f "$named"
  Xvfb -displayfd 3 -screen 0 "${ZX_SCREEN:-1024x768x24}" -nolisten tcp 3>"$named" >/dev/null 2>&1 &
  ZX_XVFB_PID=$!
  zx_wait 10 test -s "$named" || return 1
  export DISPLAY=":$(head -n 1 "$named")"
}

# The visible main window of the process; sets ZX_WINDOW.
zx_find_window() {
  ZX_WINDOW=$(timeout 20 xdotool search --sync --onlyvisible --pid "$1" --name 'Quarsa' 2>/dev/null | head -n 1)
  [[ -n "$ZX_WINDOW" ]]
}

# "left top width height" of a control in the window's client area: its position in the window
# description plus those of its parents (the form itself excluded).
zx_control_rect() {
  awk -v want="$1" '
    function push(n) { depth++; name[depth] = n; left[depth] = 0; top[depth] = 0; w[depth] = 0; h[depth] = 0 }
    /^ *object [A-Za-z0-9_]+:/ { n = $2; sub(":", "", n); push(n); next }
    /^ *item *$/ { push(""); next }
    /^ *end>? *$/ {
      if (name[depth] == want) {
        x = 0; y = 0
        for (i = 2; i <= depth; i++) { x += left[i]; y += top[i] }
        print x, y, w[depth], h[depth]; found = 1; exit
      }
      depth--; next
    }
    /^ *Left = -?[0-9]+$/ { left[depth] = $3 }
    /^ *Top = -?[0-9]+$/ { top[depth] = $3 }
    /^ *Width = [0-9]+$/ { w[depth] = $3 }
    /^ *Height = [0-9]+$/ { h[depth] = $3 }
    END { exit !found }' "$ZX_FORM"
}

# Clicks the middle of a control, or the given point inside it.
zx_click() {
  local x y w h
  read -r x y w h < <(zx_control_rect "$1") || return 1
  zx_xdotool mousemove --window "$ZX_WINDOW" $((x + ${2:-$((w / 2))})) $((y + ${3:-$((h / 2))})) click 1
}

# Saves a picture of the window; further arguments go to the screenshot program.
zx_shot() {
  timeout "$ZX_COMMAND_LIMIT" "$ZX_SCREENSHOT" "$@" --window "$ZX_WINDOW" 2>/dev/null
}

# A digest of the pixels of a control, or of a rectangle "x,y,w,h" of the window, as they are shown now.
zx_digest() {
  local x y w h rect=$1
  if [[ "$rect" != *,* ]]; then
    read -r x y w h < <(zx_control_rect "$1") || return 1
    rect="$x,$y,$w,$h"
  fi
  zx_shot - --region "$rect" | awk '{ print $2 }'
}

zx_looks_different() { [[ "$(zx_digest "$1")" != "$2" ]]; }
zx_looks_same() { [[ "$(zx_digest "$1")" == "$2" ]]; }

# Moves the pointer to a blank spot of the window, so that no control shows its hover look.
zx_park_pointer() {
  zx_xdotool mousemove --window "$ZX_WINDOW" 300 58
}

# The status line's colour by name, from a pixel near its left edge.
zx_status_colour() {
  local x y w h colour
  read -r x y w h < <(zx_control_rect StatusBarMain) || return 1
  colour=$(zx_shot - --pixel "$((x + 3)),$((y + h / 2))" | awk '{ print $2 }')
  case "$colour" in
    "#FF0000") echo "red" ;;
    "#00FF00") echo "green" ;;
    "#D4D0C8") echo "button face" ;;
    *) echo "$colour" ;;
  esac
}

# At least count lines of the trace file are exactly the given line.
zx_traced() {
  local file=$1 line=$2 count=${3:-1}
  (($(grep -c -x -F "$line" "$file" 2>/dev/null || true) >= count))
}

# The status line's texts: two blanks, the message, two blanks, the extra text (the port number or nothing).
# Messages after the port number are candidates too (an unexpected reply names its bytes).
zx_status_candidates() {
  local port=$1 message
  for message in "Чтение настроек..." "Чтение настроек... успешно!" "Запись настроек..." \
    "Запись настроек... успешно!" "Нет ответа от прибора! Установите в приборе Связь с ПК!" "${@:2}"; do
    printf '%s\0' --candidate "  $message  "
  done
  for message in "COM-порт успешно открыт ... " "Не удалось открыть COM-порт ... " "COM-порт закрыт ... "; do
    printf '%s\0' --candidate "  $message  $port"
  done
  printf '%s\0' --candidate ""
}

# The status line's text when the pixels show one of the program's messages (with the given port number, and
# the further messages given), else "?": each message is drawn as the status line draws it and compared.
zx_status_text() {
  local x y w h candidates=()
  read -r x y w h < <(zx_control_rect StatusBarMain) || return 1
  mapfile -d '' candidates < <(zx_status_candidates "$@")
  zx_shot - --text "$x,$y,$w,$h" --font Tahoma:16:bold "${candidates[@]}" | sed -n 's/^text: //p'
}
