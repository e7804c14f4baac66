#!/usr/bin/env bash
# The bash completion of zentorctl, run as bash runs it (COMP_WORDS, COMP_CWORD, the function that
# `complete -p` names): the commands, each command's options not given yet, the modes, the line speeds, and
# for --port the numbers that `zentorctl ports` lists, first from a stand-in that prints ports the way
# adapters with descriptions show, then from the built zentorctl with two simulated devices linked as COM7 and
# COM12. The speeds offered are exactly those that the built zentorctl takes and the kernel can set.
# Arguments: the completion script, zentorctl, zentor-sim.
source "$(dirname "$0")/packaging_support.sh"
completion=$(realpath "$1") zentorctl=$(realpath "$2") simulator=$(realpath "$3")

# The completions bash offers for a command line (the last word is the one being completed), sorted, one line.
complete_line() {
  local line=$1
  PATH="$scratch/${stand_in:-fake}:$PATH" timeout 30 bash -c '
    source "$1"
    read -r -a COMP_WORDS <<<"$2"
    [[ "$2" == *" " ]] && COMP_WORDS+=("")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMP_LINE=$2 COMP_POINT=${#2}
    function=$(complete -p zentorctl | sed -n "s/.* -F \([^ ]*\) .*/\1/p")
    "$function" "${COMP_WORDS[0]}" "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
    printf "%s\n" "${COMPREPLY[@]}"' completion "$completion" "$line" | sort -n | paste -s -d ' ' -
}

expect_completion() {
  local line=$1 expected=$2 offered
  offered=$(complete_line "$line") || fail "\"$line\": the completion did not end within 30 s"
  [[ "$offered" == "$expected" ]] || fail "\"$line\" offers \"$offered\", not \"$expected\""
}

# A stand-in for zentorctl: ports as adapters with descriptions list them, a warning on standard error.
mkdir -p "$scratch/fake"
cat >"$scratch/fake/zentorctl" <<'FAKE'
#!/usr/bin/env bash
[[ "$*" == "ports" ]] || exit 2
printf '1\t-\t/dev/ttyS0\n'
printf '3\tusb\t/dev/ttyUSB0\t0403:6001\tFTDI\tFT232R USB UART\tA12345\tftdi_sio\t/dev/serial/by-id/usb-FTDI_A12345\n'
printf '12\tusb\t/dev/pts/5\n'
echo "zentorctl: the links folder 7 is ignored" >&2
FAKE
chmod +x "$scratch/fake/zentorctl"

speeds="110 300 600 1200 2400 4800 9600 19200 38400 57600 115200"
while IFS='|' read -r line expected; do
  expect_completion "$line" "$expected"
done <<TABLE
zentorctl |--help help ports read write
zentorctl r|read
zentorctl -|--help
zentorctl ports |--help --json
zentorctl ports --json |--help
zentorctl read |--help --json --port --speed
zentorctl read --port 3 |--help --json --speed
zentorctl read --port 3 --json --sp|--speed
zentorctl write |--help --json --mode --port --speed
zentorctl write --port 3 --mode keep --speed 9600 --json |--help
zentorctl write --mode |erase keep
zentorctl write --mode k|keep
zentorctl read --speed |$speeds
zentorctl read --speed 1|110 1200 19200 115200
zentorctl read --speed 14|
zentorctl read --speed 56|
zentorctl read --port |1 3 12
zentorctl write --mode erase --port 1|1 12
zentorctl bogus |
TABLE

# A zentorctl that hangs does not hold the shell: the completion gives up on it and offers nothing.
mkdir -p "$scratch/hanging"
printf '#!/bin/sh\nexec sleep 60\n' >"$scratch/hanging/zentorctl"
chmod +x "$scratch/hanging/zentorctl"
stand_in=hanging expect_completion "zentorctl read --port " ""

# The built zentorctl, named by its path as typed, lists two simulated devices in a private links folder.
export XDG_RUNTIME_DIR="$scratch/runtime"
mkdir -m 0700 "$XDG_RUNTIME_DIR"
start_simulator() {
  local said="$scratch/sim-$1.txt"
  "$simulator" --com "$1" --value 0xFF >"$said" 2>&1 &
  started_pids+=($!)
  timeout 10 bash -c "until [[ -s '$said' ]]; do sleep 0.1; done" || fail "the simulated device COM$1 did not start"
  grep -q "^COM$1 " "$said" || fail "the simulated device did not take COM$1: $(cat "$said")"
}
start_simulator 7
start_simulator 12

listed=$("$zentorctl" ports | awk '{ print $1 }' | sort -n | paste -s -d ' ' -)
[[ " $listed " == *" 7 "* && " $listed " == *" 12 "* ]] || fail "zentorctl ports lists \"$listed\" without 7 and 12"
expect_completion "$zentorctl read --port " "$listed"
expect_completion "$zentorctl read --port 7" "7"

# The speeds that work are those zentorctl takes (a bad speed is a bad argument, exit 2) for which the kernel
# has a line speed setting: among the kernel's rates and the four that Windows has and the kernel has not,
# exactly those are offered.
kernel_rates() {
  /usr/bin/python3 -c 'import sys, termios; print(*(s for s in sys.argv[1:] if hasattr(termios, "B" + s)))' "$@"
}
taken=()
for speed in 50 75 110 134 150 200 300 600 1200 1800 2400 4800 9600 14400 19200 38400 56000 57600 115200 \
  128000 230400 256000 460800 921600; do
  status=0
  timeout 10 "$zentorctl" read --port 7 --speed "$speed" >/dev/null 2>&1 || status=$?
  ((status == 2)) || taken+=("$speed")
done
working=$(kernel_rates "${taken[@]}")
[[ "$working" == "$speeds" ]] || fail "the speeds that work are \"$working\", the completion offers \"$speeds\""
echo "PASS"
