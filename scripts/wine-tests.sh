#!/usr/bin/env bash
# The Windows build under Wine: cross-builds zentorctl.exe and tests_win32.exe with mingw-w64, makes a
# throw-away Wine prefix, starts line partners on pseudo-terminals (the simulated device in several modes and
# an echo), links them into the prefix as COM ports, and runs the tests and zentorctl.exe against them.
# usage: scripts/wine-tests.sh <native build folder, with zentor-sim> <Windows build folder>
# Prints every failed check and ends with status 1 when there was one; every Wine call has a time limit.
set -euo pipefail

source_dir=$(cd "$(dirname "$0")/.." && pwd)
[ $# -eq 2 ] || { echo "usage: $0 <native build> <windows build>" >&2; exit 2; }
native_build=$(realpath -m "$1")
win_build=$(realpath -m "$2")
work=$win_build/wine-tests
sim=$native_build/tools/zentor-sim/zentor-sim
partner=$native_build/tests/line-partner
line_cases=$source_dir/tests/tools/zentorctl_line_cases.txt

failures=0
fail() { echo "wine-tests: FAILED: $*" >&2; failures=$((failures + 1)); }
die() { echo "wine-tests: $*" >&2; exit 1; }

for tool in x86_64-w64-mingw32-g++-posix wine wineserver; do
  command -v "$tool" > /dev/null || die "$tool is missing: run scripts/install-deps.sh"
done
[ -x "$sim" ] || die "$sim is missing: build the native tree first"
[ -x "$partner" ] || die "$partner is missing: build the native tree first"

# The cross build, incremental after the first run.
launcher=()
command -v ccache > /dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
cmake -S "$source_dir" -B "$win_build" -DCMAKE_TOOLCHAIN_FILE="$source_dir/cmake/mingw-w64.cmake" "${launcher[@]}" > /dev/null
cmake --build "$win_build" -j "$(nproc)" --target zentorctl tests_win32 bench_comm_idle_win32 > "$win_build/build.log" 2>&1 ||
  { tail -40 "$win_build/build.log" >&2; die "the Windows build failed"; }
ctl=$win_build/tools/zentorctl/zentorctl.exe
tests=$win_build/tests/platform/win32/tests_win32.exe
idle=$win_build/bench_comm_idle_win32.exe

rm -rf "$work"
mkdir -p "$work/runtime"
chmod 700 "$work/runtime"
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" DISPLAY=
export XDG_RUNTIME_DIR=$work/runtime # the partners' own COM links stay in here

pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2> /dev/null || true; done
  wait 2> /dev/null || true
  timeout 20 wineserver -k 2> /dev/null || true
}
trap cleanup EXIT

wine_run() { timeout -k 5 "$1" wine "${@:2}"; }

echo "wine-tests: making the Wine prefix"
wine_run 180 wineboot -i > "$work/wineboot.log" 2>&1 || die "wineboot failed (see $work/wineboot.log)"

# start_partner <name> <command...>: runs the command and keeps the pseudo-terminal it prints in pty_of.
declare -A pty_of
start_partner() {
  local name=$1 out=$work/$1.out
  shift
  "$@" > "$out" 2>&1 &
  pids+=($!)
  for _ in $(seq 100); do
    grep -q '/dev/pts/' "$out" && break
    sleep 0.1
  done
  pty_of[$name]=$(grep -o '/dev/pts/[0-9]*' "$out") || die "$name did not start: $(cat "$out")"
}

# The prefix's COM ports: a dosdevices link opens the port; the Wine ports key lists it in the registry
# once the Wine server starts again.
declare -A com_of=([echo]=11 [vanish]=12 [sim]=13 [silent]=14 [answer5]=15)
start_partner echo /usr/bin/python3 "$source_dir/scripts/pty-echo.py"
start_partner vanish "$sim" --vanish-after 0
start_partner sim "$sim" --log "$work/sim.line"
start_partner silent "$sim" --silent --log "$work/silent.line"
start_partner answer5 "$sim" --answer 0x05
{
  echo "REGEDIT4"
  echo "[HKEY_LOCAL_MACHINE\\Software\\Wine\\Ports]"
  for name in "${!com_of[@]}"; do
    ln -sfn "${pty_of[$name]}" "$WINEPREFIX/dosdevices/com${com_of[$name]}"
    echo "\"COM${com_of[$name]}\"=\"${pty_of[$name]}\""
  done
} > "$work/ports.reg"
wine_run 60 regedit /S "$work/ports.reg" || die "cannot write the Wine ports key"
timeout 20 wineserver -k || true
timeout 20 wineserver -w || true
wineserver -p > /dev/null 2>&1 # stays up between the calls below; killed on exit
# Values the Wine server does not make from links: a USB virtual COM port, and numbers that --port refuses.
for value in 'VCP92=COM200' 'VCP90=COM0' 'VCP91=COM300'; do
  wine_run 60 reg add 'HKLM\HARDWARE\DEVICEMAP\SERIALCOMM' /v "\\Device\\${value%=*}" /t REG_SZ /d "${value#*=}" /f \
    > /dev/null 2>&1 || die "cannot add ${value} to the registry's serial ports"
done

# ctl <expected exit> <expected stdout> <arguments...>: runs zentorctl.exe and checks both.
ctl_out=""
ctl_err=""
ctl() {
  local want_exit=$1 want_out=$2 status=0
  shift 2
  ctl_out=$(wine_run 60 "$ctl" "$@" 2> "$work/ctl.err" < /dev/null | tr -d '\r') || status=$?
  ctl_err=$(tr -d '\r' < "$work/ctl.err")
  [ "$status" -eq "$want_exit" ] || fail "zentorctl $*: exit $status, expected $want_exit ($ctl_err)"
  [ "$want_out" = "*" ] || [ "$ctl_out" = "$want_out" ] || fail "zentorctl $*: printed '$ctl_out', expected '$want_out'"
}
expect_err() { [[ "$ctl_err" == *"$1"* ]] || fail "standard error lacks '$1': '$ctl_err'"; }
line() { od -An -tx1 -v "$1" 2> /dev/null | tr -s ' \n' ' ' | sed 's/^ //; s/ $//'; }
expect_line() { [ "$(line "$1")" = "$2" ] || fail "bytes on the line: '$(line "$1")', expected '$2'"; }

read_frame="a5 96 00 d5 00 6b"
keep_frame="a5 96 01 d5 ff 6b"
erase_frame="a5 96 01 d5 00 6c"

echo "wine-tests: the registry lists the linked ports"
ctl 0 "*" ports
for name in "${!com_of[@]}"; do
  grep -q -E "^${com_of[$name]}	serial	\\\\\\\\\.\\\\COM${com_of[$name]}	\\\\Device\\\\Serial[0-9]+\$" <<< "$ctl_out" ||
    fail "zentorctl ports does not list COM${com_of[$name]}: $ctl_out"
done
grep -q -x -F "200	usb	\\\\.\\COM200	\\Device\\VCP92" <<< "$ctl_out" || fail "zentorctl ports does not list COM200 as usb: $ctl_out"
grep -q -E "^(0|300)	" <<< "$ctl_out" && fail "zentorctl ports lists a number that --port refuses: $ctl_out"
ctl 0 "*" ports --json
/usr/bin/python3 -c 'import json, sys; ports = json.loads(sys.argv[1])["ports"]; sys.exit(not (len(ports) >= 7 and all(1 <= p["number"] <= 255 and p["usb"] == (p["kind"] == "usb") == p["device"].startswith("\\Device\\VCP") and p["description"] == p["device"] and p["driver"] is None for p in ports)))' "$ctl_out" ||
  fail "ports --json: $ctl_out"

# A node nobody may write to, even root: Wine answers its open with "access denied".
denied_com=18
ln -sfn /sys/kernel/notes "$WINEPREFIX/dosdevices/com$denied_com"

# Wine ends a program that crashed with status 0 and no summary, so the run counts only with GoogleTest's
# summary line for every test the program lists.
echo "wine-tests: tests_win32.exe"
expected_tests=$(wine_run 60 "$tests" --gtest_list_tests < /dev/null 2> /dev/null | tr -d '\r' | grep -c '^  ') || true
[ "$expected_tests" -gt 0 ] || fail "tests_win32.exe lists no tests"
LC_ALL=C.UTF-8 ZENTOR_ECHO_COM=${com_of[echo]} ZENTOR_VANISH_COM=${com_of[vanish]} ZENTOR_DENIED_COM=$denied_com ZENTOR_READ_ONLY_FOLDER='Z:\sys\kernel' wine_run 300 "$tests" < /dev/null > "$work/tests_win32.log" 2>&1 ||
  fail "tests_win32.exe ended with status $?"
if ! tr -d '\r' < "$work/tests_win32.log" | grep -qxF "[  PASSED  ] $expected_tests tests."; then
  grep -E '^\[  FAILED|Failure|Expected|actual|Unhandled' "$work/tests_win32.log" >&2 || tail -20 "$work/tests_win32.log" >&2
  fail "tests_win32.exe: no '[  PASSED  ] $expected_tests tests.' at the end (see $work/tests_win32.log)"
fi
grep -E '^\[  PASSED|^\[==========\] [0-9]+ tests' "$work/tests_win32.log" || true
# The user's regional format follows the locale Wine starts with (C.UTF-8 above is Wine's en-US).
for locale in ru_RU.UTF-8 de_DE.UTF-8; do
  LC_ALL=$locale wine_run 60 "$tests" --gtest_filter='Win32FormatSettings.*' < /dev/null > "$work/locale.log" 2>&1 || true
  tr -d '\r' < "$work/locale.log" | grep -qxF "[  PASSED  ] 1 test." ||
    fail "the regional format under $locale: $(grep -A3 Failure "$work/locale.log" | tr -d '\r')"
done

echo "wine-tests: zentorctl.exe against the simulated device"
port=${com_of[sim]}
ctl 0 "erase" read --port "$port"
ctl 0 "keep" write --port "$port" --mode keep
ctl 0 "keep" read --port "$port"
ctl 0 "erase" write --port "$port" --mode erase --speed 19200
ctl 0 "erase" read --port "$port"
expect_line "$work/sim.line" "$read_frame $keep_frame $read_frame $erase_frame $read_frame"

ctl 0 "*" read --port "$port" --json
/usr/bin/python3 -c 'import json, sys; o = json.loads(sys.argv[1]); sys.exit(not (o["mode"] == "erase" and o["reply"] == "0x00" and o["exit"] == 0))' "$ctl_out" ||
  fail "read --json: $ctl_out"
ctl 0 "*" write --port "$port" --mode keep --json
/usr/bin/python3 -c 'import json, sys; o = json.loads(sys.argv[1]); sys.exit(not (o["command"] == "write" and o["exit"] == 0))' "$ctl_out" ||
  fail "write --json: $ctl_out"

ctl 4 "0x05" read --port "${com_of[answer5]}"
ctl 4 "*" write --port "${com_of[answer5]}" --mode keep
ctl 5 "" read --port 250
expect_err "no such port"
ctl 2 "" write --port "$port" --mode maybe

echo "wine-tests: arguments, output and causes as on Linux"
for speed in 14400 56000 128000 256000; do
  ctl 2 "" read --port "$port" --speed "$speed"
  expect_err "--speed takes one of the line speeds 110 300 600 1200 2400 4800 9600 19200 38400 57600 115200, not \"$speed\""
done
# Arguments come from the wide command line: a character outside the code page is not taken for its ASCII
# look-alike, so fullwidth digits are no COM number and a fullwidth mode is no mode, as on Linux.
wide_port=$(/usr/bin/python3 -c 'import sys; print("".join(chr(0xFF10 + int(d)) for d in sys.argv[1]))' "$port")
ctl 2 "" read --port "$wide_port"
expect_err "--port takes a COM number from 1 to 255, not \"$wide_port\""
ctl 2 "" write --port "$port" --mode "ｋｅｅｐ"
expect_err "--mode takes erase or keep, not \"ｋｅｅｐ\""
ctl 0 "*" help --json
/usr/bin/python3 -c 'import json, sys; o = json.loads(sys.argv[1]); sys.exit(not (o["command"] == "help" and "usage:" in o["usage"]))' "$ctl_out" ||
  fail "help --json: $ctl_out"
ctl 2 "*" write --port "$port" --json
/usr/bin/python3 -c 'import json, sys; o = json.loads(sys.argv[1]); sys.exit(not (o["command"] == "write" and o["exit"] == 2))' "$ctl_out" ||
  fail "bad arguments --json: $ctl_out"
status=0
wine_run 60 "$ctl" read --port "$port" < /dev/null > /dev/full 2> "$work/ctl.err" || status=$?
[ "$status" -eq 9 ] || fail "read > /dev/full: exit $status, expected 9"
grep -q "standard output could not be written" "$work/ctl.err" || fail "read > /dev/full: $(cat "$work/ctl.err")"
# A link to a folder is no port, on both systems.
mkdir -p "$work/not-a-port"
ln -sfn "$work/not-a-port" "$WINEPREFIX/dosdevices/com17"
ctl 5 "" read --port 17
expect_err "no such port"
ctl 6 "" read --port "$denied_com" # Windows' "access denied" is a port another program holds
expect_err "in use"

echo "wine-tests: a silent device, and a port in use"
ctl 3 "" read --port "${com_of[silent]}"
expect_err "no answer"
expect_line "$work/silent.line" "$read_frame"
# The idle benchmark holds the port for ten seconds once it printed that it is open.
wine_run 60 "$idle" "${com_of[silent]}" > "$work/holder.out" 2>&1 &
holder=$!
for _ in $(seq 300); do
  grep -q " open[[:space:]]*$" "$work/holder.out" && break
  sleep 0.1
done
ctl 6 "" read --port "${com_of[silent]}"
expect_err "in use"
wait "$holder" || fail "the program holding the port failed: $(cat "$work/holder.out")"

echo "wine-tests: SIGTERM, SIGHUP and SIGINT end a waiting zentorctl.exe with 130"
frames=$(($(stat -c %s "$work/silent.line") / 6))
for signal in TERM HUP INT; do
  timeout -k 5 60 wine "$ctl" read --port "${com_of[silent]}" < /dev/null > /dev/null 2> "$work/signal.err" &
  waiting=$!
  frames=$((frames + 1))
  for _ in $(seq 200); do
    [ "$(stat -c %s "$work/silent.line")" -ge $((frames * 6)) ] && break
    sleep 0.05
  done
  # timeout runs the program as its child; the signal goes to the program itself.
  kill -s "$signal" "$(pgrep -P "$waiting" | head -1)" 2> /dev/null || fail "SIG$signal: no program to signal"
  status=0
  wait "$waiting" || status=$?
  [ "$status" -eq 130 ] || fail "SIG$signal: exit $status, expected 130"
  grep -q "zentorctl: interrupted" "$work/signal.err" || fail "SIG$signal: standard error '$(tr -d '\r' < "$work/signal.err")'"
done

# The line cases shared with the Linux tests: a partner plays each case's bytes and timing on a fresh
# pseudo-terminal, linked into the prefix as COM16; a run named "+" goes to the partner of the line before.
echo "wine-tests: zentorctl.exe against the line cases"
case_com=16
case_pid=""
case_runs=0
case_name=""
trimmed() { sed 's/^ *//; s/ *$//' <<< "$1"; }
start_case() {
  case_name=$1
  case_runs=0
  rm -f "$work/case.line" "$work/case.out" # the last partner's output must not be taken for this one's
  "$partner" "$2" "$work/case.line" < /dev/null > "$work/case.out" 2>&1 &
  case_pid=$!
  pids+=("$case_pid")
  for _ in $(seq 100); do
    grep -q '/dev/pts/' "$work/case.out" && break
    sleep 0.1
  done
  ln -sfn "$(grep -o '/dev/pts/[0-9]*' "$work/case.out")" "$WINEPREFIX/dosdevices/com$case_com" ||
    fail "$case_name: the line partner did not start: $(cat "$work/case.out")"
}
end_case() {
  [ -n "$case_pid" ] || return 0
  kill "$case_pid" 2> /dev/null || true
  wait "$case_pid" || fail "$case_name: the line partner failed: $(cat "$work/case.out")"
  case_pid=""
  local bytes
  bytes=$(stat -c %s "$work/case.line" 2> /dev/null || echo 0)
  [ "$bytes" -eq $((case_runs * 6)) ] || fail "$case_name: $bytes bytes on the line, expected one request a run"
}
await_partner() {
  for _ in $(seq 200); do
    grep -qE "^(ready for request $1|finished)\$" "$work/case.out" && return 0
    sleep 0.05
  done
  fail "$case_name: the line partner never got ready for request $1"
}
while IFS='|' read -r name script arguments want_exit want_out; do
  name=$(trimmed "$name")
  [ -z "$name" ] || [ "${name:0:1}" = "#" ] && continue
  [ "$name" = "+" ] || { end_case; start_case "$name" "$(trimmed "$script")"; }
  case_runs=$((case_runs + 1))
  await_partner "$case_runs"
  echo "    $case_name (run $case_runs)"
  read -ra words <<< "$arguments"
  ctl "$(trimmed "$want_exit")" "$(trimmed "$want_out")" "${words[0]}" --port "$case_com" "${words[@]:1}"
done < "$line_cases"
end_case

if [ "$failures" -ne 0 ]; then
  echo "wine-tests: $failures check(s) failed; the prefix and logs are in $work" >&2
  exit 1
fi
echo "wine-tests: all checks passed"
