#!/usr/bin/env bash
# zentor.exe under Wine, end to end: builds Qt for Windows into its cache when it is missing, cross-builds the
# window, packs zentor-<version>-win64.zip and runs zentor.exe from the unpacked archive in a scratch folder,
# in a fresh Wine prefix on a private Xvfb, against the simulated device linked into the prefix as COM5.
# Through the real window (xdotool at the positions of main_form.zfm): the missing port of the old
# "zentor.cfg" is replaced by COM5 and 19200 baud in the lists, Read sends the read frame and the answer 0xFF
# selects "Не стираем", Write sends it back, "Стираем" chosen in the list is written, and "Выход!" closes
# the window. Then "zentor.cfg" holds COM5 and 19200 with the hidden and system attributes (Wine's attrib), and
# a second start reads it back: Read goes to COM5 at once and closing keeps 19200. Leaves a screenshot of
# the window (printed). Exits 77 (skipped) without Wine, Xvfb or xdotool. Every wait is bounded.
# Arguments: the Windows build folder, zentor-sim, the screenshot program, the window description main_form.zfm.
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
win_build=$(realpath -m "$1")
simulator=$(realpath "$2")
ZX_SCREENSHOT=$(realpath "$3")
ZX_FORM=$(realpath "$4")
source "$source_dir/scripts/zentor-x11.sh"

for tool in wine wineserver Xvfb xdotool unzip x86_64-w64-mingw32-g++-posix; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done

readonly kRead="A5 96 00 D5 00 6B" kWriteKeep="A5 96 01 D5 FF 6B" kWriteErase="A5 96 01 D5 00 6C"
readonly kPanelStrip="10,117,40,20" # a strip of the window that only the progress panel covers
readonly kCom=5
# Wine as a Russian Windows, the program's own: Russian formats and code page 1251. The locale is compiled
# for the test (LOCPATH): Wine takes the code of the Linux file names from it, and without it in the C
# library would take them for ASCII and lose every other letter of a folder's name.
readonly kWineLocale=ru_RU.UTF-8
version=$(sed -n 's/^project(zentor VERSION \([0-9.]*\).*/\1/p' "$source_dir/CMakeLists.txt")
package=zentor-$version-win64

temp=$(mktemp -d)
work="$temp/рабочая папка" # a folder named outside ASCII, with a blank: the program's paths are Unicode
line="$temp/line.txt"
sim_pid=""
program_pid=""
picture="${TMPDIR:-/tmp}/zentor-window-wine.png"
cleanup() {
  zx_stop "$program_pid"
  zx_stop "$sim_pid"
  [[ -z "${WINEPREFIX:-}" ]] || timeout 20 wineserver -k 2>/dev/null || true
  zx_stop "$ZX_XVFB_PID"
  rm -rf "$temp"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  [[ -n "$ZX_WINDOW" ]] && zx_shot "${TMPDIR:-/tmp}/wine_window_e2e-failure.png" >/dev/null &&
    echo "the window at the failure: ${TMPDIR:-/tmp}/wine_window_e2e-failure.png" >&2
  echo "line:" >&2
  cat "$line" >&2 2>/dev/null || true
  exit 1
}

# Qt and libpng for Windows from the cache (built there first when missing), then the window, its folder
# and its archive.
build_package() {
  local qt png launcher=()
  qt=$(bash "$source_dir/scripts/build-qt-windows.sh" | tail -n 1) || fail "Qt for Windows could not be built"
  png=$(bash "$source_dir/scripts/build-qt-windows.sh" --print-dirs | tail -n 1)
  command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
  cmake -S "$source_dir" -B "$win_build" -DCMAKE_TOOLCHAIN_FILE="$qt/lib/cmake/Qt6/qt.toolchain.cmake" \
    -DQT_CHAINLOAD_TOOLCHAIN_FILE="$source_dir/cmake/mingw-w64-dll.cmake" -DZENTOR_WINDOWS_PNG_DIR="$png" \
    -DBUILD_TESTING=OFF "${launcher[@]}" >"$temp/configure.log" 2>&1 ||
    { tail -30 "$temp/configure.log" >&2; fail "the window's Windows build does not configure"; }
  cmake --build "$win_build" -j "$(nproc)" --target deploy >"$win_build/build.log" 2>&1 ||
    { grep -m5 -A10 'error' "$win_build/build.log" >&2 || tail -30 "$win_build/build.log" >&2; fail "zentor.exe does not build"; }
  (cd "$win_build" && rm -f "$package.zip" && cpack -G ZIP >"$temp/cpack.log" 2>&1) ||
    { cat "$temp/cpack.log" >&2; fail "cpack failed"; }
}

# The archive holds the program, the three Qt DLLs, the platform plugin and the compiler's runtime DLLs.
check_package() {
  local listed want
  listed=$(unzip -Z1 "$win_build/$package.zip") || fail "no $package.zip"
  for want in zentor.exe Qt6Core.dll Qt6Gui.dll Qt6Widgets.dll platforms/qwindows.dll libstdc++-6.dll \
    libgcc_s_seh-1.dll libwinpthread-1.dll LICENSE.txt; do
    grep -q -x -F "$package/$want" <<<"$listed" || fail "$package.zip lacks $want: $listed"
  done
  unzip -q "$win_build/$package.zip" -d "$temp"
  # A 64-bit program of the graphical subsystem (2): no console window opens beside it.
  /usr/bin/python3 -c 'import struct, sys; exe = open(sys.argv[1], "rb").read(); pe = struct.unpack_from("<I", exe, 0x3C)[0]; sys.exit(not (exe[pe:pe + 4] == b"PE\0\0" and struct.unpack_from("<H", exe, pe + 4)[0] == 0x8664 and struct.unpack_from("<H", exe, pe + 24 + 68)[0] == 2))' \
    "$temp/$package/zentor.exe" || fail "zentor.exe is not a 64-bit Windows program of the graphical subsystem"
}

# A fresh prefix with the simulated device as COM<kCom>: a dosdevices link opens the port, the Wine ports
# key lists it in the registry once the Wine server starts again.
make_prefix() {
  export WINEPREFIX="$temp/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  DISPLAY= LC_ALL=$kWineLocale timeout -k 5 180 wine wineboot -i >"$temp/wineboot.log" 2>&1 || fail "wineboot failed: $(tail "$temp/wineboot.log")"
  "$simulator" --com "$kCom" --value 0xFF --trace "$line" >"$temp/simulator.txt" 2>&1 &
  sim_pid=$!
  zx_wait 10 grep -qs /dev/pts/ "$temp/simulator.txt" || fail "the simulated device did not start"
  local pty
  pty=$(grep -o '/dev/pts/[0-9]*' "$temp/simulator.txt")
  ln -sfn "$pty" "$WINEPREFIX/dosdevices/com$kCom"
  printf 'REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software\\Wine\\Ports]\n"COM%s"="%s"\n' "$kCom" "$pty" >"$temp/ports.reg"
  DISPLAY= LC_ALL=$kWineLocale timeout -k 5 60 wine regedit /S "$temp/ports.reg" || fail "cannot write the Wine ports key"
  windows_desktop
  timeout 20 wineserver -k || true
  timeout 20 wineserver -w || true
}

# The prefix as a Windows desktop: Tahoma among the system's fonts (the free one of fonts-wine, which Wine
# itself does not list to programs), and font smoothing on, as Windows has it (Wine draws the small sizes of
# that Tahoma with pixels missing without it).
windows_desktop() {
  local font
  for font in tahoma.ttf tahomabd.ttf; do
    [[ -f "/usr/share/wine/fonts/$font" ]] && cp "/usr/share/wine/fonts/$font" "$WINEPREFIX/drive_c/windows/Fonts/"
  done
  printf 'REGEDIT4\n[HKEY_CURRENT_USER\\Control Panel\\Desktop]\n"FontSmoothing"="2"\n"FontSmoothingType"=dword:00000002\n' \
    >"$temp/desktop.reg"
  DISPLAY= LC_ALL=$kWineLocale timeout -k 5 60 wine regedit /S "$temp/desktop.reg" || fail "cannot set font smoothing"
}

# zentor.exe of the unpacked archive, in the working folder, up to its visible window.
start_program() {
  (cd "$work" && exec env LC_ALL=$kWineLocale wine "$temp/$package/zentor.exe" >"$temp/zentor-output.txt" 2>&1) &
  program_pid=$!
  # Found by its title: Wine may run the program in a process of its own, and the display is private.
  # A cold Wine (its server started anew) on a loaded machine has taken over a minute to show it.
  ZX_WINDOW=$(timeout 180 xdotool search --sync --onlyvisible --name 'Quarsa' 2>/dev/null | head -n 1) ||
    fail "the window did not appear: $(cat "$temp/zentor-output.txt")"
  zx_park_pointer
  sleep 1 # the first paint of the window
}

# "Выход!" (clicked at its place at the given display scale, 1 unless given) ends the program, with exit code 0.
quit_program() {
  local x y w h scale=${1:-1}
  read -r x y w h < <(zx_control_rect BTN_Quit)
  zx_xdotool mousemove --window "$ZX_WINDOW" "$(scaled $((x + w / 2)) "$scale")" "$(scaled $((y + h / 2)) "$scale")" click 1
  zx_wait 20 zx_gone "$program_pid" || fail "the window did not close"
  wait "$program_pid" || fail "zentor.exe ended with $?"
  program_pid=""
}

form_value() { sed -n "s/^  $1 = \([0-9]*\)\$/\1/p" "$ZX_FORM" | head -n 1; }

scaled() { awk -v v="$1" -v s="$2" 'BEGIN { printf "%d", v * s + 0.5 }'; }

# The window's size is the client size of its description at the given display scale, as on Linux.
check_client_size() {
  local scale=$1 want
  want="$(scaled "$(form_value ClientWidth)" "$scale") x $(scaled "$(form_value ClientHeight)" "$scale")"
  eval "$(zx_xdotool getwindowgeometry --shell "$ZX_WINDOW" | grep -E '^(WIDTH|HEIGHT)=')"
  [[ "$WIDTH x $HEIGHT" == "$want" ]] || fail "at scale $scale the window is $WIDTH x $HEIGHT, not $want"
}

# The display's dots per inch, as Windows' display settings keep them (96 is a scale of 1).
set_display_dpi() {
  DISPLAY= LC_ALL=$kWineLocale timeout -k 5 60 wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD \
    /d "$1" /f >/dev/null 2>&1 || fail "cannot set the display's dots per inch"
  timeout 20 wineserver -k || true
  timeout 20 wineserver -w || true
}

rx_lines() { grep '^rx' "$line" || true; }

build_package
check_package
export LOCPATH="$temp/locales"
mkdir "$LOCPATH"
localedef -i "${kWineLocale%.*}" -f "${kWineLocale#*.}" "$LOCPATH/$kWineLocale" >/dev/null 2>&1 ||
  fail "localedef cannot compile $kWineLocale (Debian package locales)"
mkdir "$work"
export XDG_RUNTIME_DIR="$temp/runtime"
mkdir -m 0700 "$XDG_RUNTIME_DIR"
make_prefix
zx_start_xvfb "$temp" || fail "Xvfb did not start"
printf '[COM]\r\nCOM_port=255\r\nCOM_speed=57600\r\n' >"$work/zentor.cfg"

echo "first start: the remembered port is missing"
start_program
check_client_size 1
ports_at_start=$(zx_digest CB_ComPorts)
speeds_at_start=$(zx_digest CB_ComSpeeds)
# Each list's choice is awaited before the next list is opened, so that no key goes to a list still open.
zx_click CB_ComPorts && sleep 1 && zx_xdotool type "$kCom" && zx_keys Return
zx_park_pointer
zx_wait 10 zx_looks_different CB_ComPorts "$ports_at_start" || fail "the port list did not change"
zx_click CB_ComSpeeds && sleep 1 && zx_keys Home Down Return
zx_park_pointer
zx_wait 10 zx_looks_different CB_ComSpeeds "$speeds_at_start" || fail "the speed list did not change"
idle=$(zx_digest "$kPanelStrip")
save_disabled=$(zx_digest BTN_OptionsSave)

echo "Read"
zx_click BTN_OptionsRead
zx_wait 20 zx_traced "$line" "rx $kRead" || fail "no read request on the line"
zx_wait 20 zx_traced "$line" "tx FF" || fail "the device did not answer"
zx_wait 20 zx_looks_different BTN_OptionsSave "$save_disabled" || fail "the write button stayed disabled"
zx_wait 20 zx_looks_same "$kPanelStrip" "$idle" || fail "the read did not end"

echo "Write after the read of FF"
zx_click BTN_OptionsSave
zx_wait 20 zx_traced "$line" "rx $kWriteKeep" || fail "no write of FF after the read of FF"
zx_wait 20 zx_traced "$line" "tx 0F" || fail "the device did not acknowledge"
zx_wait 20 zx_looks_same "$kPanelStrip" "$idle" || fail "the first write did not end"

echo "Стираем chosen in the mode list, then Write"
zx_park_pointer
mode_keep=$(zx_digest CB_OptionsErase)
zx_click CB_OptionsErase && sleep 1 && zx_keys Home Return
zx_park_pointer
zx_wait 10 zx_looks_different CB_OptionsErase "$mode_keep" || fail "the mode list did not change"
zx_click BTN_OptionsSave
zx_wait 20 zx_traced "$line" "rx $kWriteErase" || fail "no write of 00 after choosing Стираем"
zx_wait 20 zx_traced "$line" "tx 0F" 2 || fail "the device did not acknowledge the second write"
zx_wait 20 zx_looks_same "$kPanelStrip" "$idle" || fail "the second write did not end"
[[ "$(rx_lines)" == "$(printf 'rx %s\n' "$kRead" "$kWriteKeep" "$kWriteErase")" ]] ||
  fail "other bytes on the line than one read and two writes"
zx_park_pointer
zx_shot "$picture" >/dev/null || fail "no screenshot"
echo "the window under Wine: $picture"
quit_program

echo "zentor.cfg"
config=$(tr -d '\r' <"$work/zentor.cfg" 2>/dev/null) || fail "no zentor.cfg in the working folder"
grep -q -x "COM_port=$kCom" <<<"$config" || fail "zentor.cfg does not remember COM$kCom: $config"
grep -q -x "COM_speed=19200" <<<"$config" || fail "zentor.cfg does not remember 19200 baud: $config"
attributes=$(cd "$work" && LC_ALL=$kWineLocale timeout -k 5 60 wine attrib zentor.cfg </dev/null 2>/dev/null | tr -d '\r')
flags=${attributes%%[A-Za-z]:\\*}
[[ "$flags" == *H* && "$flags" == *S* ]] || fail "zentor.cfg is not hidden and system: '$attributes'"

echo "second start: the port and speed are read back"
start_program
zx_click BTN_OptionsRead
zx_wait 20 zx_traced "$line" "rx $kRead" 2 || fail "Read did not go to the remembered COM$kCom"
zx_wait 20 zx_looks_same "$kPanelStrip" "$idle" || fail "the read did not end"
quit_program
config=$(tr -d '\r' <"$work/zentor.cfg")
grep -q -x "COM_speed=19200" <<<"$config" || fail "the remembered speed did not come back: $config"

echo "third start at a display scale of 1.5 (144 dots per inch)"
set_display_dpi 144
start_program
check_client_size 1.5
zx_shot "${picture%.png}-150.png" >/dev/null || fail "no screenshot at scale 1.5"
echo "the window under Wine at scale 1.5: ${picture%.png}-150.png"
quit_program 1.5
echo "PASS"
