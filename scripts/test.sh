#!/usr/bin/env bash
# Installs what is missing, builds, gives each fuzz target a short run under AddressSanitizer
# and UndefinedBehaviorSanitizer when clang is present, and runs every unit test (last, so
# that the test summary closes the output).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh

if command -v clang++ >/dev/null 2>&1 && [ "${CORVALIN_SKIP_FUZZ:-0}" != 1 ]; then
  scripts/fuzz.sh "${CORVALIN_FUZZ_SECONDS:-20}"
fi

ctest --test-dir build --output-on-failure -j"$(nproc)"
