#!/usr/bin/env bash
# The built zentor from the keyboard alone, through real X input (xdotool on a private Xvfb). Tab moves the
# focus through port, speed, Read, Write, mode and "Выход!" in that order (skipping the disabled Write and mode
# before the first read), each control looks different while it has the focus, and Enter, keypad Enter and
# Space press each button: every press of Read or Write puts its request on the line, Enter or Space on
# "Выход!" ends the program. The focused control is read through AT-SPI (atspi_window.py) on a private
# session bus. Exits 77 (skipped) without Xvfb, xdotool, dbus-run-session or pyatspi. Every wait is bounded.
# Arguments: zentor, zentor-sim, the screenshot program, the window description main_form.zfm.
source "$(dirname "$0")/atspi_support.sh"

readonly kRead="A5 96 00 D5 00 6B" kWrite="A5 96 01 D5 00 6C"
readonly kPanelStrip="10,117,40,20"
declare -A kControl=(
  ["combo box|COM"]=CB_ComPorts ["combo box|Скорость"]=CB_ComSpeeds
  ["push button|Прочитать настройки прибора"]=BTN_OptionsRead ["push button|Записать настройки прибора"]=BTN_OptionsSave
  ["combo box|Режим"]=CB_OptionsErase ["push button|Выход!"]=BTN_Quit)

# The keyboard goes to the window (Xvfb runs no window manager to give it).
focus_window() { zx_xdotool windowfocus --sync "$ZX_WINDOW"; }
focused_is() { [[ "$($atspi focused "$program_pid")" == "$1" ]]; }

# Presses Tab once for each wanted control and checks that it has the focus and shows it.
tab_through() {
  local wanted control unfocused
  for wanted in "$@"; do
    control=${kControl[$wanted]}
    unfocused=$(zx_digest "$control")
    zx_keys Tab
    zx_wait 5 focused_is "$wanted" || fail "Tab did not bring the focus to $wanted but to $($atspi focused "$program_pid")"
    zx_wait 5 zx_looks_different "$control" "$unfocused" || fail "$control does not show its focus"
  done
}

# Presses the key on the focused button and waits for the request on the line (the count-th one) and the end
# of the exchange.
press() {
  local key=$1 request=$2 count=$3
  zx_keys "$key"
  zx_wait 10 zx_traced "$line" "rx $request" "$count" || fail "$key put no request $count ($request) on the line"
  zx_wait 10 zx_looks_same "$kPanelStrip" "$idle" || fail "the exchange after $key did not end"
}

printf '[COM]\nCOM_port=9\nCOM_speed=9600\n' >"$work/zentor.cfg"
e2e_start_simulator --com 9 --value 0x00
e2e_start_program
focus_window
zx_park_pointer
idle=$(zx_digest "$kPanelStrip")
tabs=0
# Before the first read Write and the mode list are disabled and Tab passes them by.
until focused_is "combo box|COM"; do
  zx_keys Tab
  ((++tabs < 8)) || fail "Tab never reaches the port list"
done
tab_through "combo box|Скорость" "push button|Прочитать настройки прибора" "push button|Выход!" "combo box|COM" \
  "combo box|Скорость" "push button|Прочитать настройки прибора"

press Return "$kRead" 1
press KP_Enter "$kRead" 2
press space "$kRead" 3
tab_through "push button|Записать настройки прибора"
press Return "$kWrite" 1
press KP_Enter "$kWrite" 2
press space "$kWrite" 3
tab_through "combo box|Режим" "push button|Выход!" "combo box|COM" "combo box|Скорость" \
  "push button|Прочитать настройки прибора" "push button|Записать настройки прибора" "combo box|Режим" "push button|Выход!"
[[ "$(grep -c '^rx' "$line")" == 6 ]] || fail "other requests on the line than three reads and three writes"
zx_keys Return
zx_wait 10 zx_gone "$program_pid" || fail "Enter on Выход! did not close the window"
wait "$program_pid" || fail "zentor ended with $?"
program_pid=""

# Space on "Выход!" ends the program too; Shift+Tab goes backwards from the port list.
tabs=0
e2e_start_program
focus_window
until focused_is "combo box|COM"; do
  zx_keys Tab
  ((++tabs < 16)) || fail "Tab never reaches the port list"
done
zx_keys shift+Tab
zx_wait 5 focused_is "push button|Выход!" || fail "Shift+Tab from the port list went to $($atspi focused "$program_pid")"
zx_keys space
zx_wait 10 zx_gone "$program_pid" || fail "Space on Выход! did not close the window"
wait "$program_pid" || fail "zentor ended with $?"
program_pid=""
echo "PASS"
