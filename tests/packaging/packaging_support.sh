# Shared by the packaging tests: a scratch folder and the processes a test started, both removed at the end
# whatever happens; failures that name what is wrong; skipping (exit 77) when a tool the test stands on is
# not installed.
set -euo pipefail
export LC_ALL=C

scratch=$(mktemp -d)
started_pids=()
packaging_cleanup() {
  local pid
  for pid in "${started_pids[@]}"; do
    kill -TERM "$pid" 2>/dev/null || continue
    timeout 5 tail --pid="$pid" -f /dev/null || kill -KILL "$pid" 2>/dev/null || true
  done
  rm -rf "$scratch"
}
trap packaging_cleanup EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }

need_tools() {
  local tool
  for tool in "$@"; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed (scripts/install-deps.sh)"; exit 77; }
  done
}

# The exit codes a usage text on standard input lists under "exit codes:", one a line.
usage_exit_codes() {
  sed -n '/^exit codes:/,$p' | awk 'NR > 1 && $1 ~ /^[0-9]+$/ { print $1 }'
}
