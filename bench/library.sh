#!/usr/bin/env bash
# The library's first showing on libraries of 1000 and 10,000 books: time and memory of
# corvalin-library (whole process: scan, derivation, books written and renamed, tree printed)
# on a freshly imported library, the same on the library it left (a later start), and beside
# them `cat` reading every book file whole in the same run. bench_library gives the phases.
#
# The books are made from real texts Debian ships (the licences, the fortunes, the packages'
# copyright files): four books in five open with an author line and a title line, one in five
# has neither, and a few come from description files, which the library lists as not texts.
# Prints Markdown rows for docs/BENCHMARKS.md.
set -euo pipefail
cd "$(dirname "$0")/.."
for target in corvalin-convert corvalin-library bench_library; do
  [ -x "build/bin/$target" ] || cmake --build build --target "$target" >/dev/null
done
data=build/bench-data/library
mkdir -p "$data"
pool="$data/pool.txt"
if [ ! -s "$pool" ]; then
  cat /usr/share/common-licenses/* > "$pool"
  for f in /usr/share/games/fortunes/*; do
    case "$f" in *.dat|*.u8) ;; *) [ -f "$f" ] && cat "$f" >> "$pool" ;; esac
  done
  find /usr/share/doc -name copyright -type f -print0 | sort -z | xargs -0 cat >> "$pool"
fi

make_library() {  # COUNT FOLDER
  local count=$1 folder=$2
  [ -d "$folder/Books" ] && [ "$(ls "$folder/Books" | wc -l)" -ge "$count" ] && return 0
  rm -rf "$folder" "$folder.texts"
  mkdir -p "$folder/Books" "$folder.texts"
  python3 - "$pool" "$count" "$folder.texts" <<'PY'
import sys
pool = open(sys.argv[1], encoding="utf-8", errors="replace").read().splitlines()
count, out = int(sys.argv[2]), sys.argv[3]
surnames = ["Abbott", "Baker", "Carver", "Dalton", "Ellison", "Fairbanks", "Garner", "Holloway",
            "Ingram", "Jameson", "Kendrick", "Lambert", "Merrill", "Norwood", "Oakley", "Prescott",
            "Quinton", "Radford", "Sheldon", "Thornton", "Underwood", "Vaughan", "Whitaker", "Yardley",
            "Ashford", "Blackwood", "Crawford", "Dunmore", "Everett", "Fletcher", "Goodwin", "Hartley",
            "Kingsley", "Langford", "Marlowe", "Pemberton", "Rutherford", "Stanton", "Thackeray",
            "Wakefield"]
given = ["Alice", "Bernard", "Clara", "Daniel", "Edith", "Francis", "Grace", "Henry", "Irene",
         "Jonas", "Louisa", "Martin", "Nora", "Oscar", "Philippa", "Rupert", "Sylvia", "Thomas",
         "Ursula", "Walter"]
words = ["River", "Winter", "Garden", "Letters", "Shadow", "Harbour", "Journey", "Lantern",
         "Meadow", "Orchard", "Silence", "Tide", "Valley", "Window", "Compass", "Evening"]
authors = max(1, count // 5)
step = 2 * 1024
for i in range(count):
    author = f"{surnames[i % authors % len(surnames)]} {given[(i % authors) // len(surnames) % len(given)]}"
    title = f"The {words[i % len(words)]} of {words[(i // len(words)) % len(words)]} {i}"
    start = (i * 7919 * 13) % max(1, len(pool) - 800)
    # Paragraphs of four lines: the pool's files mostly mark paragraphs in ways other than a
    # blank line, and a book of fewer than 31 paragraphs is not a text to the library.
    lines = pool[start:start + 700]
    body = "\n\n".join("\n".join(lines[k:k + 4]) for k in range(0, len(lines), 4))
    kind = i % 20
    if kind == 0:
        name, head = f"readme{i:05d}.nfo", ""
    elif kind % 5 == 1:
        name, head = f"text{i:05d}.txt", ""
    else:
        name, head = f"text{i:05d}.txt", f"{author}\n\n{title}\n\n"
    with open(f"{out}/{name}", "w", encoding="utf-8") as f:
        f.write(head + body + "\n")
PY
  find "$folder.texts" -type f -print0 | sort -z |
    xargs -0 -n 500 build/bin/corvalin-convert --books "$folder/Books" >/dev/null
  rm -rf "$folder.texts"
}

# One whole-process run: wall seconds and peak resident kilobytes.
timed() {
  /usr/bin/time -f "%e %M" -o "$data/time.txt" "$@" >/dev/null
  cat "$data/time.txt"
}

for count in 1000 10000; do
  fresh="$data/fresh-$count"
  make_library "$count" "$fresh"
  mb=$(du -sm "$fresh/Books" | cut -f1)
  work="$data/work-$count"

  rm -rf "$work" && cp -a "$fresh" "$work"
  read -r first_s first_kb < <(timed build/bin/corvalin-library --dir "$work")
  read -r again_s again_kb < <(timed build/bin/corvalin-library --dir "$work")
  sync
  read -r cat_s _ < <(timed sh -c "cat '$work'/Books/*.book")
  groups=$(build/bin/corvalin-library --dir "$work" | grep '^Author: ' | grep -vc '^Author: Unknown$' || true)

  rm -rf "$work" && cp -a "$fresh" "$work"
  phases=$(build/bin/bench_library "$work")
  scan=$(echo "$phases" | sed -n 's/^scan s //p')
  derive=$(echo "$phases" | sed -n 's/^derivation and writing s //p')
  rebuild=$(echo "$phases" | sed -n 's/^rebuild again s //p')
  bytes=$(echo "$phases" | sed -n 's/^library bytes //p')
  authored=$(echo "$phases" | sed -n 's/^books with an author //p')
  rm -rf "$work"

  echo "| $count books ($mb MB), $authored given an author, $groups author groups: \`corvalin-library\`, first showing (scan, derivation, books written and renamed) | ${first_s} s, ${first_kb} kB peak |"
  echo "| the same, a later start (library already derived) | ${again_s} s, ${again_kb} kB peak |"
  echo "| \`cat\` of every book file, same run | ${cat_s} s |"
  echo "| phases in one process: scan / derivation and writing / a rebuild after it | ${scan} s / ${derive} s / ${rebuild} s |"
  echo "| memory the library holds (entries and preview lines) | $((bytes / 1024)) kB |"
done
