#!/usr/bin/env bash
# HA extraction as a whole process. A 20 MiB text (every licence text Debian ships, repeated) is
# packed with ASC and with HSC by the test packer (no HA archiver ships in Debian), then
# bench_ha_extract lists and extracts it (map, decode, CRC-32, write the file) into an empty
# folder; gzip, bzip2 and xz decompress the same text to a file in the same run for comparison.
# Best of RUNS (default 3) by wall time; prints a Markdown table for docs/BENCHMARKS.md.
# BUILD_DIR names the build directory (default build); TEXT names another text to use instead.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build}
runs=${RUNS:-3}
[ -f "$build/build.ninja" ] || cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target bench_ha_pack bench_ha_extract >/dev/null

data="$build/ha-bench"
mkdir -p "$data"
size=$((20 * 1024 * 1024))
if [ -n "${TEXT:-}" ]; then
  text=$TEXT
else
  text="$data/licences.txt"
  if [ ! -s "$text" ] || [ "$(stat -c %s "$text")" -ne "$size" ]; then
    : > "$data/all.txt"
    while [ "$(stat -c %s "$data/all.txt")" -lt "$size" ]; do
      find -L /usr/share/common-licenses -maxdepth 1 -type f | sort | while read -r licence; do
        cat "$licence" >> "$data/all.txt"
      done
    done
    head -c "$size" "$data/all.txt" > "$text"
    rm -f "$data/all.txt"
  fi
fi
# Packed forms are kept beside the text's name and made again when the text is newer.
stem="$data/$(basename "$text")"
for method in 1 2; do
  [ "$stem.method$method.ha" -nt "$text" ] || "$build/bin/bench_ha_pack" "$method" "$stem.method$method.ha" "$text"
done
[ "$stem.gz" -nt "$text" ] || gzip -9 -c "$text" > "$stem.gz"
[ "$stem.bz2" -nt "$text" ] || bzip2 -9 -c "$text" > "$stem.bz2"
[ "$stem.xz" -nt "$text" ] || xz -6 -c "$text" > "$stem.xz"

out="$data/out"
# Prints "wall user system" of the fastest run; the output folder is emptied before each run
# (the reader reuses a file already there and would not decode at all).
measure() {
  local best="" bestWall=""
  for _ in $(seq "$runs"); do
    rm -rf "$out"
    mkdir "$out"
    /usr/bin/time -f "%e %U %S" -o "$data/time" "$@" >/dev/null
    read -r wall user system < "$data/time"
    if [ -z "$best" ] || awk -v a="$wall" -v b="$bestWall" 'BEGIN { exit !(a < b) }'; then
      best="$wall $user $system"
      bestWall=$wall
    fi
  done
  echo "$best"
}
# "wall, user, system" for a table cell.
cell() { read -r wall user system <<< "$1"; echo "$wall, $user, $system"; }

load_before=$(cut -d' ' -f1-3 /proc/loadavg)
rows=()
for method in 1 2; do
  name=$([ "$method" = 1 ] && echo "ASC" || echo "HSC")
  archive="$stem.method$method.ha"
  figures=$(measure "$build/bin/bench_ha_extract" "$archive" "$out")
  cmp -s "$out/$(basename "$text")" "$text" || { echo "ha: $name extraction differs from the text" >&2; exit 1; }
  rows+=("| HA $name, \`bench_ha_extract\` | $(stat -c %s "$archive") | $(cell "$figures") |")
done
for pair in gzip:gz bzip2:bz2 xz:xz; do
  tool=${pair%%:*}
  file="$stem.${pair##*:}"
  figures=$(measure sh -c "$tool -dc '$file' > '$out/text.txt'")
  cmp -s "$out/text.txt" "$text" || { echo "ha: $tool output differs from the text" >&2; exit 1; }
  rows+=("| \`$tool -dc\` to a file | $(stat -c %s "$file") | $(cell "$figures") |")
done
load_after=$(cut -d' ' -f1-3 /proc/loadavg)

echo "Text: $(basename "$text"), $(stat -c %s "$text") bytes; best of $runs runs by wall time; load average $load_before before, $load_after after."
echo
echo "| what | packed bytes | wall, user, system (s) |"
echo "|---|---|---|"
printf '%s\n' "${rows[@]}"
