#!/usr/bin/env bash
# The two Debian packages built with CPack from the build tree: zentorctl (zentorctl and zentor-sim, no Qt)
# and zentor (the window, depending on zentorctl and fonts-wine). Their control fields, every file each holds
# with its owner and mode (and nothing else), no lintian error and no lintian warning beyond those kept
# below, Debian's hardening seen in the binaries, the license in the copyright files, a version that agrees
# with the window caption and the changelog, the programs of the unpacked packages running, and a second
# packing, from files with other times, that gives the same bytes.
# Arguments: the source folder, the build folder, cpack, the version, the Debian revision.
source "$(dirname "$0")/packaging_support.sh"
source_dir=$1 build=$2 cpack=$3 version=$4 revision=$5
need_tools dpkg-deb dpkg-shlibdeps dpkg-parsechangelog lintian desktop-file-validate readelf

export SOURCE_DATE_EPOCH=$(git -C "$source_dir" log -1 --format=%ct 2>/dev/null || echo 1700000000)
pack() {
  "$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$1" >"$scratch/cpack.log" 2>&1 ||
    { cat "$scratch/cpack.log" >&2; fail "cpack -G DEB failed"; }
}
pack "$scratch/out"
arch=$(dpkg --print-architecture)
ctl_package="$scratch/out/zentorctl_${version}-${revision}_$arch.deb"
window_package="$scratch/out/zentor_${version}-${revision}_$arch.deb"
for package in "$ctl_package" "$window_package"; do
  [[ -f "$package" ]] || fail "cpack made $(ls "$scratch/out"), not $(basename "$package")"
done

# Control fields.
field() { dpkg-deb --field "$1" "$2"; }
depends() { field "$1" Depends | tr ',' '\n' | awk '{ print $1 }'; }
for name in zentorctl zentor; do
  package="$scratch/out/${name}_${version}-${revision}_$arch.deb"
  [[ "$(field "$package" Package)" == "$name" ]] || fail "Package is $(field "$package" Package)"
  [[ "$(field "$package" Version)" == "$version-$revision" ]] || fail "Version is $(field "$package" Version)"
  [[ "$(field "$package" Section)" == "utils" ]] || fail "$name: Section is $(field "$package" Section)"
  [[ -z "$(field "$package" Recommends)" ]] || fail "$name recommends $(field "$package" Recommends)"
  description=$(field "$package" Description)
  (($(wc -l <<<"$description") >= 5)) || fail "$name: the long description is missing: $description"
  dpkg-deb --info "$package" | grep -E '^ Maintainer: .+ <.+@.+>$' >/dev/null || fail "$name: no maintainer with an address"
done
[[ "$(field "$window_package" Description | head -n 1)" == "reads and sets the erase mode of the Zentor key-copying device" ]] ||
  fail "the short description is \"$(field "$window_package" Description | head -n 1)\""
for dependency in libc6 libstdc++6 libpng16-16 libqt6core6 libqt6gui6 libqt6widgets6 zentorctl fonts-wine; do
  depends "$window_package" | grep -x -F "$dependency" >/dev/null || fail "zentor's Depends lacks $dependency: $(field "$window_package" Depends)"
done
field "$window_package" Depends | grep -q -F "zentorctl (= $version-$revision)" || fail "zentor depends on another zentorctl"
! depends "$window_package" | grep -x -F qt6-qpa-plugins >/dev/null || fail "zentor still depends on qt6-qpa-plugins"
depends "$ctl_package" | grep -x -F libc6 >/dev/null || fail "zentorctl's Depends lacks libc6"
! depends "$ctl_package" | grep -E '^(libqt|libx|libpng|fonts)' >/dev/null ||
  fail "zentorctl depends on Qt, X11, libpng or fonts: $(field "$ctl_package" Depends)"

# Every file and directory with its mode and owner; anything not listed here is a stray file.
contents() { dpkg-deb --contents "$1" | awk '{ print $1, $2, $6 }' | sort -k 3; }
directories() { for directory in "$@"; do echo "drwxr-xr-x root/root $directory/"; done; }
{
  directories ./usr ./usr/bin ./usr/share ./usr/share/bash-completion ./usr/share/bash-completion/completions \
    ./usr/share/doc ./usr/share/doc/zentorctl ./usr/share/man ./usr/share/man/man1
  for program in zentorctl zentor-sim; do
    echo "-rwxr-xr-x root/root ./usr/bin/$program"
    echo "-rw-r--r-- root/root ./usr/share/man/man1/$program.1.gz"
  done
  echo "-rw-r--r-- root/root ./usr/share/bash-completion/completions/zentorctl"
  echo "-rw-r--r-- root/root ./usr/share/doc/zentorctl/copyright"
  echo "-rw-r--r-- root/root ./usr/share/doc/zentorctl/changelog.Debian.gz"
} | sort -k 3 >"$scratch/expected-zentorctl"
{
  directories ./usr ./usr/bin ./usr/share ./usr/share/applications ./usr/share/doc ./usr/share/doc/zentor \
    ./usr/share/icons ./usr/share/icons/hicolor ./usr/share/man ./usr/share/man/man1
  for size in 16 32 48 72; do
    directories "./usr/share/icons/hicolor/${size}x${size}" "./usr/share/icons/hicolor/${size}x${size}/apps"
    echo "-rw-r--r-- root/root ./usr/share/icons/hicolor/${size}x${size}/apps/zentor.png"
  done
  echo "-rwxr-xr-x root/root ./usr/bin/zentor"
  echo "-rw-r--r-- root/root ./usr/share/man/man1/zentor.1.gz"
  echo "-rw-r--r-- root/root ./usr/share/applications/zentor.desktop"
  echo "-rw-r--r-- root/root ./usr/share/doc/zentor/copyright"
  echo "-rw-r--r-- root/root ./usr/share/doc/zentor/changelog.Debian.gz"
} | sort -k 3 >"$scratch/expected-zentor"
contents "$ctl_package" >"$scratch/contents-zentorctl"
contents "$window_package" >"$scratch/contents-zentor"
for name in zentorctl zentor; do
  diff -u "$scratch/expected-$name" "$scratch/contents-$name" >&2 ||
    fail "the files of $name differ from the list (- expected, + found)"
done

# lintian: no error; a warning only when it is one of these, kept on purpose.
#   initial-upload-closes-no-bugs: the first changelog entry closes no Debian bug (an "intent to package");
#     the package is built by the project, not uploaded to Debian.
allowed_warnings='initial-upload-closes-no-bugs'
lintian --tag-display-limit 0 "$ctl_package" "$window_package" >"$scratch/lintian.txt" 2>&1 || true
cat "$scratch/lintian.txt"
! grep -q '^E: ' "$scratch/lintian.txt" || fail "lintian reports errors"
while read -r tag; do
  grep -q -w -F -- "$tag" <<<"$allowed_warnings" || fail "lintian warns: $tag"
done < <(awk '$1 == "W:" { print $3 }' "$scratch/lintian.txt" | sort -u)
! grep -q 'hardening' "$scratch/lintian.txt" || fail "lintian names missing hardening"

# The unpacked packages.
root="$scratch/root"
dpkg-deb -x "$ctl_package" "$root"
dpkg-deb -x "$window_package" "$root"
"$root/usr/bin/zentorctl" --help | grep '^usage: zentorctl ports' >/dev/null || fail "the packaged zentorctl --help"
"$root/usr/bin/zentor-sim" --help | grep -- '--trace' >/dev/null || fail "the packaged zentor-sim --help"
"$root/usr/bin/zentor" --version | grep -x "zentor $version" >/dev/null || fail "the packaged zentor --version"
for program in zentor zentorctl zentor-sim; do
  binary="$root/usr/bin/$program"
  ! ldd "$binary" | grep 'not found' >/dev/null || fail "$program lacks libraries: $(ldd "$binary")"
  ! readelf -S "$binary" | grep -F '.debug_info' >/dev/null || fail "$program is not stripped"
  # Debian's hardening: position independent, relro bound at start, stack protector, FORTIFY_SOURCE.
  # (Read whole before grep -q, which would end the pipe early.)
  header=$(readelf -h "$binary") segments=$(readelf -l "$binary") dynamic=$(readelf -d "$binary")
  symbols=$(readelf --dyn-syms -W "$binary")
  grep -q 'Type: *DYN' <<<"$header" || fail "$program is not position independent"
  grep -q 'GNU_RELRO' <<<"$segments" || fail "$program has no relro segment"
  grep -q -E 'BIND_NOW|FLAGS_1.*NOW' <<<"$dynamic" || fail "$program is not bound at start (BIND_NOW)"
  grep -q '__stack_chk_fail' <<<"$symbols" || fail "$program has no stack protector"
  grep -q -E '__[a-z_]+_chk@' <<<"$symbols" || fail "$program has no fortified functions"
done
for program in zentorctl zentor-sim; do
  ! ldd "$root/usr/bin/$program" | grep -E 'libQt|libX|libxcb' >/dev/null || fail "$program links Qt or X11"
done
desktop-file-validate "$root/usr/share/applications/zentor.desktop" || fail "the packaged menu entry is not valid"

# The copyright files state the license of LICENSE, word for word.
license_words() { tr -s ' \n.' '\n\n\n' | grep -v '^$'; }
for name in zentorctl zentor; do
  copyright="$root/usr/share/doc/$name/copyright"
  grep -q -x 'License: Expat' "$copyright" || fail "the copyright file of $name names no Expat (MIT) license"
  diff <(sed -n '/^Permission/,$p' "$source_dir/LICENSE" | license_words) \
    <(sed -n '/^ Permission/,$p' "$copyright" | license_words) >&2 || fail "the copyright file's license text is not LICENSE's"
  grep -q -x "Copyright: $(sed -n 's/^Copyright (c) //p' "$source_dir/LICENSE")" "$copyright" ||
    fail "the copyright file's holder is not LICENSE's"
done

# One version everywhere: the window caption, the changelog, the package.
grep -q "версия $version'$" "$source_dir/app/main_form.zfm" || fail "the window caption does not say version $version"
changelog_version=$(gzip -dc "$root/usr/share/doc/zentor/changelog.Debian.gz" | dpkg-parsechangelog -l - -S Version)
[[ "$changelog_version" == "$version-$revision" ]] || fail "the changelog's last entry is $changelog_version"

# Reproducible: packed again a second later from files with new times, the packages are the same bytes.
sleep 1
touch "$build/packaging/man/"*.gz "$build/packaging/copyright"
pack "$scratch/again"
for package in "$ctl_package" "$window_package"; do
  cmp "$package" "$scratch/again/$(basename "$package")" >&2 || fail "$(basename "$package") differs when packed again"
done
echo "PASS"
