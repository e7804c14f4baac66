#!/usr/bin/env bash
# The built zentor as a screen reader sees it: the accessibility tree of the real window walked through AT-SPI
# (atspi_window.py) on a private session bus. Every control has its role, its name without padding blanks and
# its state, each label names its control; a read announces its message on the status line, a vanished device
# turns the lamp's name to "Связь с прибором нет", and the next read's failure (the port gone, or another port
# of the machine that does not answer) is announced as an error. Exits 77
# (skipped) without Xvfb, xdotool, dbus-run-session or pyatspi. Every wait is bounded.
# Arguments: zentor, zentor-sim, the screenshot program, the window description main_form.zfm.
source "$(dirname "$0")/atspi_support.sh"

printf '[COM]\nCOM_port=9\nCOM_speed=9600\n' >"$work/zentor.cfg"
e2e_start_simulator --com 9 --value 0x00
e2e_start_program
zx_park_pointer
$atspi check "$program_pid" || fail "the accessibility tree is not as wanted"

# What the window announces from here on.
heard="$temp/heard.txt"
$atspi listen "$program_pid" 30 >"$heard" 2>"$temp/listen-errors.txt" &
listener=$!
zx_wait 15 grep -q listening "$heard" || fail "the listener did not start"

zx_click BTN_OptionsRead
$atspi wait "$program_pid" "status bar" "Чтение настроек... успешно!" || fail "the read's message is not the status bar's name"
$atspi wait "$program_pid" "push button" "Записать настройки прибора" || fail "no write button"

zx_stop "$sim_pid"
sim_pid=""
$atspi wait "$program_pid" image "Связь с прибором нет" || fail "the lamp's name did not follow the link"
zx_click BTN_OptionsRead
$atspi wait "$program_pid" "status bar" "Ошибка: *" || fail "the failed read is not announced as an error"

announced() { grep -q -x "$1" "$heard"; }
zx_wait 5 announced "status bar|Чтение настроек\.\.\. успешно!" || fail "the read's message was not announced: $(cat "$heard")"
zx_wait 5 announced "image|Связь с прибором нет" || fail "the dark lamp was not announced: $(cat "$heard")"
zx_wait 5 announced "status bar|Ошибка: .*" ||
  fail "the error was not announced: $(cat "$heard")"
kill "$listener" 2>/dev/null || true
e2e_quit
echo "PASS"
