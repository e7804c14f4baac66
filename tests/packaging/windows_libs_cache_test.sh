#!/usr/bin/env bash
# scripts/build-qt-windows.sh decides from its cache alone: the folders lie under $XDG_CACHE_HOME/zentor and are
# named after the host's Qt and libpng versions; a folder counts as complete only with its marker, so one left
# by an interrupted build (files, no marker) is to build again; with both complete the script builds nothing
# and prints the Qt folder. Runs in a scratch cache, never the user's.
# Arguments: the source folder.
source "$(dirname "$0")/packaging_support.sh"
script=$1/scripts/build-qt-windows.sh
need_tools dpkg-query
export XDG_CACHE_HOME="$scratch/cache"

mapfile -t dirs < <(bash "$script" --print-dirs)
qt_version=$(dpkg-query -W -f='${Version}' qt6-base-dev | sed 's/^[0-9]*://; s/[+~-].*//')
[[ "${dirs[0]}" == "$XDG_CACHE_HOME/zentor/qt-$qt_version-mingw64" ]] || fail "Qt folder: ${dirs[0]}"
[[ "${dirs[1]}" == "$XDG_CACHE_HOME/zentor/libpng-"*"-mingw64" ]] || fail "libpng folder: ${dirs[1]}"
qt=${dirs[0]} png=${dirs[1]}

# status <expected exit> <expected lines...>
status() {
  local want=$1 got=0 out
  shift
  out=$(bash "$script" --status) || got=$?
  [[ "$got" == "$want" ]] || fail "--status ended with $got, expected $want: $out"
  [[ "$out" == "$(printf '%s\n' "$@")" ]] || fail "--status printed '$out'"
}

status 1 "to build $qt" "to build $png"
# An interrupted build: the install had begun, the marker was never written.
mkdir -p "$qt/lib/cmake/Qt6" "$png/lib"
touch "$qt/lib/cmake/Qt6/qt.toolchain.cmake" "$png/lib/libpng16.a"
status 1 "to build $qt" "to build $png"
touch "$qt/.zentor-complete"
status 1 "complete $qt" "to build $png"
touch "$png/.zentor-complete"
status 0 "complete $qt" "complete $png"

# Complete: nothing is fetched or built, the folders stay as they are, the Qt folder is printed last; the
# work folder of a build killed outright is removed.
mkdir -p "$XDG_CACHE_HOME/zentor/.work/build"
touch "$XDG_CACHE_HOME/zentor/.work/build/left.obj"
listing() { find "$qt" "$png" -printf '%p %T@\n' | sort; }
before=$(listing)
out=$(bash "$script" </dev/null) || fail "the script failed on a complete cache: $out"
[[ "$(tail -n 1 <<<"$out")" == "$qt" ]] || fail "the script printed '$out'"
[[ "$(listing)" == "$before" ]] ||
  fail "the complete cache was changed"
[[ -f "$qt/lib/cmake/Qt6/qt.toolchain.cmake" && -f "$png/lib/libpng16.a" ]] || fail "the cached files are gone"
[[ ! -e "$XDG_CACHE_HOME/zentor/.work" ]] || fail "the work folder of a killed build is still there"
echo "PASS"
