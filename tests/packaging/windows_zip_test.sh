#!/usr/bin/env bash
# The Windows cross build packs zentorctl.exe: `cpack -G ZIP` in the cross build folder makes
# zentorctl-<version>-win64.zip holding, in one folder of that name, a 64-bit Windows zentorctl.exe, a README
# with Windows line ends that names the version and every exit code of zentorctl's usage text, and the license.
# Arguments: the source folder, the cross build folder, cpack, the version, the native zentorctl.
source "$(dirname "$0")/packaging_support.sh"
source_dir=$1 win_build=$2 cpack=$3 version=$4 zentorctl=$5
need_tools x86_64-w64-mingw32-g++-posix python3

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
cmake -S "$source_dir" -B "$win_build" -DCMAKE_TOOLCHAIN_FILE="$source_dir/cmake/mingw-w64.cmake" "${launcher[@]}" \
  >"$scratch/configure.log" 2>&1 || { cat "$scratch/configure.log" >&2; fail "the cross build does not configure"; }
cmake --build "$win_build" -j "$(nproc)" --target zentorctl >"$scratch/build.log" 2>&1 ||
  { tail -40 "$scratch/build.log" >&2; fail "the cross build of zentorctl failed"; }
"$cpack" -G ZIP --config "$win_build/CPackConfig.cmake" -B "$scratch/out" >"$scratch/cpack.log" 2>&1 ||
  { cat "$scratch/cpack.log" >&2; fail "cpack -G ZIP failed"; }
name="zentorctl-$version-win64"
[[ -f "$scratch/out/$name.zip" ]] || fail "cpack made $(ls "$scratch/out"), not $name.zip"

# Prints the names in the archive, sorted; then checks each member and prints what is wrong with it.
/usr/bin/python3 - "$scratch/out/$name.zip" "$name" >"$scratch/zip-check.txt" <<'PY'
import struct, sys, zipfile
archive, folder = zipfile.ZipFile(sys.argv[1]), sys.argv[2]
print("\n".join(sorted(n for n in archive.namelist() if not n.endswith("/"))))
exe = archive.read(folder + "/zentorctl.exe")
pe = struct.unpack_from("<I", exe, 0x3C)[0]
if exe[:2] != b"MZ" or exe[pe:pe + 4] != b"PE\0\0" or struct.unpack_from("<H", exe, pe + 4)[0] != 0x8664:
    print("problem: zentorctl.exe is not a 64-bit Windows program")
for text in ("README.txt", "LICENSE.txt"):
    data = archive.read(folder + "/" + text)
    if data.count(b"\n") != data.count(b"\r\n") or not data.endswith(b"\r\n"):
        print("problem: " + text + " has other line ends than CR LF")
open(sys.argv[1] + ".README.txt", "wb").write(archive.read(folder + "/README.txt").replace(b"\r\n", b"\n"))
PY
expected="$name/LICENSE.txt
$name/README.txt
$name/zentorctl.exe"
[[ "$(grep -v '^problem: ' "$scratch/zip-check.txt")" == "$expected" ]] ||
  fail "the archive holds: $(cat "$scratch/zip-check.txt")"
! grep '^problem: ' "$scratch/zip-check.txt" >&2 || fail "the archive's files are not right"

readme="$scratch/out/$name.zip.README.txt"
head -n 1 "$readme" | grep -F "zentorctl $version for Windows" >/dev/null || fail "the README does not name version $version"
for code in $("$zentorctl" --help | usage_exit_codes); do
  grep -q -E "^    $code +[a-z]" "$readme" || fail "the README lacks the exit code $code"
done
echo "PASS"
