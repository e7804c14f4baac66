#!/usr/bin/env bash
# Builds the Windows libraries of the window from Debian's own sources with mingw-w64 and keeps them in a
# cache folder, so that later runs only check it:
#   qtbase (the version of the host's qt6-base-dev) in ${XDG_CACHE_HOME:-~/.cache}/zentor/qt-<version>-mingw64
#   libpng (the version of the host's libpng-dev)   in ${XDG_CACHE_HOME:-~/.cache}/zentor/libpng-<version>-mingw64
# A folder counts as complete only with the marker written after its install; one without the marker is
# left from an interrupted run and is built again. Prints the Qt folder on its last line.
# usage: scripts/build-qt-windows.sh [--print-dirs | --status]
#   --print-dirs  only prints the two folders
#   --status      only prints "complete <folder>" or "to build <folder>" for each; status 1 when one is to build
set -euo pipefail

source_dir=$(cd "$(dirname "$0")/.." && pwd)
cache_root=${XDG_CACHE_HOME:-$HOME/.cache}/zentor
marker=.zentor-complete
jobs=${JOBS:-$(nproc)}

upstream_version() { dpkg-query -W -f='${Version}' "$1" | sed 's/^[0-9]*://; s/[+~-].*//'; }
qt_version=$(upstream_version qt6-base-dev)
png_version=$(upstream_version libpng-dev)
qt_dir=$cache_root/qt-$qt_version-mingw64
png_dir=$cache_root/libpng-$png_version-mingw64

complete() { [ -f "$1/$marker" ]; }

case "${1:-}" in
  --print-dirs)
    printf '%s\n' "$qt_dir" "$png_dir"
    exit 0
    ;;
  --status)
    status=0
    for dir in "$qt_dir" "$png_dir"; do
      if complete "$dir"; then echo "complete $dir"; else echo "to build $dir"; status=1; fi
    done
    exit $status
    ;;
  "") ;;
  *) echo "usage: $0 [--print-dirs | --status]" >&2; exit 2 ;;
esac

say() { echo "build-qt-windows: $*" >&2; }
source "$source_dir/scripts/build-progress.sh"

# run_with_progress <label> <log> <command...>: runs the command with its output appended to the log, showing
# its progress on the terminal meanwhile; returns the command's status.
run_with_progress() {
  local label=$1 log=$2 pid status=0
  shift 2
  "$@" >> "$log" 2>&1 &
  pid=$!
  build_progress "$label" "$log" "$pid"
  wait "$pid" || status=$?
  return $status
}
die() { say "$*"; exit 1; }

for tool in cmake ninja x86_64-w64-mingw32-g++-posix dpkg-source apt-get; do
  command -v "$tool" > /dev/null || die "$tool is missing: run scripts/install-deps.sh"
done
[ -d /usr/x86_64-w64-mingw32/include ] && [ -f /usr/x86_64-w64-mingw32/lib/libz.a ] ||
  die "the mingw zlib is missing: run scripts/install-deps.sh"

mkdir -p "$cache_root"
# One builder at a time; a second run waits, then finds the folders complete.
exec 9> "$cache_root/.build.lock"
flock 9

sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)

# apt finds source packages only with a deb-src entry: one is made from the system's own entries, the same
# servers and suites with Types deb-src, and the package lists are read again.
ensure_source_entries() {
  apt-cache showsrc qt6-base 2> /dev/null | grep -q '^Package: qt6-base' && return 0
  local system=/etc/apt/sources.list.d/debian.sources ours=/etc/apt/sources.list.d/zentor-deb-src.sources
  [ -f "$system" ] || die "no $system to make a deb-src entry from"
  sed -n 's/^Types:.*/Types: deb-src/p; /^\(URIs\|Suites\|Components\|Signed-By\):/p; /^$/p' "$system" |
    "${sudo_cmd[@]}" tee "$ours" > /dev/null
  say "added $ours; reading the package lists"
  "${sudo_cmd[@]}" apt-get update -qq
}

# download_source <source package> <folder>: the newest version that a server has; a mirror may lack the
# newest of them (a security update, for one), so each version apt knows is tried, newest first.
download_source() {
  local version
  for version in $(apt-cache showsrc "$1" | sed -n 's/^Version: //p' | sort -r -V); do
    (cd "$2" && apt-get source --download-only -qq "$1=$version" > /dev/null 2>&1) && return 0
    rm -f "$2/$1"_*
  done
  die "cannot download the source of $1"
}

# fetch_source <source package> <folder>: downloads the package's source into the folder and unpacks it with
# Debian's patches; prints the unpacked tree.
fetch_source() {
  download_source "$1" "$2"
  local dsc
  dsc=$(ls "$2"/"$1"_*.dsc)
  dpkg-source --no-check -x "$dsc" "$2/src" > /dev/null 2>&1 || die "cannot unpack $dsc"
  rm -f "$2"/*.tar.* "$2"/*.dsc
  echo "$2/src"
}

toolchain=$source_dir/cmake/mingw-w64-dll.cmake
# The sources and the build tree, in the cache's own folder: removed after each build, and at the start of
# every run, so that a build killed outright (no trap runs then) leaves nothing behind for long.
work=$cache_root/.work
rm -rf "$work"
trap 'rm -rf "$work"' EXIT

# build_qt: qtbase's Core, Gui, Widgets and the Windows platform plugin, with the host's moc, rcc and uic.
build_qt() {
  local src
  src=$(fetch_source qt6-base "$work")
  say "configuring qtbase $qt_version (log: $work/qt.log)"
  run_with_progress "build-qt-windows: configuring qtbase" "$work/qt.log" cmake -S "$src" -B "$work/build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$qt_dir" \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF \
    -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_dbus=OFF -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF \
    -DFEATURE_printsupport=OFF -DFEATURE_vulkan=OFF \
    -DFEATURE_opengl=ON -DFEATURE_opengl_desktop=ON -DFEATURE_opengl_dynamic=OFF \
    -DFEATURE_tabletevent=OFF \
    -DFEATURE_system_zlib=OFF -DFEATURE_system_png=OFF -DFEATURE_system_jpeg=OFF -DFEATURE_system_pcre2=OFF \
    -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_freetype=OFF -DFEATURE_system_doubleconversion=OFF ||
    { tail -40 "$work/qt.log" >&2; die "qtbase does not configure"; }
  say "building qtbase with $jobs jobs, once for this machine (about 30 min on two cores); progress every 30 s"
  run_with_progress "build-qt-windows: qtbase" "$work/qt.log" cmake --build "$work/build" --parallel "$jobs" ||
    { grep -B2 -A12 -m3 'FAILED:' "$work/qt.log" >&2 || tail -40 "$work/qt.log" >&2; die "qtbase does not build"; }
  cmake --install "$work/build" >> "$work/qt.log" 2>&1 || { tail -20 "$work/qt.log" >&2; die "qtbase does not install"; }
}

# build_png: libpng as a static library over the mingw zlib, as the project's PNG layer uses it directly.
build_png() {
  local src
  src=$(fetch_source libpng1.6 "$work")
  say "building libpng $png_version"
  cmake -S "$src" -B "$work/build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$png_dir" \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF \
    -DSKIP_INSTALL_PROGRAMS=ON -DSKIP_INSTALL_FILES=ON > "$work/png.log" 2>&1 &&
    cmake --build "$work/build" --parallel "$jobs" >> "$work/png.log" 2>&1 &&
    cmake --install "$work/build" >> "$work/png.log" 2>&1 || { tail -40 "$work/png.log" >&2; die "libpng does not build"; }
}

# ensure <folder> <builder>: builds into the folder unless its marker is there; a folder without the marker is
# removed first, so an interrupted install never counts as complete.
ensure() {
  local dir=$1 builder=$2 started=$SECONDS
  complete "$dir" && return 0
  ensure_source_entries
  rm -rf "$dir"
  mkdir "$work"
  "$builder"
  rm -rf "$work"
  echo "built in $((SECONDS - started)) s on $(date -u +%FT%TZ)" > "$dir/$marker"
  say "$dir is complete ($((SECONDS - started)) s, $(du -sh "$dir" | cut -f1))"
}

ensure "$qt_dir" build_qt
ensure "$png_dir" build_png
echo "$qt_dir"
