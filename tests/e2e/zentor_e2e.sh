#!/usr/bin/env bash
# The built zentor under Xvfb against the simulated device, driven through its real window with the
# pointer and the keyboard. The working folder's "zentor.cfg" names a port that is not there, so the lamp is
# dark; the device's port and 19200 baud are chosen in the lists; a read of 0xFF selects "Не стираем" (seen
# through the write that follows); "Стираем" chosen in the list is written; closing the window leaves the
# device's port and the chosen speed in "zentor.cfg" and no debug log file. Exits 77 (skipped) without Xvfb or
# xdotool. Every wait is bounded.
# Arguments: zentor, zentor-sim, the screenshot program, the window description main_form.zfm.
source "$(dirname "$0")/e2e_support.sh"

readonly kRead="A5 96 00 D5 00 6B" kWriteKeep="A5 96 01 D5 FF 6B" kWriteErase="A5 96 01 D5 00 6C"
# A strip of the window that only the progress panel covers: the exchange is over when it looks as at start.
readonly kPanelStrip="10,117,40,20"

touch "$work/zentor_debug_session.txt"
printf '[COM]\nCOM_port=255\nCOM_speed=57600\n' >"$work/zentor.cfg"
e2e_start_simulator --com 9 --value 0xFF
e2e_start_program
zx_park_pointer
idle=$(zx_digest "$kPanelStrip")
save_disabled=$(zx_digest BTN_OptionsSave)
ports_at_start=$(zx_digest CB_ComPorts)
speeds_at_start=$(zx_digest CB_ComSpeeds)

# Port 9 typed into the open port list; speed 19200, the second item of the speed list.
zx_click CB_ComPorts && sleep 0.3 && zx_xdotool type 9 && zx_keys Return
zx_click CB_ComSpeeds && sleep 0.3 && zx_keys Home Down Return
zx_park_pointer
zx_wait 5 zx_looks_different CB_ComPorts "$ports_at_start" || fail "the port list did not change"
zx_wait 5 zx_looks_different CB_ComSpeeds "$speeds_at_start" || fail "the speed list did not change"

zx_click BTN_OptionsRead
zx_wait 10 zx_traced "$line" "rx $kRead" || fail "no read request on the line"
zx_wait 10 zx_traced "$line" "tx FF" || fail "the device did not answer"
zx_wait 10 zx_looks_different BTN_OptionsSave "$save_disabled" || fail "the write button stayed disabled"
zx_wait 10 zx_looks_same "$kPanelStrip" "$idle" || fail "the read did not end"
[[ "$(zx_status_text 9)" == "  Чтение настроек... успешно!  " ]] || fail "status line: '$(zx_status_text 9)'"

# Writing without touching the list sends the value the read selected: FF, "Не стираем".
zx_click BTN_OptionsSave
zx_wait 10 zx_traced "$line" "rx $kWriteKeep" || fail "no write of FF after the read of FF"
zx_wait 10 zx_traced "$line" "tx 0F" || fail "the device did not acknowledge"
zx_wait 10 zx_looks_same "$kPanelStrip" "$idle" || fail "the first write did not end"

zx_park_pointer
mode_keep=$(zx_digest CB_OptionsErase)
zx_click CB_OptionsErase && sleep 0.3 && zx_keys Home Return
zx_park_pointer
zx_wait 5 zx_looks_different CB_OptionsErase "$mode_keep" || fail "the mode list did not change"
zx_click BTN_OptionsSave
zx_wait 10 zx_traced "$line" "rx $kWriteErase" || fail "no write of 00 after choosing Стираем"
zx_wait 10 zx_traced "$line" "tx 0F" 2 || fail "the device did not acknowledge the second write"
zx_wait 10 zx_looks_same "$kPanelStrip" "$idle" || fail "the second write did not end"

[[ "$(grep '^rx' "$line")" == "$(printf 'rx %s\n' "$kRead" "$kWriteKeep" "$kWriteErase")" ]] ||
  fail "other bytes on the line than one read and two writes"

e2e_quit

config=$(cat "$work/zentor.cfg" 2>/dev/null) || fail "no zentor.cfg in the working folder"
grep -q -x "COM_port=9" <<<"$config" || fail "zentor.cfg does not remember COM9: $config"
grep -q -x "COM_speed=19200" <<<"$config" || fail "zentor.cfg does not remember 19200 baud: $config"
[[ ! -e "$work/zentor_debug_session.txt" ]] || fail "the debug log file is still there"
echo "PASS"
