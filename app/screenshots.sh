#!/bin/sh
# Takes a screenshot of each page of the real window under a virtual X server:
#   app/screenshots.sh PROGRAM OUTPUT_FOLDER
# On the packer and unpacker pages it first runs a command through the real dialogs (a packed
# icon, then unpacked again), so the pictures show a chosen file and a filled bar; the "Source
# code" page lists a few of the program's own sources, copied as .txt files.
set -eu

if [ "${RAVLIN_SHOTS_INNER:-}" != 1 ]; then
  program=$(realpath "$1")
  mkdir -p "$2"
  out=$(realpath "$2")
  RAVLIN_SHOTS_INNER=1 exec xvfb-run -a -s "-screen 0 800x600x24" "$0" "$program" "$out"
fi
program=$1
out=$2
here=$(dirname "$(realpath "$0")")
# A fixed folder, so that the pictures show a short, stable path.
work=${TMPDIR:-/tmp}/ravlin-screenshots
rm -rf "$work"
mkdir -p "$work"
pid=
trap 'if [ -n "$pid" ]; then kill "$pid" 2>/dev/null || true; fi; rm -rf "$work"' EXIT

# The input: the program's icon as 8-bit grey pixels, 32 x 32 bytes.
/usr/bin/convert "$here/resources/ravlin.png" -background '#ece9d8' -flatten -colorspace gray \
    -depth 8 "gray:$work/icon.raw"
for name in main Unit1 SourceFiles; do cp "$here/$name.cpp" "$work/$name.txt"; done

cd "$work"
"$program" &
pid=$!
window=$(xdotool search --sync --onlyvisible --name '^Ravlin \(v1\.4\)$' | head -n 1)
sleep 1

# Points in the window's client area (the page starts 2 pixels right and 23 down).
click() { xdotool mousemove --window "$window" "$1" "$2" click 1; }
browse() { click 259 48; }
start_i() { click 259 85; }

# Waits for a dialog with this caption, gives it the keyboard and answers it with keys.
answer() {
  dialog=$(xdotool search --sync --onlyvisible --name "^$1\$" | head -n 1)
  xdotool windowfocus --sync "$dialog"
  sleep 0.5
  shift
  if [ -n "$1" ]; then
    xdotool key --clearmodifiers ctrl+a
    xdotool type --delay 5 "$1"
  fi
  xdotool key Return
  sleep 0.5
}

shot() {
  sleep 0.5
  import -window "$window" "$out/$1"
}

browse
answer Open "$work/icon.raw"
start_i
answer 'Select Directory' ""
answer Information ""
shot screenshot-packer.png

click 120 10
browse
answer Open "$work/icon.pack1"
start_i
answer 'Select Directory' ""
answer Information ""
shot screenshot-unpacker.png

click 212 10
shot screenshot-source.png
