#!/usr/bin/env bash
# The installed completion file is where bash-completion looks for it: installed into a scratch DESTDIR,
# bash-completion's loader, asked for zentorctl, finds it there and registers its function.
# Argument: the build folder.
source "$(dirname "$0")/packaging_support.sh"
build=$1
loader=/usr/share/bash-completion/bash_completion
[[ -f "$loader" ]] || { echo "SKIP: bash-completion is not installed (scripts/install-deps.sh)"; exit 77; }

DESTDIR="$scratch/root" cmake --install "$build" --prefix /usr >/dev/null
registered=$(XDG_DATA_DIRS="$scratch/root/usr/share" BASH_COMPLETION_USER_DIR="$scratch/none" bash -c '
  source "$1"
  _completion_loader zentorctl
  complete -p zentorctl
  shopt -s extdebug
  declare -F _zentorctl | cut -d " " -f 3-' loader "$loader" 2>&1) || true
expected="complete -F _zentorctl zentorctl
$scratch/root/usr/share/bash-completion/completions/zentorctl"
[[ "$registered" == "$expected" ]] || fail "bash-completion does not load it from the installed file: $registered"
echo "PASS"
