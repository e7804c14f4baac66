#!/usr/bin/env bash
# README opens with the picture of the window, before its two commands, and the script that makes the
# picture makes it again (the script fails unless the device was read): a PNG of the size of the one kept.
# Arguments: the source folder, the build folder (with zentor, zentor-sim and screenshot built).
source "$(dirname "$0")/packaging_support.sh"
source_dir=$1 build=$2
need_tools Xvfb xdotool

readme="$source_dir/README.md"
picture_line=$(grep -n -m 1 '^!\[' "$readme" | cut -d: -f1)
commands_line=$(grep -n -m 1 '^make run' "$readme" | cut -d: -f1)
[[ -n "$picture_line" && -n "$commands_line" ]] || fail "README has no picture or no make run"
((picture_line < commands_line)) || fail "README's picture comes after its commands"
sed -n "${picture_line}p" "$readme" | grep -F '(docs/zentor-window.png)' >/dev/null ||
  fail "README's picture is not docs/zentor-window.png"

# Width and height from the PNG header: four bytes each at offsets 16 and 20.
png_size() {
  [[ "$(od -A n -t x1 -N 8 "$1" | tr -d ' \n')" == "89504e470d0a1a0a" ]] || return 1
  echo "$((16#$(od -A n -t x1 -j 16 -N 4 "$1" | tr -d ' \n')))x$((16#$(od -A n -t x1 -j 20 -N 4 "$1" | tr -d ' \n')))"
}
kept=$(png_size "$source_dir/docs/zentor-window.png") || fail "docs/zentor-window.png is not a PNG file"

timeout 120 bash "$source_dir/scripts/window-picture.sh" "$build" "$scratch/window.png" >"$scratch/script.log" 2>&1 ||
  { cat "$scratch/script.log" >&2; fail "scripts/window-picture.sh failed"; }
made=$(png_size "$scratch/window.png") || fail "the script made no PNG file"
[[ "$made" == "$kept" ]] || fail "the script makes a picture of $made, docs/zentor-window.png is $kept"
echo "PASS"
