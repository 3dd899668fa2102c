#!/usr/bin/env bash
# Extraction throughput of the archive layer against the archivers' own extractors on the same
# archives, in the same run: a 20 MB text packed by zip, jlha (-lh5-) and rar, then extracted
# by bench_archive_extract (our readers through the front door) and by unzip, lhasa's lha and
# unrar. Whole processes, both writing the member to a folder on the same disk; hyperfine
# clears the folder before every run. Prints a Markdown table for docs/BENCHMARKS.md.
set -euo pipefail
cd "$(dirname "$0")/.."
for tool in hyperfine zip unzip jlha lha rar unrar; do
  command -v "$tool" >/dev/null || { echo "archive.sh: $tool is missing (scripts/setup.sh installs it)" >&2; exit 1; }
done
[ -x build/bin/bench_archive_extract ] || cmake --build build --target bench_archive_extract >/dev/null
bench=build/bin/bench_archive_extract
data="$PWD/build/bench-archive"
mkdir -p "$data"
text="$data/book.txt"
# English text that does not repeat itself: words of the licence texts Debian ships, chained
# by a seeded second-order word model into 20 MB of lines and paragraphs, so that every archiver
# compresses it about as it would a book (a file of repeated copies packs to almost nothing in
# a large-window archiver).
if [ ! -s "$text" ]; then
  python3 - "$text" /usr/share/common-licenses/{GPL-3,LGPL-2.1,Apache-2.0,MPL-2.0,GFDL-1.3,Artistic} <<'PY'
import random, sys
words = " ".join(open(p, encoding="utf-8", errors="replace").read() for p in sys.argv[2:]).split()
follow = {}
for a, b, c in zip(words, words[1:], words[2:]):
    follow.setdefault((a, b), []).append(c)
rng = random.Random(1)
out, line, total = [], [], 0
a, b = words[0], words[1]
while total < 20 * 1000 * 1000:
    c = rng.choice(follow.get((a, b)) or words)
    line.append(c)
    a, b = b, c
    if sum(map(len, line)) + len(line) > 70:
        text = " ".join(line) + ("\n\n" if rng.random() < 0.1 else "\n")
        out.append(text)
        total += len(text)
        line = []
open(sys.argv[1], "w", encoding="utf-8").write("".join(out))
PY
fi
bytes=$(stat -c %s "$text")
(
  cd "$data"
  [ -s book.zip ] || zip -q -6 book.zip book.txt
  [ -s book.lzh ] || jlha a0o5q book.lzh book.txt
  [ -s book.rar ] || rar a -idq -m3 book.rar book.txt
)

runs=${ARCHIVE_BENCH_RUNS:-7}
row() {  # label archive ours-command reference-command reference-name
  local json="$data/$1.json"
  hyperfine --style none --warmup 1 --runs "$runs" --export-json "$json" \
    --prepare "rm -rf '$data/out' && mkdir -p '$data/out'" \
    -n ours "$3" -n reference "$4" >/dev/null
  python3 - "$json" "$bytes" "$1" "$5" "$(stat -c %s "$2")" <<'PY'
import json, sys
results = {r["command"]: r for r in json.load(open(sys.argv[1]))["results"]}
size, label, reference, packed = int(sys.argv[2]), sys.argv[3], sys.argv[4], int(sys.argv[5])
ours, ref = results["ours"], results["reference"]
def mbs(r): return size / r["median"] / 1e6
def cpu(r): return (r["user"] + r["system"]) * 1e3
print(f"| {label} ({packed/1e6:.1f} MB packed) | {ours['median']*1e3:.0f} ms, {mbs(ours):.0f} MB/s, CPU {cpu(ours):.0f} ms "
      f"| `{reference}`: {ref['median']*1e3:.0f} ms, {mbs(ref):.0f} MB/s, CPU {cpu(ref):.0f} ms "
      f"| {ref['median']/ours['median']:.2f} | {cpu(ref)/cpu(ours):.2f} |")
PY
}

echo "| archive | ours (bench_archive_extract): wall median, throughput, CPU mean | reference, the same | reference / ours, wall | reference / ours, CPU |"
echo "|---|---|---|---|---|"
row ZIP "$data/book.zip" "$bench '$data/book.zip' '$data/out'" "unzip -qo '$data/book.zip' -d '$data/out'" "unzip"
row LZH "$data/book.lzh" "$bench '$data/book.lzh' '$data/out'" "lha -xqw='$data/out' '$data/book.lzh'" "lha (lhasa)"
row RAR "$data/book.rar" "$bench '$data/book.rar' '$data/out'" "unrar x -o+ -idq '$data/book.rar' '$data/out/'" "unrar"
echo
echo "Text: ${bytes} bytes; wall medians and CPU (user + system) means of ${runs} runs after one warm-up; load average: $(cut -d' ' -f1-3 /proc/loadavg)."
