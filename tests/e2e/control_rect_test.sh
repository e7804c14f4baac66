#!/usr/bin/env bash
# The positions at which the window's drivers click: each control's rectangle in the client area, read from
# the window description with the offsets of its parents.
# Argument: the window description main_form.zfm.
set -euo pipefail
ZX_FORM=$(realpath "$1")
source "$(dirname "$0")/../../scripts/zentor-x11.sh"

failures=0
while read -r control expected; do
  actual=$(zx_control_rect "$control" || echo "none")
  if [[ "$actual" != "$expected" ]]; then
    echo "FAIL: $control is at '$actual', expected '$expected'" >&2
    failures=$((failures + 1))
  fi
done <<'TABLE'
Panel1 0 0 543 204
BTN_Quit 425 8 112 40
BTN_OptionsRead 9 64 256 40
BTN_OptionsSave 281 64 256 40
CB_ComPorts 111 12 74 30
CB_ComSpeeds 304 14 81 27
CB_OptionsErase 86 155 121 24
PB_OptionsStatus 16 140 241 17
StatusBarMain 0 204 543 25
NoSuchControl none
TABLE
((failures == 0)) && echo "PASS"
