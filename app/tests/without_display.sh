#!/bin/sh
# Runs the window and `make run` with no display: each must fail with one line naming the way out.
# Usage: without_display.sh RAVLIN_BINARY SOURCE_DIR
set -u
status=0
check() {
  what=$1; shift
  out=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$@" 2>&1)
  code=$?
  first=$(printf '%s\n' "$out" | head -n 1)
  if [ "$code" -eq 0 ]; then
    echo "FAIL: $what exited 0"; status=1
  elif ! printf '%s' "$first" | grep -q '^ravlin: the window needs a desktop session.*xvfb-run.*ravlin-cli'; then
    echo "FAIL: $what said: $out"; status=1
  else
    echo "ok: $what: $first"
  fi
}
check "the program" "$1"
# make prints its own failure trailer after our line; the line itself must come first and alone.
check "make run" make --no-print-directory -s -C "$2" run
exit $status
