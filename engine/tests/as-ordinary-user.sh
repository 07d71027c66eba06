#!/bin/sh
# Runs a test program as the unprivileged user "nobody" when started as root, since root may
# write any file and permission checks would pass for it whatever the code does.
# Usage: as-ordinary-user.sh PROGRAM [ARGS...]; exits 77 (skipped) when nobody cannot reach PROGRAM.
set -eu
if [ "$(id -u)" != 0 ]; then exec "$@"; fi
run_as_nobody() { setpriv --reuid=65534 --regid=65534 --clear-groups env TMPDIR=/tmp "$@"; }
if ! run_as_nobody test -x "$1"; then
  echo "skipped: the user nobody cannot run $1"
  exit 77
fi
run_as_nobody "$@"
