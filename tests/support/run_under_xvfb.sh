#!/usr/bin/env bash
# Runs the tests of a test program whose names match a GoogleTest filter on a private Xvfb, with Qt's xcb
# platform, so that xdotool's input takes the X server's real paths. Arguments: the program and the filter.
# ZENTOR_TEST_DISPLAY=<n> takes display :n instead of the first free one. Exits 77 (skipped) without Xvfb or
# xdotool.
set -euo pipefail
program=$(realpath "$1")
filter=$2
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/zentor-x11.sh"

for tool in Xvfb xdotool; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done

temp=$(mktemp -d)
trap 'zx_stop "$ZX_XVFB_PID"; rm -rf "$temp"' EXIT

if [[ -n "${ZENTOR_TEST_DISPLAY:-}" ]]; then
  [[ ! -e "/tmp/.X${ZENTOR_TEST_DISPLAY}-lock" ]] || { echo "display :$ZENTOR_TEST_DISPLAY is taken" >&2; exit 1; }
  Xvfb ":$ZENTOR_TEST_DISPLAY" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  ZX_XVFB_PID=$!
  export DISPLAY=":$ZENTOR_TEST_DISPLAY"
  zx_wait 10 xdotool getmouselocation >/dev/null 2>&1 || { echo "Xvfb did not start" >&2; exit 1; }
else
  zx_start_xvfb "$temp" || { echo "Xvfb did not start" >&2; exit 1; }
fi

QT_QPA_PLATFORM=xcb "$program" --gtest_filter="$filter"
