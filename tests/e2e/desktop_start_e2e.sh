#!/usr/bin/env bash
# The program as a Linux desktop starts it: --help and --version print and end without a window; without a
# display it ends with a message and exit code 1 (not the toolkit's abort); started through the menu entry's
# command in the home folder it keeps zentor.cfg in $XDG_CONFIG_HOME/zentor (~/.config/zentor), made when
# missing, and leaves the home folder alone.
# Arguments: zentor, zentor-sim, the screenshot program, the window description, the menu entry.
source "$(dirname "$0")/e2e_support.sh"
entry=$(realpath "$5")

# --help and --version.
help=$(env -u DISPLAY -u WAYLAND_DISPLAY "$program" --help) || fail "zentor --help ended with $?"
grep -q '^usage: zentor' <<<"$help" || fail "zentor --help printed: $help"
grep -q -- '--in-config-folder' <<<"$help" || fail "zentor --help does not name --in-config-folder"
version=$(env -u DISPLAY -u WAYLAND_DISPLAY "$program" --version) || fail "zentor --version ended with $?"
[[ "$version" =~ ^zentor\ [0-9]+\.[0-9]+$ ]] || fail "zentor --version printed: $version"

# No display: unset, or a display no server answers.
for display in "" ":$(( $(sed 's/^://' <<<"$DISPLAY") + 1000 ))"; do
  status=0
  (cd "$work" && env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM DISPLAY="$display" "$program" >"$temp/out.txt" 2>&1) ||
    status=$?
  [[ $status == 1 ]] || fail "without a display (DISPLAY '$display') zentor ended with $status: $(cat "$temp/out.txt")"
  grep -q '^zentor: no display could be opened' "$temp/out.txt" || fail "no clear message: $(cat "$temp/out.txt")"
  ! grep -q 'Reinstalling' "$temp/out.txt" || fail "the toolkit's advice to reinstall is shown"
done

# Started from the menu: the entry's command line, in the home folder.
command=$(sed -n 's/^Exec=//p' "$entry")
[[ "$command" == "zentor --in-config-folder" ]] || fail "the menu entry runs: $command"
start_from_menu() {
  (cd "$HOME" && exec "$program" ${command#zentor} >"$temp/zentor-output.txt" 2>&1) &
  program_pid=$!
  zx_find_window "$program_pid" || fail "the window did not appear"
  e2e_quit
}
export HOME="$temp/home"
mkdir "$HOME"
touch "$HOME/zentor_debug_session.txt"
unset XDG_CONFIG_HOME
start_from_menu
[[ -f "$HOME/.config/zentor/zentor.cfg" ]] || fail "no zentor.cfg in ~/.config/zentor: $(ls -aR "$HOME")"
[[ "$(stat -c %a "$HOME/.config/zentor")" == 700 ]] || fail "~/.config/zentor has mode $(stat -c %a "$HOME/.config/zentor")"
[[ ! -e "$HOME/zentor.cfg" ]] || fail "zentor.cfg was written into the home folder"
[[ -e "$HOME/zentor_debug_session.txt" ]] || fail "a zentor_debug_session.txt of the home folder was deleted"

export XDG_CONFIG_HOME="$temp/config"
start_from_menu
[[ -f "$XDG_CONFIG_HOME/zentor/zentor.cfg" ]] || fail "no zentor.cfg in \$XDG_CONFIG_HOME/zentor"
echo "PASS"
