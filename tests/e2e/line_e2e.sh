#!/usr/bin/env bash
# The built zentor under Xvfb against a simulated device on a line that tries to fool it: the request
# echoed, a noise byte before the answer, an answer that comes after the window gave the request up, and a
# port that appears while a read runs. No case may end in a success that did not happen: each ends red,
# naming the bytes that came, with the write button as it was; the port that was read is the port that is
# written. Exits 77 (skipped) without Xvfb or xdotool. Every wait is bounded.
# Arguments: zentor, zentor-sim, the screenshot program, the window description main_form.zfm.
source "$(dirname "$0")/e2e_support.sh"

com3_pid="" com7_pid=""
trap 'zx_stop "$com3_pid"; zx_stop "$com7_pid"; e2e_cleanup' EXIT

readonly kUnexpected="Неожиданный ответ прибора:"
readonly kNoReply="  Нет ответа от прибора! Установите в приборе Связь с ПК!  "

# Starts the device with the given options on COM9 and the program, which remembers COM${remembered:-9};
# the write button's look at start.
start_case() {
  zx_stop "$program_pid"
  zx_stop "$sim_pid"
  program_pid="" sim_pid=""
  : >"$line"
  printf '[COM]\nCOM_port=%s\nCOM_speed=9600\n' "${remembered:-9}" >"$work/zentor.cfg"
  e2e_start_simulator --com 9 "$@"
  e2e_start_program
  zx_park_pointer
  save_at_start=$(zx_digest BTN_OptionsSave)
}

# The status line shows one of the given messages (each between two blanks).
status_is() {
  local text message
  text=$(zx_status_text 9 "$@")
  for message in "$@"; do
    [[ "$text" == "  $message  " ]] && return 0
  done
  return 1
}

# Waits for one of the unexpected-reply messages with the given byte lists; it is red, the write button is
# as at the start.
expect_unexpected() {
  local messages=() bytes
  for bytes in "$@"; do messages+=("$kUnexpected $bytes"); done
  zx_wait 10 status_is "${messages[@]}" || fail "not '${messages[*]}': '$(zx_status_text 9 "${messages[@]}")'"
  [[ "$(zx_status_colour)" == "red" ]] || fail "the status line is $(zx_status_colour), not red"
  zx_park_pointer
  zx_looks_same BTN_OptionsSave "$save_at_start" || fail "the write button changed"
}

# The line echoes the request; the answer right behind the echo makes no success.
start_case --value 0xFF --echo
zx_click BTN_OptionsRead
zx_wait 10 zx_traced "$line" "rx A5 96 00 D5 00 6B" || fail "no read request on the line"
expect_unexpected "A5 96 00 D5 00 6B FF" "A5 96 00 D5 00 6B"

# A noise byte 0x00 10 ms after the request, the device's 0xFF at 300 ms: "Стираем" is not left standing.
start_case --value 0xFF --noise 0x00 --noise-before 10 --delay 300
zx_click BTN_OptionsRead
zx_wait 10 zx_traced "$line" "tx FF" || fail "the device did not answer"
expect_unexpected "FF"

# The first request is answered after 6 s, long after the window gave it up: the next read does not take it.
start_case --value 0xFF --late-first 6000
zx_click BTN_OptionsRead
status_no_reply() { [[ "$(zx_status_text 9)" == "$kNoReply" ]]; }
zx_wait 10 status_no_reply || fail "no red no-reply message: '$(zx_status_text 9)'"
zx_click BTN_OptionsRead
expect_unexpected "FF FF" "FF"

# COM7 is remembered, the user chooses COM9 and reads it; COM3 appears meanwhile and the list is filled
# anew: COM9 stays chosen, and the write goes to COM9, not to COM7.
"$simulator" --com 7 --trace "$temp/com7.txt" >"$temp/com7-simulator.txt" &
com7_pid=$!
remembered=7 start_case --value 0xFF --delay 2500
ports_at_start=$(zx_digest CB_ComPorts)
zx_click CB_ComPorts && sleep 0.3 && zx_xdotool type 9 && zx_keys Return
zx_park_pointer
zx_wait 5 zx_looks_different CB_ComPorts "$ports_at_start" || fail "the port list did not change"
zx_click BTN_OptionsRead
zx_wait 10 zx_traced "$line" "rx A5 96 00 D5 00 6B" || fail "no read request on COM9"
"$simulator" --com 3 >"$temp/com3-simulator.txt" &
com3_pid=$!
read_done() { [[ "$(zx_status_text 9)" == "  Чтение настроек... успешно!  " ]]; }
zx_wait 10 read_done || fail "the read did not succeed: '$(zx_status_text 9)'"
sleep 2.2 # a monitor tick after the new port came
zx_click BTN_OptionsSave
zx_wait 10 zx_traced "$line" "rx A5 96 01 D5 FF 6B" || fail "the write did not go to COM9"
zx_stop "$com3_pid"
zx_stop "$com7_pid"
[[ ! -s "$temp/com7.txt" ]] || fail "COM7 got bytes: $(cat "$temp/com7.txt")"
write_done() { [[ "$(zx_status_text 9)" == "  Запись настроек... успешно!  " ]]; }
zx_wait 10 write_done || fail "the write did not succeed: '$(zx_status_text 9)'"

e2e_quit
echo "PASS"
