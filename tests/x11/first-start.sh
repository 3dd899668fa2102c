#!/usr/bin/env bash
# The reader's first start in a fresh program folder, driven as a person would, on a real X
# server (run under xvfb-run). Usage: first-start.sh READER DOCUMENT
#  1. No book: the library appears; Escape on it, then Escape on the window, and the process
#     must end.
#  2. A document imported with the library's first button, answered in the encoding dialog
#     with "Import" (Return) and read from there is shown: the page is not blank.
set -euo pipefail
reader=$1
document=$2
for tool in xdotool import convert; do
  command -v "$tool" >/dev/null || { echo "first-start: $tool is missing"; exit 77; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

wait_for_window() {  # NAME: waits until a window of that name exists
  for _ in $(seq 1 100); do
    xdotool search --name "$1" >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  echo "first-start: no window named '$1' appeared" >&2
  return 1
}

ends_within() {  # PID SECONDS
  for _ in $(seq 1 $(($2 * 10))); do
    kill -0 "$1" 2>/dev/null || return 0
    sleep 0.1
  done
  return 1
}

# 1. Cancelling everything ends the program.
mkdir "$work/first"
cp "$reader" "$work/first/"
(cd "$work/first" && exec ./"$(basename "$reader")") & pid=$!
wait_for_window "^Library$"
sleep 0.3
xdotool key Escape
sleep 0.5
xdotool key Escape
if ! ends_within "$pid" 10; then
  kill "$pid"
  echo "first-start: the process went on after its window closed" >&2
  exit 1
fi
wait "$pid"

# 2. A document imported in the library and read from there is shown.
mkdir "$work/second"
cp "$reader" "$work/second/"
(cd "$work/second" && exec ./"$(basename "$reader")") & pid=$!
wait_for_window "^Library$"
sleep 0.5
# The library's first tool button imports.
xdotool mousemove --window "$(xdotool search --name "^Library$" | head -1)" 16 18 click 1
wait_for_window "Import the Book from the File"
sleep 0.3
xdotool type --delay 5 "$document"
xdotool key Return
wait_for_window "Book Preview"
sleep 0.5
xdotool key Return
sleep 1
# The new book is selected; Enter reads it.
xdotool key Return
sleep 0.5
xdotool search --name "^Library$" --onlyvisible >/dev/null 2>&1 &&
  { echo "first-start: the library is still open after reading a book" >&2; kill "$pid"; exit 1; }
sleep 1.5
import -window root "$work/screen.png"
xdotool key Escape
ends_within "$pid" 10 || { kill "$pid"; echo "first-start: the reader did not close" >&2; exit 1; }
wait "$pid"
[ -n "$(ls "$work/second/Books/"*.book 2>/dev/null)" ] || { echo "first-start: no book was made" >&2; exit 1; }
# A blank page is one colour; a page of text has at least the text's besides.
colours=$(convert "$work/screen.png" -crop 600x400+100+300 +repage -format %k info:)
if [ "$colours" -lt 2 ]; then
  echo "first-start: the page is blank after picking a document ($colours colours)" >&2
  exit 1
fi
echo "first-start: both ways through the first start behave"
