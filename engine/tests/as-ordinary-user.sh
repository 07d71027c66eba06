#!/bin/sh
# Runs a test program as the unprivileged user "nobody" when started as root, since root may
# write any file and permission checks would pass for it whatever the code does.
# Usage: as-ordinary-user.sh PROGRAM [ARGS...]; exits 77 (skipped) when nobody cannot reach PROGRAM.
# In a cross build PROGRAM is the emulator, and the test program is one of its arguments.
set -eu
if [ "$(id -u)" != 0 ]; then exec "$@"; fi
run_as_nobody() { setpriv --reuid=65534 --regid=65534 --clear-groups env TMPDIR=/tmp "$@"; }
skip() {
  echo "skipped: the user nobody cannot reach $1"
  exit 77
}
case $1 in */*) run_as_nobody test -x "$1" || skip "$1" ;; esac
for arg in "$@"; do
  if [ -f "$arg" ] && ! run_as_nobody test -r "$arg"; then skip "$arg"; fi
done
run_as_nobody "$@"
