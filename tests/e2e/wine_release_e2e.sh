#!/usr/bin/env bash
# The Windows release as a Windows user gets it, under Wine: builds the window (Qt for Windows from its cache),
# its archive and its installer into the Windows build folder, then checks
#   - zentor.exe's resources read back from the file: the icon in all its sizes, the version information and
#     the manifest; every program and DLL of the archive stripped; the Windows style plugin in the archive;
#   - the installer, in a fresh Wine prefix without Tahoma (the program registers the wine fonts itself), on
#     a private Xvfb, with the simulated device as COM5: a silent install (/S); a start from the Start-menu
#     shortcut's target in its working folder %APPDATA%\Zentor, there a zentor.cfg in UTF-16 with a
#     byte-order mark (Notepad's "Unicode"), as a Windows user may have saved it; the style plugin loads;
#     Read reaches the device; after "Выход!" the file is still UTF-16 with one [COM] section and its speed;
#   - the archive's zentor.exe started in a working folder that takes no files: the settings go to
#     %APPDATA%\Zentor, and the captions look as they do when started from drive C: (the fonts are found
#     from any drive);
#   - the installed copy started in its own folder (as from Explorer) with an old zentor.cfg there: setup and
#     the uninstaller, silent, end with 2 while it runs and leave everything; its settings go to
#     %APPDATA%\Zentor, seeded from the old file; the archive's copy in a read-only folder with a zentor.cfg
#     takes that file's values; a named pipe as zentor.cfg neither hangs the start nor is replaced;
#   - the silent uninstall: nothing left but the settings file.
# Exits 77 (skipped) without Wine, Xvfb, xdotool, makensis or wrestool. Every wait is bounded.
# Arguments: the Windows build folder, zentor-sim, the screenshot program, the window description main_form.zfm.
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
win_build=$(realpath -m "$1")
simulator=$(realpath "$2")
ZX_SCREENSHOT=$(realpath "$3")
ZX_FORM=$(realpath "$4")
source "$source_dir/scripts/zentor-x11.sh"

for tool in wine wineserver winepath Xvfb xdotool unzip makensis wrestool icotool x86_64-w64-mingw32-objdump \
  x86_64-w64-mingw32-g++-posix; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done

readonly kRead="A5 96 00 D5 00 6B"
readonly kCom=5
readonly kReadOnlyFolder=/sys/kernel # takes no new files, not even from root
version=$(sed -n 's/^project(zentor VERSION \([0-9.]*\).*/\1/p' "$source_dir/CMakeLists.txt")
package=zentor-$version-win64
installer=$win_build/zentor-$version-win64-installer.exe

temp=$(mktemp -d)
line="$temp/line.txt"
sim_pid=""
program_pid=""
picture="${TMPDIR:-/tmp}/zentor-release-wine.png"
cleanup() {
  zx_stop "$program_pid"
  zx_stop "$sim_pid"
  [[ -z "${WINEPREFIX:-}" ]] || timeout 20 wineserver -k 2>/dev/null || true
  zx_stop "$ZX_XVFB_PID"
  chattr -i "$temp/read-only" 2>/dev/null || true
  rm -rf "$temp"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  [[ -n "$ZX_WINDOW" ]] && zx_shot "${TMPDIR:-/tmp}/wine_release_e2e-failure.png" >/dev/null &&
    echo "the window at the failure: ${TMPDIR:-/tmp}/wine_release_e2e-failure.png" >&2
  exit 1
}

build_release() {
  local qt png launcher=()
  qt=$(bash "$source_dir/scripts/build-qt-windows.sh" | tail -n 1) || fail "Qt for Windows could not be built"
  png=$(bash "$source_dir/scripts/build-qt-windows.sh" --print-dirs | tail -n 1)
  command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
  cmake -S "$source_dir" -B "$win_build" -DCMAKE_TOOLCHAIN_FILE="$qt/lib/cmake/Qt6/qt.toolchain.cmake" \
    -DQT_CHAINLOAD_TOOLCHAIN_FILE="$source_dir/cmake/mingw-w64-dll.cmake" -DZENTOR_WINDOWS_PNG_DIR="$png" \
    -DBUILD_TESTING=OFF "${launcher[@]}" >"$temp/configure.log" 2>&1 ||
    { tail -30 "$temp/configure.log" >&2; fail "the window's Windows build does not configure"; }
  cmake --build "$win_build" -j "$(nproc)" --target installer >"$temp/build.log" 2>&1 ||
    { grep -m5 -A10 'rror' "$temp/build.log" >&2 || tail -30 "$temp/build.log" >&2; fail "the installer does not build"; }
  (cd "$win_build" && rm -f "$package.zip" && cpack -G ZIP >"$temp/cpack.log" 2>&1) ||
    { cat "$temp/cpack.log" >&2; fail "cpack failed"; }
  unzip -q "$win_build/$package.zip" -d "$temp"
}

# The icon group holds the four drawn sizes in 32 bits; the version information names the product, its
# version and its makers; the manifest asks for the user's rights, the scale of each monitor as Qt
# expects, the current common controls and the Windows versions the program knows.
check_resources() {
  local exe=$temp/$package/zentor.exe sizes
  wrestool -x --type=14 "$exe" >"$temp/icon.ico" 2>/dev/null || fail "zentor.exe has no icon"
  sizes=$(icotool -l "$temp/icon.ico" | sed -n 's/.*--width=\([0-9]*\) .*--bit-depth=32 .*/\1/p' | sort -n | xargs)
  [[ "$sizes" == "16 32 48 72" ]] || fail "the icon's 32-bit sizes are '$sizes', not '16 32 48 72'"
  wrestool -x --raw --type=16 "$exe" >"$temp/version.bin" 2>/dev/null || fail "zentor.exe has no version information"
  /usr/bin/python3 - "$temp/version.bin" "$version" <<'PY' || fail "the version information is not right"
import struct, sys
data, version = open(sys.argv[1], "rb").read(), sys.argv[2]
fixed = data.find(struct.pack("<I", 0xFEEF04BD))
major, minor = (int(n) for n in version.split("."))
ok = fixed > 0 and struct.unpack_from("<I", data, fixed + 8)[0] == (major << 16 | minor)
text = data.decode("utf-16-le", "replace")
for key, value in (("ProductName", "Zentor Configurator"), ("FileDescription", "Zentor Configurator"),
                   ("CompanyName", "Zentor Configurator developers"), ("FileVersion", version),
                   ("ProductVersion", version), ("OriginalFilename", "zentor.exe")):
    start = text.find(key + "\0")
    found = start >= 0 and text[start + len(key):].lstrip("\0").startswith(value + "\0")
    if not found:
        print(f"the version information lacks {key} = {value}", file=sys.stderr)
    ok = ok and found
sys.exit(not ok)
PY
  wrestool -x --raw --type=24 --name=1 "$exe" >"$temp/manifest.xml" 2>/dev/null || fail "zentor.exe has no manifest"
  for want in 'level="asInvoker"' '>PerMonitorV2<' '>true/pm<' 'name="Microsoft.Windows.Common-Controls" version="6.0.0.0"' \
    '{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}'; do
    tr -s ' \n' ' ' <"$temp/manifest.xml" | grep -q -F "$want" || fail "the manifest lacks $want"
  done
}

# No program or DLL of the archive keeps a symbol table or debugging sections.
check_stripped() {
  local file
  [[ -f "$temp/$package/styles/qwindowsvistastyle.dll" ]] || fail "the archive lacks styles/qwindowsvistastyle.dll"
  while IFS= read -r -d '' file; do
    x86_64-w64-mingw32-objdump -h "$file" | grep -q ' \.debug_' && fail "${file#"$temp/"} has debugging sections"
    # The symbol count; a string table may stay behind, for section names longer than eight letters.
    /usr/bin/python3 -c 'import struct, sys; d = open(sys.argv[1], "rb").read(); pe = struct.unpack_from("<I", d, 0x3C)[0]; sys.exit(struct.unpack_from("<I", d, pe + 16)[0] != 0)' \
      "$file" || fail "${file#"$temp/"} keeps its symbol table"
  done < <(find "$temp/$package" \( -name '*.exe' -o -name '*.dll' \) -print0)
}

unix_path() { winepath -u "$1" 2>/dev/null | tr -d '\r'; }
windows_folder() { wine cmd /c echo "%$1%" 2>/dev/null </dev/null | tr -d '\r'; }

# A fresh prefix without Tahoma, with font smoothing on as Windows has it (without it Wine's GDI cuts the left
# of round letters in bold: "Выход!" reads "Зыхэд"), and the simulated device as COM<kCom>.
make_prefix() {
  export WINEPREFIX="$temp/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
  DISPLAY= timeout -k 5 180 wine wineboot -i >"$temp/wineboot.log" 2>&1 || fail "wineboot failed: $(tail "$temp/wineboot.log")"
  "$simulator" --com "$kCom" --value 0xFF --trace "$line" >"$temp/simulator.txt" 2>&1 &
  sim_pid=$!
  zx_wait 10 grep -qs /dev/pts/ "$temp/simulator.txt" || fail "the simulated device did not start"
  local pty
  pty=$(grep -o '/dev/pts/[0-9]*' "$temp/simulator.txt")
  ln -sfn "$pty" "$WINEPREFIX/dosdevices/com$kCom"
  printf 'REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software\\Wine\\Ports]\n"COM%s"="%s"\n' "$kCom" "$pty" >"$temp/ports.reg"
  printf '[HKEY_CURRENT_USER\\Control Panel\\Desktop]\n"FontSmoothing"="2"\n"FontSmoothingType"=dword:00000002\n' \
    >>"$temp/ports.reg"
  DISPLAY= timeout -k 5 60 wine regedit /S "$temp/ports.reg" || fail "cannot write the Wine ports key"
  timeout 20 wineserver -k || true
  timeout 20 wineserver -w || true
  # One server for the whole test, with its output discarded: a server that a program's Wine starts writes
  # a list of all its objects into the test's output when it is ended.
  timeout 20 wineserver -p >/dev/null 2>&1 || fail "the Wine server did not start"
}

# start_program <working folder> <program>: up to its visible window, with the DLLs it loads in the output.
start_program() {
  (cd "$1" && exec env WINEDEBUG=+loaddll wine "$2" >"$temp/zentor-output.txt" 2>&1) &
  program_pid=$!
  ZX_WINDOW=$(timeout 180 xdotool search --sync --onlyvisible --name 'Quarsa' 2>/dev/null | head -n 1) ||
    fail "the window did not appear: $(tail -20 "$temp/zentor-output.txt")"
  zx_park_pointer
  sleep 1 # the first paint of the window
}

quit_program() {
  zx_click BTN_Quit
  zx_wait 20 zx_gone "$program_pid" || fail "the window did not close"
  wait "$program_pid" || fail "zentor.exe ended with $?"
  program_pid=""
}

# The settings file as text, whatever its encoding: "utf-16" with its lines, or "bytes".
settings_text() {
  /usr/bin/python3 -c 'import sys; d = open(sys.argv[1], "rb").read(); u = d.startswith(b"\xff\xfe"); print("utf-16" if u else "bytes"); print((d[2:].decode("utf-16-le") if u else d.decode("cp1251")).replace("\r", ""))' "$1"
}

# The runs of ink (grey below 128) in the last column of a control, one "first-last" row pair each.
ink_runs_at_right_edge() {
  local x y w h row points=()
  read -r x y w h < <(zx_control_rect "$1") || return 1
  for ((row = y; row < y + h; row++)); do points+=(--pixel "$((x + w - 1)),$row"); done
  zx_shot - "${points[@]}" | /usr/bin/python3 -c '
import sys
dark = [int(c[1:3], 16) * 299 + int(c[3:5], 16) * 587 + int(c[5:7], 16) * 114 < 128000
        for c in (line.split()[1] for line in sys.stdin)]
print(sum(1 for i, d in enumerate(dark) if d and (i == 0 or not dark[i - 1])))'
}

# The rectangle "x,y,w,h" of a combo box's drop-down button, at its right end.
drop_down_button() {
  local x y w h
  read -r x y w h < <(zx_control_rect "$1") || return 1
  echo "$((x + w - 20)),$((y + 3)),17,$((h - 6))"
}

build_release
check_resources
check_stripped
mkdir -m 0700 "$temp/runtime"
export XDG_RUNTIME_DIR="$temp/runtime"
make_prefix
zx_start_xvfb "$temp" || fail "Xvfb did not start"

echo "silent install"
timeout -k 5 120 wine "$installer" /S </dev/null || fail "the installer ended with $?"
appdata=$(windows_folder APPDATA)
shortcut=$(unix_path "$appdata\\Microsoft\\Windows\\Start Menu\\Programs\\Zentor.lnk")
mapfile -t link < <(/usr/bin/python3 "$source_dir/tests/e2e/shelllink.py" "$shortcut" || true)
[[ ${#link[@]} -eq 2 ]] || fail "no shortcut in the Start menu ($shortcut)"
[[ "${link[0]}" == "$(windows_folder LOCALAPPDATA)\\Programs\\Zentor\\zentor.exe" ]] ||
  fail "the shortcut starts '${link[0]}'"
[[ "${link[1]}" == "$appdata\\Zentor" ]] || fail "the shortcut's working folder is '${link[1]}'"
settings_folder=$(unix_path "${link[1]}")
[[ -d "$settings_folder" ]] || fail "the installer did not make ${link[1]}"
install_folder=$(dirname "$(unix_path "${link[0]}")")
timeout 60 wine reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Zentor' /v UninstallString \
  >/dev/null 2>&1 </dev/null || fail "the uninstaller is not listed in Apps and features"

echo "start from the shortcut, with a zentor.cfg in UTF-16"
/usr/bin/python3 -c 'import sys; open(sys.argv[1], "wb").write("\ufeff[COM]\r\nCOM_port=5\r\nCOM_speed=19200\r\n".encode("utf-16-le"))' \
  "$settings_folder/zentor.cfg"
start_program "$settings_folder" "${link[0]}"
grep -q -i -E 'styles\\+qwindowsvistastyle\.dll' "$temp/zentor-output.txt" || fail "the Windows style plugin was not loaded"
speeds_button_styled=$(zx_digest "$(drop_down_button CB_ComSpeeds)")
caption_from_c=$(zx_digest Label4)
zx_shot "$picture" >/dev/null || fail "no screenshot"
echo "the installed window under Wine: $picture"
# "Скорость" fits its label: the bowl of its last letter closes inside it, so the label's last column holds
# at most one run of ink; a bowl cut open by the edge leaves two there, its top and bottom strokes.
runs=$(ink_runs_at_right_edge Label8) || fail "no ink measured on Label8"
((runs <= 1)) || fail "'Скорость' is cut at the right edge of its label ($runs runs of ink in its last column)"
zx_click BTN_OptionsRead
zx_wait 20 zx_traced "$line" "rx $kRead" || fail "Read did not reach the device on COM$kCom"
zx_wait 20 zx_traced "$line" "tx FF" || fail "the device did not answer"
sleep 1
quit_program
settings=$(settings_text "$settings_folder/zentor.cfg")
[[ "$(head -n 1 <<<"$settings")" == "utf-16" ]] || fail "zentor.cfg is no longer UTF-16: $settings"
[[ "$(grep -c -x '\[COM\]' <<<"$settings")" -eq 1 ]] || fail "zentor.cfg has other than one [COM] section: $settings"
grep -q -x "COM_speed=19200" <<<"$settings" || fail "the speed of the UTF-16 zentor.cfg was not read: $settings"

echo "start of the installed copy in its own folder, as Explorer does; setup and uninstall while it runs"
rm -f "$settings_folder/zentor.cfg"
# A settings file there, left by an earlier start, gives the first values of the one in %APPDATA%\Zentor.
printf '[COM]\r\nCOM_port=%s\r\nCOM_speed=38400\r\n' "$kCom" >"$install_folder/zentor.cfg"
start_program "$install_folder" "${link[0]}"
program_before=$(md5sum <"$install_folder/zentor.exe")
installer_status=0
timeout -k 5 60 wine "$installer" /S </dev/null || installer_status=$?
((installer_status == 2)) || fail "setup ended with $installer_status, not 2, over the running program"
uninstaller_status=0
timeout -k 5 60 wine "$(winepath -w "$install_folder/uninstall.exe" | tr -d '\r')" /S \
  "_?=$(winepath -w "$install_folder" | tr -d '\r')" </dev/null || uninstaller_status=$?
((uninstaller_status == 2)) || fail "the uninstaller ended with $uninstaller_status, not 2, while the program runs"
[[ "$(md5sum <"$install_folder/zentor.exe")" == "$program_before" ]] || fail "setup replaced the running zentor.exe"
for kept in uninstall.exe platforms styles; do
  [[ -e "$install_folder/$kept" ]] || fail "$kept was removed while the program runs"
done
[[ -e "$shortcut" ]] || fail "the shortcut was removed while the program runs"
timeout 60 wine reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Zentor' /v UninstallString \
  >/dev/null 2>&1 </dev/null || fail "the entry in Apps and features was removed while the program runs"
quit_program
grep -q -x $'COM_speed=38400\r\\?' "$settings_folder/zentor.cfg" 2>/dev/null ||
  fail "the installed copy started in its folder did not keep its settings in %APPDATA%\\Zentor"
[[ "$(cat "$install_folder/zentor.cfg")" == $'[COM]\r\nCOM_port=5\r\nCOM_speed=38400\r' ]] ||
  fail "the installed copy wrote a settings file into its own folder"
rm "$install_folder/zentor.cfg" "$settings_folder/zentor.cfg"

echo "start in a working folder that takes no files, with its zentor.cfg, without the style plugin"
mv "$temp/$package/styles" "$temp/styles-aside"
# The archive's copy set up in a folder of its own that has since become read-only: its settings
# go on in %APPDATA%\Zentor. Root writes anywhere unless the folder is immutable.
read_only_folder=$temp/read-only
mkdir "$read_only_folder"
printf '[COM]\r\nCOM_port=%s\r\nCOM_speed=57600\r\n' "$kCom" >"$read_only_folder/zentor.cfg"
if ((EUID != 0)); then chmod 0555 "$read_only_folder"; else chattr +i "$read_only_folder" 2>/dev/null || read_only_folder=""; fi
[[ -n "$read_only_folder" ]] || { echo "no immutable folders here: $kReadOnlyFolder without a settings file"; read_only_folder=$kReadOnlyFolder; }
start_program "$read_only_folder" "$temp/$package/zentor.exe"
! grep -q -i 'qwindowsvistastyle' "$temp/zentor-output.txt" || fail "a style plugin was loaded from elsewhere"
[[ "$(zx_digest "$(drop_down_button CB_ComSpeeds)")" != "$speeds_button_styled" ]] ||
  fail "the speed list's button looks the same without the Windows style plugin: the plugin draws nothing"
zx_shot "${picture%.png}-z.png" >/dev/null || fail "no screenshot"
echo "the window started from drive Z: ${picture%.png}-z.png"
[[ "$(zx_digest Label4)" == "$caption_from_c" ]] || fail "the caption 'COM' looks other from drive Z: than from drive C:"
quit_program
[[ -f "$settings_folder/zentor.cfg" ]] || fail "the settings did not go to %APPDATA%\\Zentor"
if [[ "$read_only_folder" != "$kReadOnlyFolder" ]]; then
  grep -q -x $'COM_speed=57600\r\\?' "$settings_folder/zentor.cfg" ||
    fail "the read-only folder's zentor.cfg was not read: $(cat "$settings_folder/zentor.cfg")"
  chattr -i "$read_only_folder" 2>/dev/null || chmod 0755 "$read_only_folder"
fi

echo "start in a folder where zentor.cfg is a named pipe"
mkdir "$temp/pipe-folder"
mkfifo "$temp/pipe-folder/zentor.cfg"
start_program "$temp/pipe-folder" "$temp/$package/zentor.exe"
quit_program
[[ -p "$temp/pipe-folder/zentor.cfg" && "$(ls -A "$temp/pipe-folder")" == "zentor.cfg" ]] ||
  fail "the named pipe zentor.cfg was replaced: $(ls -lA "$temp/pipe-folder")"

echo "start of an archive unpacked in part: without its platforms folder"
rm -r "$temp/$package/platforms"
(cd "$temp" && exec wine "$temp/$package/zentor.exe" >"$temp/zentor-output.txt" 2>&1) &
program_pid=$!
# xdotool matches names without regard to case, so the toolkit's box would be found too.
box=$(timeout 60 xdotool search --sync --onlyvisible --name '^Zentor$' 2>/dev/null | head -n 1) || true
[[ -n "$box" && "$(xdotool getwindowname "$box")" == "Zentor" ]] ||
  fail "no message box of the program's own about the missing folder (the toolkit's is titled 'zentor')"
zx_xdotool windowfocus --sync "$box" key Return || true
zx_wait 20 zx_gone "$program_pid" || fail "the program did not end after its message"
program_status=0
wait "$program_pid" || program_status=$?
program_pid=""
((program_status == 1)) || fail "the program ended with $program_status, not 1, without its platform plugin"

echo "silent uninstall"
timeout -k 5 60 wine "$(winepath -w "$install_folder/uninstall.exe" | tr -d '\r')" /S </dev/null ||
  fail "the uninstaller ended with $?"
zx_wait 30 test ! -e "$install_folder" || fail "the uninstaller left $(find "$install_folder" | head)"
[[ ! -e "$shortcut" ]] || fail "the uninstaller left the shortcut"
! timeout 60 wine reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Zentor' >/dev/null 2>&1 </dev/null ||
  fail "the uninstaller left its entry in Apps and features"
[[ "$(ls -A "$settings_folder")" == "zentor.cfg" ]] || fail "the settings folder holds: $(ls -A "$settings_folder")"
echo "PASS"
