#!/usr/bin/env bash
# Times HTML-to-text conversion against iconv on the same bytes, in one run, whole processes:
# a page of over 20 MB made by repeating a real book page (the Devil's Dictionary from the
# shared fixtures) is converted to UTF-16LE text by bench_html and by iconv (which only changes
# the encoding). Prints the figures as Markdown rows for docs/BENCHMARKS.md.
set -euo pipefail
cd "$(dirname "$0")/.."
page=../shared/fixtures/html/devils-dictionary.htm
[ -f "$page" ] || { echo "html.sh: $page is missing" >&2; exit 1; }
[ -x build/bin/bench_html ] || cmake --build build --target bench_html >/dev/null
data=build/bench-data
mkdir -p "$data"
big="$data/large.html"
if [ ! -s "$big" ]; then
  : > "$big"
  while [ "$(stat -c %s "$big")" -lt $((20 * 1024 * 1024)) ]; do cat "$page" >> "$big"; done
fi
bytes=$(stat -c %s "$big")

# Best of five wall-clock times of one command, in nanoseconds.
best_of_5() {
  local best="" start end ns
  for _ in 1 2 3 4 5; do
    start=$(date +%s%N)
    "$@"
    end=$(date +%s%N)
    ns=$((end - start))
    if [ -z "$best" ] || [ "$ns" -lt "$best" ]; then best=$ns; fi
  done
  echo "$best"
}

iconv_ns=$(best_of_5 sh -c "iconv -f UTF-8 -t UTF-16LE '$big' > '$data/large.iconv'")
convert_ns=$(best_of_5 sh -c "build/bin/bench_html '$big' '$data/large.text' 2>/dev/null")
text_bytes=$(stat -c %s "$data/large.text")
rm -f "$data/large.iconv" "$data/large.text"

python3 - "$bytes" "$iconv_ns" "$convert_ns" "$text_bytes" <<'PY'
import sys
size, iconv_ns, convert_ns, text = map(int, sys.argv[1:])
mb = size / 1e6
iconv = mb / (iconv_ns / 1e9)
convert = mb / (convert_ns / 1e9)
print(f"| HTML to UTF-16 text, {mb:.1f} MB page (map, decode UTF-8, convert, write {text/1e6:.1f} MB; best of 5) | {convert:.0f} MB/s |")
print(f"| `iconv -f UTF-8 -t UTF-16LE` on the same page, same run (best of 5) | {iconv:.0f} MB/s |")
print(f"| conversion / iconv | {convert/iconv:.2f} |")
PY
