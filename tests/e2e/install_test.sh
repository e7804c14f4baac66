#!/usr/bin/env bash
# `cmake --install` of the build into a scratch DESTDIR under /usr puts the program, zentorctl, the simulated
# device, the menu entry, the icon in every drawn size, the manual pages, the bash completion and the
# copyright file in their usual places, and the installed programs run.
# Argument: the build folder.
set -euo pipefail
build=$1
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }

DESTDIR="$root" cmake --install "$build" --prefix /usr >/dev/null
usr="$root/usr"

for program in zentor zentorctl zentor-sim; do
  [[ -x "$usr/bin/$program" ]] || fail "bin/$program is missing or not executable"
  gzip -t "$usr/share/man/man1/$program.1.gz" 2>/dev/null || fail "the manual page $program.1.gz is missing"
done
"$usr/bin/zentor-sim" --help | grep -- '--trace' >/dev/null || fail "the installed zentor-sim does not run"
"$usr/bin/zentorctl" --help | grep '^usage: zentorctl' >/dev/null || fail "the installed zentorctl does not run"
grep -q '^complete -F _zentorctl zentorctl$' "$usr/share/bash-completion/completions/zentorctl" ||
  fail "the bash completion of zentorctl is missing"
for doc in zentor zentorctl; do
  grep -q '^License: Expat$' "$usr/share/doc/$doc/copyright" || fail "the copyright file of $doc is missing"
  [[ ! -e "$usr/share/doc/$doc/changelog.Debian.gz" ]] || fail "the Debian changelog belongs to the packages only"
done

entry="$usr/share/applications/zentor.desktop"
[[ -f "$entry" ]] || fail "share/applications/zentor.desktop is missing"
for line in '[Desktop Entry]' 'Type=Application' 'Exec=zentor --in-config-folder' 'Icon=zentor'; do
  grep -q -x -F "$line" "$entry" || fail "zentor.desktop lacks $line"
done

# Width and height from the PNG header: four bytes each at offsets 16 and 20.
png_size() {
  local width height
  [[ "$(od -A n -t x1 -N 8 "$1" | tr -d ' \n')" == "89504e470d0a1a0a" ]] || return 1
  width=$((16#$(od -A n -t x1 -j 16 -N 4 "$1" | tr -d ' \n')))
  height=$((16#$(od -A n -t x1 -j 20 -N 4 "$1" | tr -d ' \n')))
  echo "${width}x${height}"
}

for size in 16 32 48 72; do
  icon="$usr/share/icons/hicolor/${size}x${size}/apps/zentor.png"
  [[ -f "$icon" ]] || fail "the ${size}x${size} icon is missing"
  [[ "$(png_size "$icon")" == "${size}x${size}" ]] || fail "the ${size}x${size} icon is $(png_size "$icon" || echo 'no PNG')"
done
echo "PASS"
