#!/usr/bin/env bash
# The manual pages render without a single warning from groff (in its default and its UTF-8 output) or from
# man, and describe what the programs' own usage texts list: every option and command, every exit code.
# The pages tell what the programs do: the window's successes are not green, the simulated device is a
# pseudo-terminal, its COM numbers end at 255.
# Arguments: the build folder (with the pages made from docs/man), zentorctl, zentor-sim, zentor (optional).
source "$(dirname "$0")/packaging_support.sh"
build=$1 zentorctl=$2 simulator=$3 window=${4:-}
need_tools groff

pages="$build/packaging/man"
for page in zentor zentorctl zentor-sim; do
  file="$pages/$page.1"
  [[ -f "$file" ]] || fail "$file is missing"
  for device in ps utf8; do
    warnings=$(groff -man -ww -z -T"$device" "$file" 2>&1) || fail "groff -T$device fails on $page.1"
    [[ -z "$warnings" ]] || fail "groff -man -ww -T$device warns on $page.1:"$'\n'"$warnings"
  done
  if command -v man >/dev/null; then
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$file" 2>&1 >/dev/null)
    [[ -z "$warnings" ]] || fail "man --warnings on $page.1:"$'\n'"$warnings"
  fi
  gzip -dc "$file.gz" | cmp -s - "$file" || fail "$page.1.gz does not hold $page.1"
  head -n 1 "$file" | grep '"zentor [0-9]' >/dev/null || fail "$page.1 does not name the version in its title line"
done

# The page as text, one blank between words, so that options and phrases can be looked up.
rendered() { LC_ALL=C.UTF-8 MANWIDTH=200 man -E UTF-8 -l "$pages/$1.1" 2>/dev/null | sed -e 's/.\x08//g' | tr -s ' '; }

# Every option of a usage text appears in the page.
check_options() {
  local page=$1 usage=$2 text option
  text=$(rendered "$page")
  for option in $(grep -o -E -- '--[a-z][a-z-]*' <<<"$usage" | sort -u); do
    grep -q -F -- "$option" <<<"$text" || fail "$page.1 does not describe $option"
  done
}

# Every exit code of the usage text has its entry under EXIT STATUS.
check_exit_codes() {
  local page=$1 usage=$2 section code
  section=$(sed -n '/^\.SH EXIT STATUS/,/^\.SH /p' "$pages/$page.1")
  for code in $(usage_exit_codes <<<"$usage"); do
    grep -q -x -F ".B $code" <<<"$section" || fail "$page.1 lacks the exit status $code"
  done
}

ctl_usage=$("$zentorctl" --help)
check_options zentorctl "$ctl_usage"
check_exit_codes zentorctl "$ctl_usage"
for command in ports read write help; do
  sed -n '/^\.SH COMMANDS/,/^\.SH /p' "$pages/zentorctl.1" | grep -E "^\.BR? $command( |$)" >/dev/null ||
    fail "zentorctl.1 has no entry for the command $command"
done
check_options zentor-sim "$("$simulator" --help)"
[[ -z "$window" ]] || check_options zentor "$("$window" --help)"

window_page=$(rendered zentor) simulator_page=$(rendered zentor-sim)
! grep -q -i 'green' <<<"$window_page" || fail "zentor.1 says a colour the status line never shows: green"
grep -q 'plain for success, red for an error' <<<"$window_page" || fail "zentor.1 does not tell the status line's colours"
! grep -q -i 'USB-like' <<<"$simulator_page" || fail "zentor-sim.1 calls the pseudo-terminal USB-like"
grep -q -F '1 to 255' <<<"$simulator_page" || fail "zentor-sim.1 does not give the COM numbers 1 to 255"
echo "PASS"
