#!/usr/bin/env bash
# Importing a large cp1251 text with corvalin-convert --codepage 1251 beside
# iconv -f cp1251 -t utf-16le on the same bytes, both whole processes writing to the same disk,
# alternating, best of RUNS (default 5) each; then the code page layer on its own (bench_codepages).
# Texts: the shared Russian poem (verse) repeated past 50 MB and, when Debian's fortunes-ru is
# installed, its Russian aphorisms put into cp1251 and repeated past 50 MB (prose).
# Prints a Markdown section for docs/BENCHMARKS.md.
set -euo pipefail
cd "$(dirname "$0")/.."
build=build
cmake --build "$build" --target corvalin-convert bench_codepages >/dev/null
data="$build/bench-data/codepage"
mkdir -p "$data"

poem=../shared/fixtures/cyrillic/ruslan-cp1251.txt
[ -f "$poem" ] || { echo "codepage: $poem is missing" >&2; exit 1; }

repeat_past_50mb() {  # source target
  [ -s "$2" ] && [ "$(stat -c %s "$2")" -ge $((50 * 1024 * 1024)) ] && return
  : > "$2"
  while [ "$(stat -c %s "$2")" -lt $((50 * 1024 * 1024)) ]; do cat "$1" >> "$2"; done
}

texts=("$data/verse-cp1251.txt")
repeat_past_50mb "$poem" "$data/verse-cp1251.txt"
if [ -d /usr/share/games/fortunes/ru ]; then
  find /usr/share/games/fortunes/ru -type f ! -name '*.dat' | sort | xargs cat \
    | iconv -f UTF-8 -t CP1251//TRANSLIT > "$data/aphorisms-once.txt"
  repeat_past_50mb "$data/aphorisms-once.txt" "$data/prose-cp1251.txt"
  texts+=("$data/prose-cp1251.txt")
fi

now() { date +%s%N; }
for text in "${texts[@]}"; do
  bytes=$(stat -c %s "$text")
  best_iconv="" best_convert=""
  for _ in $(seq "${RUNS:-5}"); do
    start=$(now)
    iconv -f CP1251 -t UTF-16LE "$text" > "$data/out.utf16"
    ns=$(( $(now) - start ))
    { [ -z "$best_iconv" ] || [ "$ns" -lt "$best_iconv" ]; } && best_iconv=$ns
    rm -rf "$data/Books"
    start=$(now)
    "$build/bin/corvalin-convert" --books "$data/Books" --codepage 1251 "$text" > /dev/null
    ns=$(( $(now) - start ))
    { [ -z "$best_convert" ] || [ "$ns" -lt "$best_convert" ]; } && best_convert=$ns
  done
  rm -rf "$data/out.utf16" "$data/Books"
  python3 - "$(basename "$text")" "$bytes" "$best_iconv" "$best_convert" <<'PY'
import sys
name, size, iconv_ns, convert_ns = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4])
iconv = size / (iconv_ns / 1e9) / 1e6
convert = size / (convert_ns / 1e9) / 1e6
print(f"| {name}, {size/1e6:.1f} MB: `corvalin-convert --codepage 1251` (whole process, book written) | {convert:.0f} MB/s ({convert_ns/1e9:.2f} s) |")
print(f"| same bytes: `iconv -f cp1251 -t utf-16le` (whole process, output written) | {iconv:.0f} MB/s ({iconv_ns/1e9:.2f} s) |")
print(f"| conversion / iconv | {convert/iconv:.2f} |")
PY
done

CORVALIN_BENCH_CP1251="$PWD/$poem" "$build/bin/bench_codepages" --benchmark_format=json > "$data/bench.json" 2>/dev/null
python3 - "$data/bench.json" <<'PY'
import json, sys
runs = {b["name"]: b for b in json.load(open(sys.argv[1]))["benchmarks"]}
first = runs["BM_CodepageListAtStart/iterations:1/real_time"]
print(f"| code page list at program start ({first['pages']:.0f} pages; ICU data, aliases, converters) | {first['real_time']:.1f} ms |")
print(f"| code page list again (ICU's answers kept) | {runs['BM_CodepageListAgain']['real_time']:.0f} µs |")
print(f"| decoding cp1251 in memory (8 MB, table) | {runs['BM_DecodeCp1251']['bytes_per_second']/1e6:.0f} MB/s |")
print(f"| detecting cp866 in 64 KB of the poem | {runs['BM_DetectCp866']['real_time']:.1f} ms |")
PY
