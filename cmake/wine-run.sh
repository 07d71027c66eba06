#!/bin/sh
# wine-run.sh PREFIX PROGRAM [ARGUMENT...]: runs a Windows program under Wine without a display.
# The Wine prefix PREFIX lives in the build folder and is made on the first run without any
# dialog; Wine's own diagnostics are silenced, so that only the program's output is seen.
set -eu
prefix=$1
shift
export WINEPREFIX="$prefix" WINEDEBUG=-all
# Neither the Mono nor the Gecko installer is offered while the prefix is made.
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
if [ ! -f "$prefix/.ravlin-ready" ]; then
    mkdir -p "$prefix"
    # Tests run side by side: one of them makes the prefix while the others wait.
    (
        flock 9
        if [ ! -f "$prefix/.ravlin-ready" ]; then
            if ! wineboot --init >"$prefix.log" 2>&1; then
                echo "wine-run.sh: Wine could not make its prefix $prefix (see $prefix.log)" >&2
                exit 1
            fi
            /usr/lib/wine/wineserver -w
            touch "$prefix/.ravlin-ready"
        fi
    ) 9>"$prefix.lock"
fi
exec wine "$@"
