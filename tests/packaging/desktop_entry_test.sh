#!/usr/bin/env bash
# The menu entry passes desktop-file-validate, and a broken copy of it does not (so the check can fail).
# Argument: the menu entry.
source "$(dirname "$0")/packaging_support.sh"
entry=$1
need_tools desktop-file-validate

desktop-file-validate "$entry" || fail "$entry is not a valid menu entry"
sed 's/^Type=Application$/Type=Program/' "$entry" >"$scratch/broken.desktop"
! desktop-file-validate "$scratch/broken.desktop" >/dev/null 2>&1 || fail "desktop-file-validate passes a wrong Type"
echo "PASS"
