#!/usr/bin/env bash
# Installs every Debian package the project builds, tests and runs with.
# Safe to run again: it touches apt only when a package is missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  libicu-dev zlib1g-dev libarchive-dev libpugixml-dev
  libunrar-dev libunrar-headers
  clang libclang-rt-dev
  qt6-base-dev libxcb1-dev fonts-dejavu-core fonts-liberation2 fontconfig
  # Faces the Windows families of the settings are drawn with (src/platform/qt/FontFamilies).
  fonts-comic-neue fonts-crosextra-carlito fonts-crosextra-caladea
  # The monospace face many Linux desktops fall back to; its widest glyph is three times its
  # advance, which the fixed-width layout must not take for the character width.
  fonts-noto-mono
  xvfb xauth xdotool imagemagick
  # The Debian package and its checks.
  dpkg-dev fakeroot lintian desktop-file-utils appstream librsvg2-bin libxml2-utils
  # Real archivers and converters that make the tests' fixtures and stand beside ours in the
  # benchmarks.
  arj jlha-utils lhasa zip unzip rar unrar p7zip-full txt2pdbdoc catdoc pandoc
  # Side-by-side timing of whole processes in the benchmark scripts.
  hyperfine
  # Real texts in several languages for the code page detection tests.
  fortunes-ru fortunes-de fortunes-cs fortunes-zh manpages-ja
  # Real EPUB books in English, Japanese and Russian for the EPUB import tests.
  live-manual-epub ubuntu-packaging-guide-epub-ru
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)

# The UnRAR library lives in Debian's non-free component; add it to the machine's own
# sources (deb822 format) without naming any mirror.
sources=/etc/apt/sources.list.d/debian.sources
if [ -f "$sources" ] && grep -E '^Components:' "$sources" | grep -qvE '(^|[[:space:]])non-free([[:space:]]|$)'; then
  "${sudo_cmd[@]}" sed -i -E '/^Components:/{/(^|[[:space:]])non-free([[:space:]]|$)/!s/[[:space:]]*$/ non-free/}' "$sources"
fi
if [ -f /etc/apt/sources.list ] && grep -qE '^deb .* main' /etc/apt/sources.list; then
  "${sudo_cmd[@]}" sed -i -E '/^deb /{/ non-free( |$)/!s/ main( |$)/ main non-free\1/}' /etc/apt/sources.list
fi

echo "setup: installing ${missing[*]}"
"${sudo_cmd[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
