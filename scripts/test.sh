#!/usr/bin/env bash
# Installs what is missing, builds, runs every unit test, then gives each fuzz target a short
# run under AddressSanitizer and UndefinedBehaviorSanitizer when clang is present.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh
ctest --test-dir build --output-on-failure -j"$(nproc)"

if command -v clang++ >/dev/null 2>&1 && [ "${CORVALIN_SKIP_FUZZ:-0}" != 1 ]; then
  scripts/fuzz.sh "${CORVALIN_FUZZ_SECONDS:-20}"
fi
