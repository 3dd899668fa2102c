#!/usr/bin/env bash
# Builds everything and starts the reader on the bundled guide. The guide becomes a book in the
# program folder's Books/ on the first run; later runs reopen it where the reader left it.
# Without a display the reader runs on a virtual X server with the text moving by itself from
# the start, and leaves a picture of its window; with a display it starts still (Ins moves it).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh

reader=build/bin/corvalindestrum
args=()
[ -f build/bin/Books/Welcome_txt.book ] || args+=(data/samples/Welcome.txt)

if [ -n "${DISPLAY:-}" ]; then
  "$reader" "${args[@]}" || {
    status=$?
    echo "run: the reader failed (exit status $status)" >&2
    exit "$status"
  }
  exit 0
fi

picture="$PWD/build/reader.png"
rm -f "$picture"
xvfb-run -a "$reader" "${args[@]}" --auto-scroll --screenshot "$picture" --quit-after 3 || {
  status=$?
  echo "run: the reader failed under xvfb-run (exit status $status)" >&2
  exit "$status"
}
if [ ! -s "$picture" ]; then
  echo "run: the reader wrote no picture" >&2
  exit 1
fi
echo "run: no display here, so the reader ran on a virtual one with the text moving; its window after 3 seconds: $picture"
