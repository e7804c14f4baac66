#!/usr/bin/env bash
# `make run`'s script without a display, started from a folder that holds a "zentor.cfg" of the user's: the
# demo reads and writes through the window and reports the bytes, the status texts and the screenshots; the
# user's file stays as it was and nothing the script started is left running. Exits 77 (skipped) without
# Xvfb or xdotool. Arguments: the source folder, the build folder.
set -euo pipefail
source_dir=$(realpath "$1")
build=$(realpath "$2")
for tool in Xvfb xdotool; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done

user=$(mktemp -d)
trap 'rm -rf "$user"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

printf '[COM]\nCOM_port=7\nCOM_speed=57600\n' >"$user/zentor.cfg"
cp "$user/zentor.cfg" "$user/expected.cfg"
export XDG_RUNTIME_DIR="$user/runtime"
mkdir -m 0700 "$XDG_RUNTIME_DIR"

output=$(cd "$user" && env -u DISPLAY -u WAYLAND_DISPLAY timeout 120 bash "$source_dir/scripts/run.sh" "$build" 2>&1) ||
  fail "run.sh ended with $?: $output"
echo "$output"

demo="$build/demo"
expected_lines=(
  '    to the device:   A5 96 00 D5 00 6B'
  '    from the device: FF'
  '    status line: button face, "  Чтение настроек... успешно!  "'
  '    to the device:   A5 96 01 D5 00 6C'
  '    from the device: 0F'
  '    status line: button face, "  Запись настроек... успешно!  "'
  '    from the device: 00'
  '6. Closed with "Выход!".'
)
for expected in "${expected_lines[@]}"; do
  grep -q -x -F -- "$expected" <<<"$output" || fail "the demo did not print: $expected"
done
for step in 1-start 2-read 3-choose 4-write 5-read-again; do
  [[ "$(od -A n -t x1 -N 4 "$demo/screenshot-$step.png" 2>/dev/null | tr -d ' ')" == "89504e47" ]] ||
    fail "no screenshot-$step.png"
done
cmp -s "$user/zentor.cfg" "$user/expected.cfg" || fail "the user's zentor.cfg was changed"
grep -q -x "COM_port=[0-9]*" "$demo/zentor.cfg" || fail "the demo folder has no zentor.cfg with a port"
pgrep -f -- "$demo/line.txt" >/dev/null && fail "the simulated device is still running"
for pid in $(pgrep -x zentor || true); do
  [[ "$(readlink "/proc/$pid/cwd")" != "$demo" ]] || fail "the program is still running"
done
echo "PASS"
