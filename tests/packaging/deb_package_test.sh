#!/usr/bin/env bash
# The Debian package built with CPack from the build tree: its control fields, every file it holds with its
# owner and mode (and nothing else), no lintian error and no lintian warning beyond those kept below, the
# license in the copyright file, a version that agrees with the window caption and the changelog, and the
# programs of the unpacked package running.
# Arguments: the source folder, the build folder, cpack, the version, the Debian revision.
source "$(dirname "$0")/packaging_support.sh"
source_dir=$1 build=$2 cpack=$3 version=$4 revision=$5
need_tools dpkg-deb dpkg-shlibdeps dpkg-parsechangelog lintian desktop-file-validate readelf

"$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$scratch/out" >"$scratch/cpack.log" 2>&1 ||
  { cat "$scratch/cpack.log" >&2; fail "cpack -G DEB failed"; }
package="$scratch/out/zentor_${version}-${revision}_$(dpkg --print-architecture).deb"
[[ -f "$package" ]] || fail "cpack made $(ls "$scratch/out"), not $(basename "$package")"

# Control fields.
field() { dpkg-deb --field "$package" "$1"; }
[[ "$(field Package)" == "zentor" ]] || fail "Package is $(field Package)"
[[ "$(field Version)" == "$version-$revision" ]] || fail "Version is $(field Version)"
[[ "$(field Section)" == "utils" ]] || fail "Section is $(field Section)"
[[ "$(field Recommends)" == "fonts-wine" ]] || fail "Recommends is $(field Recommends)"
for dependency in libc6 libstdc++6 libpng16-16 libqt6core6 libqt6gui6 libqt6widgets6 qt6-qpa-plugins; do
  field Depends | tr ',' '\n' | awk '{ print $1 }' | grep -x -F "$dependency" >/dev/null || fail "Depends lacks $dependency: $(field Depends)"
done
description=$(field Description)
[[ "$(head -n 1 <<<"$description")" == "reads and sets the erase mode of the Zentor key-copying device" ]] ||
  fail "the short description is \"$(head -n 1 <<<"$description")\""
(($(wc -l <<<"$description") >= 5)) || fail "the long description is missing: $description"
dpkg-deb --info "$package" | grep -E '^ Maintainer: .+ <.+@.+>$' >/dev/null || fail "no maintainer with an address"

# Every file and directory with its mode and owner; anything not listed here is a stray file.
dpkg-deb --contents "$package" | awk '{ print $1, $2, $6 }' | sort -k 3 >"$scratch/contents"
{
  for directory in ./usr ./usr/bin ./usr/share ./usr/share/applications ./usr/share/bash-completion \
    ./usr/share/bash-completion/completions ./usr/share/doc ./usr/share/doc/zentor ./usr/share/icons \
    ./usr/share/icons/hicolor ./usr/share/man ./usr/share/man/man1; do
    echo "drwxr-xr-x root/root $directory/"
  done
  for size in 16 32 48 72; do
    echo "drwxr-xr-x root/root ./usr/share/icons/hicolor/${size}x${size}/"
    echo "drwxr-xr-x root/root ./usr/share/icons/hicolor/${size}x${size}/apps/"
    echo "-rw-r--r-- root/root ./usr/share/icons/hicolor/${size}x${size}/apps/zentor.png"
  done
  for program in zentor zentorctl zentor-sim; do
    echo "-rwxr-xr-x root/root ./usr/bin/$program"
    echo "-rw-r--r-- root/root ./usr/share/man/man1/$program.1.gz"
  done
  echo "-rw-r--r-- root/root ./usr/share/applications/zentor.desktop"
  echo "-rw-r--r-- root/root ./usr/share/bash-completion/completions/zentorctl"
  echo "-rw-r--r-- root/root ./usr/share/doc/zentor/copyright"
  echo "-rw-r--r-- root/root ./usr/share/doc/zentor/changelog.Debian.gz"
} | sort -k 3 >"$scratch/expected"
diff -u "$scratch/expected" "$scratch/contents" >&2 || fail "the package's files differ from the list (- expected, + found)"

# lintian: no error; a warning only when it is one of these, kept on purpose.
#   initial-upload-closes-no-bugs: the first changelog entry closes no Debian bug (an "intent to package");
#     the package is built by the project, not uploaded to Debian.
allowed_warnings='initial-upload-closes-no-bugs'
lintian --tag-display-limit 0 "$package" >"$scratch/lintian.txt" 2>&1 || true
cat "$scratch/lintian.txt"
! grep -q '^E: ' "$scratch/lintian.txt" || fail "lintian reports errors"
while read -r tag; do
  grep -q -w -F -- "$tag" <<<"$allowed_warnings" || fail "lintian warns: $tag"
done < <(awk '$1 == "W:" { print $3 }' "$scratch/lintian.txt" | sort -u)

# The unpacked package.
root="$scratch/root"
dpkg-deb -x "$package" "$root"
"$root/usr/bin/zentorctl" --help | grep '^usage: zentorctl ports' >/dev/null || fail "the packaged zentorctl --help"
"$root/usr/bin/zentor-sim" --help | grep -- '--trace' >/dev/null || fail "the packaged zentor-sim --help"
for program in zentor zentorctl zentor-sim; do
  ! ldd "$root/usr/bin/$program" | grep 'not found' >/dev/null || fail "$program lacks libraries: $(ldd "$root/usr/bin/$program")"
  ! readelf -S "$root/usr/bin/$program" | grep -F '.debug_info' >/dev/null || fail "$program is not stripped"
done
desktop-file-validate "$root/usr/share/applications/zentor.desktop" || fail "the packaged menu entry is not valid"

# The copyright file states the license of LICENSE, word for word.
copyright="$root/usr/share/doc/zentor/copyright"
grep -q -x 'License: Expat' "$copyright" || fail "the copyright file names no Expat (MIT) license"
license_words() { tr -s ' \n.' '\n\n\n' | grep -v '^$'; }
diff <(sed -n '/^Permission/,$p' "$source_dir/LICENSE" | license_words) \
  <(sed -n '/^ Permission/,$p' "$copyright" | license_words) >&2 || fail "the copyright file's license text is not LICENSE's"
grep -q -x "Copyright: $(sed -n 's/^Copyright (c) //p' "$source_dir/LICENSE")" "$copyright" ||
  fail "the copyright file's holder is not LICENSE's"

# One version everywhere: the window caption, the changelog, the package.
grep -q "версия $version'$" "$source_dir/app/main_form.zfm" || fail "the window caption does not say version $version"
changelog_version=$(gzip -dc "$root/usr/share/doc/zentor/changelog.Debian.gz" | dpkg-parsechangelog -l - -S Version)
[[ "$changelog_version" == "$version-$revision" ]] || fail "the changelog's last entry is $changelog_version"
echo "PASS"
