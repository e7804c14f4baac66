# Sourced by the tests that read the window through AT-SPI: runs the calling script again on a private
# session bus, then loads the common helpers and turns Qt's accessibility on. Exits 77 (skipped) without
# dbus-run-session or pyatspi. The bus gets a runtime folder of its own, so that the accessibility bus it
# starts puts its socket there and two such tests can run at once.
if [[ -z "${ZX_PRIVATE_BUS:-}" ]]; then
  command -v dbus-run-session >/dev/null || { echo "SKIP: dbus-run-session is not installed"; exit 77; }
  /usr/bin/python3 -c 'import pyatspi' 2>/dev/null || { echo "SKIP: python3-pyatspi is not installed"; exit 77; }
  bus_runtime=$(mktemp -d)
  ZX_PRIVATE_BUS=1 XDG_RUNTIME_DIR="$bus_runtime" dbus-run-session -- bash "$0" "$@"
  status=$?
  rm -rf "$bus_runtime"
  exit "$status"
fi
source "$(dirname "$0")/e2e_support.sh"
readonly atspi="/usr/bin/python3 $(dirname "$0")/atspi_window.py"
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
