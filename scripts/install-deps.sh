#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need; does nothing when all are present.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  qt6-base-dev libgl-dev
  libpng-dev zlib1g-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth xdotool
  at-spi2-core python3-pyatspi dbus-x11  # the accessibility tree as a screen reader reads it, on a private bus
  locales                       # locale sources: a test compiles ru_RU with localedef
  fonts-wine fonts-dejavu-core fonts-liberation
  clang-14 libclang-rt-14-dev   # the fuzz targets: clang and its libFuzzer runtime
  g++-mingw-w64-x86-64-posix    # the Windows cross build (posix threads for std::thread)
  ninja-build libz-mingw-w64-dev unzip  # Qt and libpng for Windows (scripts/build-qt-windows.sh); the zip's check
  wine wine64                   # runs the cross-built tests; amd64 only
  dpkg-dev lintian desktop-file-utils   # the Debian package: dpkg-shlibdeps, its checks, the menu entry's
  groff man-db bash-completion          # the manual pages' checks; the completion's loader
  procps                        # pgrep: the Wine tests signal the program under timeout
  icoutils nsis                 # zentor.exe's icon (icotool) and its check (wrestool); the Windows installer
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}"
