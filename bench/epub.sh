#!/usr/bin/env bash
# EPUB import against pandoc's plain-text writer on the same book, in the same run: a 20 MB
# book of 200 chapters (English text chained from the licence texts Debian ships, so that it
# packs like a book), imported by corvalin-convert and converted by `pandoc -t plain`. Whole
# processes, both writing their output to disk. Prints a Markdown table for docs/BENCHMARKS.md.
set -euo pipefail
cd "$(dirname "$0")/.."
for tool in hyperfine zip pandoc; do
  command -v "$tool" >/dev/null || { echo "epub.sh: $tool is missing (scripts/setup.sh installs it)" >&2; exit 1; }
done
[ -x build/bin/corvalin-convert ] || cmake --build build --target corvalin-convert >/dev/null
data="$PWD/build/bench-epub"
mkdir -p "$data"
if [ ! -s "$data/book.epub" ]; then
  rm -rf "$data/book"
  python3 - "$data/book" /usr/share/common-licenses/{GPL-3,LGPL-2.1,Apache-2.0,MPL-2.0,GFDL-1.3,Artistic} <<'PY'
import html, os, random, sys
root = sys.argv[1]
words = " ".join(open(p, encoding="utf-8", errors="replace").read() for p in sys.argv[2:]).split()
follow = {}
for a, b, c in zip(words, words[1:], words[2:]):
    follow.setdefault((a, b), []).append(c)
rng = random.Random(1)
os.makedirs(f"{root}/META-INF"); os.makedirs(f"{root}/OEBPS")
open(f"{root}/mimetype", "w").write("application/epub+zip")
open(f"{root}/META-INF/container.xml", "w").write(
    '<?xml version="1.0"?><container version="1.0" xmlns="urn:oasis:names:tc:opendocument:xmlns:container">'
    '<rootfiles><rootfile full-path="OEBPS/content.opf" media-type="application/oebps-package+xml"/>'
    '</rootfiles></container>')
a, b = words[0], words[1]
chapters = 200
for n in range(chapters):
    paragraphs, size = [], 0
    while size < 100 * 1000:
        sentence = []
        for _ in range(rng.randint(40, 120)):
            c = rng.choice(follow.get((a, b)) or words)
            sentence.append(c)
            a, b = b, c
        text = html.escape(" ".join(sentence))
        paragraphs.append(f"<p>{text}</p>\n")
        size += len(text)
    open(f"{root}/OEBPS/c{n}.xhtml", "w").write(
        '<?xml version="1.0" encoding="utf-8"?><html xmlns="http://www.w3.org/1999/xhtml"><head>'
        f'<title>Chapter {n + 1}</title></head><body><h1 id="c">Chapter {n + 1}</h1>\n' + "".join(paragraphs) +
        "</body></html>")
items = "".join(f'<item id="c{n}" href="c{n}.xhtml" media-type="application/xhtml+xml"/>' for n in range(chapters))
spine = "".join(f'<itemref idref="c{n}"/>' for n in range(chapters))
nav = "".join(f'<li><a href="c{n}.xhtml">Chapter {n + 1}</a></li>' for n in range(chapters))
open(f"{root}/OEBPS/nav.xhtml", "w").write(
    '<?xml version="1.0" encoding="utf-8"?><html xmlns="http://www.w3.org/1999/xhtml" '
    'xmlns:epub="http://www.idpf.org/2007/ops"><head><title>Contents</title></head><body>'
    f'<nav epub:type="toc"><ol>{nav}</ol></nav></body></html>')
open(f"{root}/OEBPS/content.opf", "w").write(
    '<?xml version="1.0"?><package xmlns="http://www.idpf.org/2007/opf" version="3.0" unique-identifier="id">'
    '<metadata xmlns:dc="http://purl.org/dc/elements/1.1/"><dc:identifier id="id">bench</dc:identifier>'
    '<dc:title>Licences Chained</dc:title><dc:creator>Bench Author</dc:creator><dc:language>en</dc:language>'
    f'</metadata><manifest><item id="nav" href="nav.xhtml" media-type="application/xhtml+xml" properties="nav"/>'
    f'{items}</manifest><spine>{spine}</spine></package>')
PY
  (cd "$data/book" && zip -X -0 -q ../book.epub mimetype && zip -X -r -q -6 ../book.epub META-INF OEBPS)
fi
text=$(du -sb "$data/book/OEBPS" | cut -f1)
runs=${EPUB_BENCH_RUNS:-3}
hyperfine --style none --runs "$runs" --export-json "$data/epub.json" \
  --prepare "rm -rf '$data/out' && mkdir -p '$data/out'" \
  -n ours "build/bin/corvalin-convert --books '$data/out' '$data/book.epub'" \
  -n reference "pandoc -t plain '$data/book.epub' -o '$data/out/book.txt'" >/dev/null
python3 - "$data/epub.json" "$text" "$(stat -c %s "$data/book.epub")" <<'PY'
import json, sys
results = {r["command"]: r for r in json.load(open(sys.argv[1]))["results"]}
text, packed = int(sys.argv[2]), int(sys.argv[3])
print("| tool | EPUB (packed) | pages (inflated) | median s | MB/s of pages |")
print("|---|---|---|---|---|")
for name, label in (("ours", "corvalin-convert"), ("reference", "pandoc -t plain")):
    median = results[name]["median"]
    print(f"| {label} | {packed / 1e6:.1f} MB | {text / 1e6:.1f} MB | {median:.2f} | {text / 1e6 / median:.1f} |")
PY
