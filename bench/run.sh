#!/usr/bin/env bash
# Measures conversion against iconv on the same large text, digest throughput and the time to
# open and check a book, and prints the figures as a Markdown section for docs/BENCHMARKS.md.
# The text is a real one (the GPL v3 licence text shipped by Debian) repeated past 50 MB.
set -euo pipefail
cd "$(dirname "$0")/.."
[ -x build/bin/bench_books ] || scripts/build.sh >/dev/null
data=build/bench-data
mkdir -p "$data"
text="$data/large.txt"
source_text=/usr/share/common-licenses/GPL-3
if [ ! -s "$text" ]; then
  : > "$text"
  while [ "$(stat -c %s "$text")" -lt $((50 * 1024 * 1024)) ]; do cat "$source_text" >> "$text"; done
fi
bytes=$(stat -c %s "$text")

best_iconv=""
for _ in 1 2 3; do
  start=$(date +%s%N)
  iconv -f UTF-8 -t UTF-16LE "$text" > "$data/large.utf16"
  end=$(date +%s%N)
  ns=$((end - start))
  if [ -z "$best_iconv" ] || [ "$ns" -lt "$best_iconv" ]; then best_iconv=$ns; fi
done
rm -f "$data/large.utf16"

CORVALIN_BENCH_TEXT="$PWD/$text" build/bin/bench_books --benchmark_format=json > "$data/bench.json"
python3 - "$data/bench.json" "$bytes" "$best_iconv" <<'PY'
import json, sys
runs = json.load(open(sys.argv[1]))["benchmarks"]
results = {b["name"].split("/")[0]: b for b in runs if b.get("run_type") != "aggregate"}
size, iconv_ns = int(sys.argv[2]), int(sys.argv[3])
iconv = size / (iconv_ns / 1e9) / 1e6
def mbs(name): return results[name]["bytes_per_second"] / 1e6
best = min(b["real_time"] for b in runs if b["name"].startswith("BM_ConvertText") and b.get("run_type") != "aggregate")
convert = size / (best / 1e3) / 1e6
print(f"| conversion of a {size/1e6:.1f} MB UTF-8 text into a book (whole import: read, two passes, tables, headings, digests; best of 5) | {convert:.0f} MB/s |")
print(f"| `iconv -f UTF-8 -t UTF-16LE` on the same file, same run (best of 3) | {iconv:.0f} MB/s |")
print(f"| conversion / iconv | {convert/iconv:.2f} |")
print(f"| digest (16 MB buffer, seed table already built) | {mbs('BM_Digest'):.0f} MB/s |")
o = results["BM_OpenAndCheckBook"]
print(f"| open and check the {o['book_MB']:.1f} MB book (header, both digests, tables, store) | {o['real_time']:.0f} ms |")
PY
