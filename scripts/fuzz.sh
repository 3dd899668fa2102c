#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and the sanitizers and runs each for SECONDS
# (default 20) on a scratch copy of its seed corpus.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-20}"
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCORVALIN_FUZZ=ON -DCORVALIN_SANITIZE=ON -DCORVALIN_FUZZ_SKIP_DIGESTS=ON \
  -DCORVALIN_TESTS=OFF -DCORVALIN_BENCH=OFF >/dev/null
# Only the fuzz targets: the tools and the windows are not fuzzed.
targets=()
for corpus in fuzz/corpus/*/; do targets+=("fuzz_$(basename "$corpus")"); done
cmake --build build-fuzz -j"$(nproc)" --target "${targets[@]}"

for target in fuzz/corpus/*/; do
  name=$(basename "$target")
  binary="build-fuzz/bin/fuzz_${name}"
  [ -x "$binary" ] || { echo "fuzz: no binary for $name" >&2; exit 1; }
  scratch=$(mktemp -d)
  cp -r "$target". "$scratch"/
  dict=()
  [ -f "fuzz/dict/${name}.dict" ] && dict=(-dict="fuzz/dict/${name}.dict")
  echo "fuzz: $name for ${seconds}s"
  "$binary" -max_total_time="$seconds" -max_len=65536 -rss_limit_mb=2048 -print_final_stats=0 \
    "${dict[@]}" "$scratch" 2>"$scratch.log" || { tail -n 60 "$scratch.log" >&2; exit 1; }
  grep -E '^Done [0-9]+ runs' "$scratch.log" || tail -n 2 "$scratch.log"
  rm -rf "$scratch" "$scratch.log"
done
