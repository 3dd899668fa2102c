#!/usr/bin/env bash
# A second start of the reader hands its files to the reader that runs on the same program
# folder, as opening a document from a file manager does, and ends at once. Run under xvfb-run.
# Usage: hand-over.sh READER CONFIG_TOOL DOCUMENT
set -euo pipefail
reader=$1
config=$2
document=$3
command -v xdotool >/dev/null || { echo "hand-over: xdotool is missing"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$reader" "$work/corvalindestrum"
cp "$document" "$work/story.txt"

answer_encoding() {  # the import's encoding dialog: "Import" with the page it offers
  for _ in $(seq 1 100); do
    xdotool search --name "Book Preview" >/dev/null 2>&1 && break
    sleep 0.1
  done
  sleep 0.3
  xdotool search --name "Book Preview" windowactivate --sync key Return 2>/dev/null || xdotool key Return
}

"$work/corvalindestrum" "$document" & first=$!
answer_encoding
for _ in $(seq 1 100); do
  xdotool search --name "Corvalindestrum Professional" >/dev/null 2>&1 && break
  sleep 0.1
done
sleep 1
start=$(date +%s%N)
(cd / && timeout 10 "$work/corvalindestrum" "$work/story.txt") || { echo "hand-over: the second start failed" >&2; exit 1; }
elapsed_ms=$(( ($(date +%s%N) - start) / 1000000 ))
kill -0 "$first" 2>/dev/null || { echo "hand-over: the first reader ended" >&2; exit 1; }
answer_encoding
sleep 1.5
[ -f "$work/Books/story_txt.book" ] || { echo "hand-over: the running reader did not import the file" >&2; exit 1; }
# Again: the document is not imported twice, its book is opened.
(cd / && timeout 10 "$work/corvalindestrum" "$work/story.txt")
sleep 1
xdotool search --name "Corvalindestrum Professional" windowactivate --sync key Escape 2>/dev/null || xdotool key Escape
for _ in $(seq 1 100); do kill -0 "$first" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$first" 2>/dev/null; then kill "$first"; echo "hand-over: the reader did not close" >&2; exit 1; fi
wait "$first" || true
books=$(ls "$work/Books" | grep -c '\.book$')
[ "$books" -eq 2 ] || { echo "hand-over: $books books, expected 2 (the guide and the story once)" >&2; exit 1; }
"$config" show --dir "$work" >/dev/null
last=$(strings "$work/Global.cfg" | grep -c story_txt.book || true)
[ "$last" -ge 1 ] || { echo "hand-over: the handed file is not the book left open" >&2; exit 1; }
echo "hand-over: the second start handed its file over in ${elapsed_ms} ms"
