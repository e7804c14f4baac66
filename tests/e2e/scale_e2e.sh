#!/usr/bin/env bash
# The built zentor at a display scale (QT_SCALE_FACTOR, as a laptop at 200% gets it) under Xvfb: the captions
# of the three picture buttons are drawn at their size, in proportion to the scale, and each is one run of
# letters, with no gap wider than a blank of its font between them. Leaves a screenshot of the window beside
# the test's temporary files (printed). Exits 77 (skipped) without Xvfb or xdotool. Every wait is bounded.
# Arguments: zentor, zentor-sim, the screenshot program, the window description main_form.zfm, the scale.
readonly scale=$5
export ZX_SCREEN=1600x1000x24 # the window at twice its size fits
source "$(dirname "$0")/e2e_support.sh"

# Each picture button and its font's height in pixels.
readonly kCaptions="BTN_Quit 16
BTN_OptionsRead 13
BTN_OptionsSave 13"
readonly kPictureEdge=38 # the picture (32 pixels at 4) and its margin
readonly kFrame=4        # the button's frame and bevel

scaled() { awk -v v="$1" -v s="$scale" 'BEGIN { printf "%d", v * s + 0.5 }'; }

# "x,y,w,h" of a button's caption area in window pixels: the button less its frame and its picture.
caption_area() {
  local x y w h
  read -r x y w h < <(zx_control_rect "$1")
  echo "$(scaled $((x + kPictureEdge))),$(scaled $((y + kFrame))),$(scaled $((w - kPictureEdge - kFrame))),$(scaled $((h - 2 * kFrame)))"
}

printf '[COM]\nCOM_port=9\nCOM_speed=9600\n' >"$work/zentor.cfg"
e2e_start_simulator --com 9
QT_SCALE_FACTOR=$scale e2e_start_program
zx_park_pointer
picture="${TMPDIR:-/tmp}/zentor-scale-$scale.png"
sleep 0.5
while read -r control pixels; do
  read -r _ _ height gap < <(zx_shot "$picture" --ink "$(caption_area "$control")") || fail "no picture of $control"
  # From the capitals' tops to the descenders' ends a caption stands 0.6 to 1.1 of its font's height; a blank
  # is a third of it, and the letters beside it leave up to 2 pixels more each.
  min=$(awk -v p="$pixels" -v s="$scale" 'BEGIN { printf "%d", 0.6 * p * s }')
  max=$(awk -v p="$pixels" -v s="$scale" 'BEGIN { printf "%d", 1.1 * p * s + 1 }')
  widest=$(awk -v p="$pixels" -v s="$scale" 'BEGIN { printf "%d", (p / 3 + 4) * s }')
  echo "$control: caption $height pixels high (font $pixels at scale $scale), widest gap $gap"
  ((height >= min && height <= max)) || fail "$control's caption is $height pixels high, not $min to $max"
  ((gap <= widest)) || fail "$control's caption has a gap of $gap pixels between its letters (at most $widest)"
done <<<"$kCaptions"
echo "the window at scale $scale: $picture"

# "Выход!", clicked where the scaled window shows it.
read -r x y w h < <(zx_control_rect BTN_Quit)
zx_xdotool mousemove --window "$ZX_WINDOW" "$(scaled $((x + w / 2)))" "$(scaled $((y + h / 2)))" click 1
zx_wait 10 zx_gone "$program_pid" || fail "the window did not close"
wait "$program_pid" || fail "zentor ended with $?"
program_pid=""
echo "PASS"
