#!/bin/sh
# Starts the real window again and again under a virtual X server with a window manager (openbox)
# while busy loops keep both processor cores loaded, and checks that the window's frame, and the
# frame of the folder chooser that a pack command opens, are centred on the screen every time.
# Usage: placement.sh RAVLIN_BINARY [STARTS]
# Exits 77 (skipped) when Xvfb, openbox or the X tools are missing; `make test` installs them.
set -u
program=$(realpath "$1")
starts=${2:-20}

for tool in Xvfb openbox xdotool xwininfo xprop; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "SKIP: $tool is missing (Debian: xvfb, openbox, xdotool, x11-utils)"
    exit 77
  fi
done

screen_width=1024
screen_height=768
work=$(mktemp -d)
xvfb=
wm=
app=
loops=
cleanup() {
  for pid in $app $loops $wm $xvfb; do kill "$pid" 2>/dev/null; done
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 2' INT TERM

# Xvfb picks a free display itself and writes its number to the descriptor given.
Xvfb -displayfd 3 -screen 0 "${screen_width}x${screen_height}x24" -nolisten tcp \
  3>"$work/display" 2>"$work/xvfb.log" &
xvfb=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { echo "FAIL: Xvfb did not start"; cat "$work/xvfb.log"; exit 1; }
DISPLAY=:$(cat "$work/display")
export DISPLAY
unset WAYLAND_DISPLAY QT_QPA_PLATFORM

openbox >"$work/openbox.log" 2>&1 &
wm=$!
for _ in $(seq 100); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
  sleep 0.1
done

# Six busy loops on two cores: the window manager and the program wait for their turns, which
# is when their messages cross. Each loop ends by itself once this script is gone, even if it was
# killed before it could clean up.
for _ in 1 2 3 4 5 6; do
  sh -c "while kill -0 $$ 2>/dev/null; do :; done" &
  loops="$loops $!"
done

# The frame of window $1 as "left top width height", from its client area and the frame extents
# that the window manager announced; empty while there is no frame yet.
frame_of() {
  extents=$(xprop -id "$1" _NET_FRAME_EXTENTS 2>/dev/null | sed -n 's/.* = //p' | tr -d ',')
  [ -n "$extents" ] || return 0
  xwininfo -id "$1" 2>/dev/null | awk -v extents="$extents" '
    /Absolute upper-left X/ { x = $NF } /Absolute upper-left Y/ { y = $NF }
    /Width:/ { w = $NF } /Height:/ { h = $NF }
    END {
      split(extents, e, " ")  # left right top bottom
      if (w != "") print x - e[1], y - e[3], w + e[1] + e[2], h + e[3] + e[4]
    }'
}

# How far the frame's centre lies from the screen's centre, as "dx dy".
offset_of() {
  echo "$1" | awk -v sw="$screen_width" -v sh="$screen_height" \
    '{ printf "%d %d\n", ($1 + $3 / 2) - sw / 2, ($2 + $4 / 2) - sh / 2 }'
}

is_centred() {
  echo "$1" | awk '{ exit !($1 >= -1 && $1 <= 1 && $2 >= -1 && $2 <= 1) }'
}

# Waits up to ten seconds for window $1 to show its frame centred (within a pixel, since an odd
# size cannot be split evenly), then checks that it still is a moment later; prints the last
# offset either way.
centred() {
  offset=none
  deadline=$(($(date +%s) + 10))
  while [ "$(date +%s)" -le "$deadline" ]; do
    frame=$(frame_of "$1")
    if [ -n "$frame" ]; then
      offset=$(offset_of "$frame")
      if is_centred "$offset"; then
        sleep 0.5
        offset=$(offset_of "$(frame_of "$1")")
        echo "$offset"
        is_centred "$offset"
        return
      fi
    fi
    sleep 0.1
  done
  echo "$offset"
  return 1
}

# The window called $1 once it is on screen, or nothing after $2 seconds (default twenty).
find_window() {
  deadline=$(($(date +%s) + ${2:-20}))
  while [ "$(date +%s)" -le "$deadline" ]; do
    found=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1)
    [ -n "$found" ] && { echo "$found"; return 0; }
    sleep 0.1
  done
  return 1
}

# Waits up to ten seconds for window $1 to have the keyboard focus.
await_focus() {
  deadline=$(($(date +%s) + 10))
  while [ "$(date +%s)" -le "$deadline" ]; do
    [ "$(xdotool getwindowfocus 2>/dev/null)" = "$1" ] && return 0
    xdotool windowfocus "$1" 2>/dev/null
    sleep 0.2
  done
  return 1
}

# Browse, the input's path typed into the open dialog, then Start (I): the folder chooser opens.
# Keys and clicks sent while the loaded machine is still busy with the last ones can be lost, so
# a try that does not bring the chooser is made again, twice at most.
open_folder_chooser() {
  for _ in 1 2 3; do
    stale=$(find_window 'Open' 0) && xdotool windowfocus "$stale" key Escape && sleep 1
    xdotool mousemove --window "$1" 259 48 click 1
    open=$(find_window 'Open' 10) && await_focus "$open" || continue
    xdotool key --clearmodifiers ctrl+a type --delay 2 "$work/input.bin"
    # The first Return may only take the completion that the name box offers.
    for _ in $(seq 10); do
      find_window 'Open' 0 >/dev/null || break
      xdotool key Return
      sleep 0.5
    done
    xdotool mousemove --window "$1" 259 85 click 1
    find_window 'Select Directory' 10 && return 0
  done
  return 1
}

head -c 4096 /dev/zero >"$work/input.bin"
failures=0
for run in $(seq "$starts"); do
  (cd "$work" && exec "$program") &
  app=$!
  main=none
  folder=none
  if ! window=$(find_window 'Ravlin \(v1\.4\)'); then
    echo "start $run: the window did not show"
    failures=$((failures + 1))
  elif ! main=$(centred "$window"); then
    echo "start $run: window off centre by $main"
    failures=$((failures + 1))
  fi
  if [ -n "$window" ]; then
    if ! chooser=$(open_folder_chooser "$window"); then
      echo "start $run: the folder chooser did not show"
      failures=$((failures + 1))
    elif ! folder=$(centred "$chooser"); then
      echo "start $run: folder chooser off centre by $folder"
      failures=$((failures + 1))
    fi
  fi
  echo "start $run: window $main, folder chooser $folder"
  kill "$app"
  wait "$app" 2>/dev/null
  app=
done

if [ "$failures" -ne 0 ]; then
  echo "FAIL: $failures placements off centre or missing in $starts starts"
  exit 1
fi
echo "ok: window and folder chooser centred in $starts of $starts starts"
