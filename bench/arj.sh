#!/usr/bin/env bash
# Times our ARJ reader against the real archiver extracting the same archive, as whole
# processes that both write the member to disk, and prints a Markdown table for
# docs/BENCHMARKS.md. The text (over 20 MB) is the licence texts Debian ships, repeated, with
# numbered lines of varying length between the copies so that not every match is a repeat.
# Archives are made with `arj a -m1` and `arj a -m4`. RUNS (default 7) runs of each tool,
# alternating, timed by bash; the table shows the best and the median elapsed time.
set -euo pipefail
cd "$(dirname "$0")/.."
runs="${RUNS:-7}"
command -v arj >/dev/null || { echo "arj is not installed (scripts/setup.sh installs it)" >&2; exit 1; }
[ -x build/bin/bench_arj_extract ] || cmake --build build --target bench_arj_extract >/dev/null

data=build/bench-data/arj
mkdir -p "$data"
text="$data/text.txt"
if [ ! -s "$text" ] || [ "$(stat -c %s "$text")" -lt $((20 * 1000 * 1000)) ]; then
  : > "$text"
  round=0
  while [ "$(stat -c %s "$text")" -lt $((20 * 1000 * 1000)) ]; do
    cat /usr/share/common-licenses/GPL-3 /usr/share/common-licenses/LGPL-2.1 >> "$text"
    awk -v r="$round" 'BEGIN { for (i = 0; i < 400; i++) { s = ""; for (k = 0; k < (i * 7) % 61; k++) s = s sprintf("%c", 97 + (i + k * r) % 26); printf "Round %d line %d: %s\n", r, (i * 7919) % 1000, s } }' >> "$text"
    round=$((round + 1))
  done
fi
bytes=$(stat -c %s "$text")

# Elapsed and CPU (user + system) seconds, by bash's own timer to the millisecond, of one
# command run in `folder` after emptying it. On a shared machine the CPU time is the steadier
# of the two.
timed() {
  local folder=$1; shift
  rm -rf "$folder" && mkdir -p "$folder"
  local TIMEFORMAT="%3R %3U %3S"
  { time ( cd "$folder" && "$@" >/dev/null 2>&1 ); } 2>&1 | awk '{ printf "%s %.3f\n", $1, $2 + $3 }'
}

stats() {  # best and median of column $1 of stdin
  awk -v c="$1" '{ print $c }' | sort -g |
    awk '{ v[NR] = $1 } END { m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2; printf "%s %s\n", v[1], m }'
}

echo "| method | archive | what | \`arj e\` best / median | ours best / median | our speed / arj's (best, median) |"
echo "|---|---|---|---|---|---|"
for method in 1 4; do
  archive="$PWD/$data/text-m$method.arj"
  if [ ! -s "$archive" ] || [ "$archive" -ot "$text" ]; then
    rm -f "$archive"
    ( cd "$data" && arj a -y -e -m$method "$archive" text.txt >/dev/null )
  fi
  ours="$PWD/build/bin/bench_arj_extract"
  theirs=(); mine=()
  for _ in $(seq "$runs"); do
    theirs+=("$(timed "$data/out-arj" arj e -y "$archive")")
    cmp -s "$data/out-arj/text.txt" "$text" || { echo "arj extracted something else" >&2; exit 1; }
    mine+=("$(timed "$data/out-ours" "$ours" "$archive" .)")
    cmp -s "$data/out-ours/text.txt" "$text" || { echo "our reader extracted something else" >&2; exit 1; }
  done
  for column in 1 2; do
    what=elapsed; [ "$column" = 2 ] && what="CPU (user + system)"
    read -r arj_best arj_median < <(printf '%s\n' "${theirs[@]}" | stats "$column")
    read -r our_best our_median < <(printf '%s\n' "${mine[@]}" | stats "$column")
    awk -v m="$method" -v a="$(stat -c %s "$archive")" -v b="$bytes" -v w="$what" \
        -v ab="$arj_best" -v am="$arj_median" -v ob="$our_best" -v om="$our_median" 'BEGIN {
      printf "| -m%s | %.1f MB of a %.1f MB text | %s | %.3f / %.3f s | %.3f / %.3f s | %.1f, %.1f |\n",
        m, a / 1e6, b / 1e6, w, ab, am, ob, om, (ob > 0 ? ab / ob : 0), (om > 0 ? am / om : 0) }'
  done
done
rm -rf "$data/out-arj" "$data/out-ours"
