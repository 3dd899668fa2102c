#!/usr/bin/env bash
# Builds the programs and the Debian package build/corvalindestrum_VERSION_amd64.deb, then has
# lintian check it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" -DCMAKE_INSTALL_PREFIX=/usr >/dev/null
cmake --build build -j"$(nproc)" --target corvalindestrum corvalin-convert corvalin-book corvalin-render \
  corvalin-config $(grep -q 'corvalin-library' build/build.ninja && echo corvalin-library) \
  corvalin_icons corvalin_manual_pages corvalin_changelog
(cd build && cpack -G DEB >/dev/null)
package=$(ls -t build/corvalindestrum_*_amd64.deb | head -n 1)
echo "package: $package"
if command -v lintian >/dev/null; then
  # Errors fail the build; warnings are shown.
  lintian --fail-on error --suppress-tags dir-or-file-in-opt "$package"
fi
