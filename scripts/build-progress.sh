# Sourced by scripts/build-qt-windows.sh: shows a long build's progress on the terminal.
# build_progress <label> <log> <pid>: while the process runs, at most every ${BUILD_PROGRESS_SECONDS:-30} s,
# prints "<label>: <done> of <all> steps, <elapsed>" to standard error, from the last "[done/all]" status line
# that ninja wrote to the log ("<label>: <elapsed>" before the first); returns as soon as the process ends.
build_progress() {
  local label=$1 log=$2 pid=$3 interval=${BUILD_PROGRESS_SECONDS:-30} started=$SECONDS step
  while ! timeout "$interval" tail --pid="$pid" -f /dev/null 2>/dev/null; do
    kill -0 "$pid" 2>/dev/null || return 0
    step=$(grep -o '^\[[0-9]*/[0-9]*\]' "$log" 2>/dev/null | tail -n 1 | tr -d '[]') || true
    printf '%s: %s%s\n' "$label" "${step:+${step%/*} of ${step#*/} steps, }" \
      "$(elapsed_text $((SECONDS - started)))" >&2
  done
}

# "<m> min <s> s" for a number of seconds.
elapsed_text() {
  printf '%d min %02d s' $(($1 / 60)) $(($1 % 60))
}
