#!/usr/bin/env bash
# The simulated device vanishes on the read request (its line closes and its COM link goes, as an unplugged
# adapter does): the window goes on working, the lamp goes dark, the red no-reply message follows, and
# "Выход!" still ends the program. Exits 77 (skipped) without Xvfb or xdotool. Every wait is bounded.
# Arguments: zentor, zentor-sim, the screenshot program, the window description main_form.zfm.
source "$(dirname "$0")/e2e_support.sh"

readonly kNoReply="  Нет ответа от прибора! Установите в приборе Связь с ПК!  "

printf '[COM]\nCOM_port=9\nCOM_speed=9600\n' >"$work/zentor.cfg"
e2e_start_simulator --com 9 --vanish-after 0
e2e_start_program
zx_park_pointer
lamp_lit=$(zx_digest IMG_OnLineCom)

zx_click BTN_OptionsRead
zx_wait 10 zx_traced "$line" "rx A5 96 00 D5 00 6B" || fail "no read request on the line"
zx_wait 10 test ! -e "$XDG_RUNTIME_DIR/zentor/dosdevices/COM9" || fail "the device did not vanish"
status_is_no_reply() { [[ "$(zx_status_text 9)" == "$kNoReply" ]]; }
zx_wait 15 status_is_no_reply || fail "no red no-reply message: '$(zx_status_text 9)'"
[[ "$(zx_status_colour)" == "red" ]] || fail "the status line is $(zx_status_colour), not red"
zx_looks_different IMG_OnLineCom "$lamp_lit" || fail "the lamp is still lit"
grep -q '^tx' "$line" && fail "the vanished device answered"

e2e_quit
echo "PASS"
