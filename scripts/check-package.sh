#!/usr/bin/env bash
# Builds the Debian package and checks it without installing it: unpacked into a scratch root,
# the files lie where a desktop expects them, and the desktop entry, the AppStream metadata and
# the file type pass their validators.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/package.sh
package=$(ls -t build/corvalindestrum_*_amd64.deb | head -n 1)
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$package" "$root"
for file in usr/bin/corvalindestrum usr/bin/corvalin-convert usr/bin/corvalin-book usr/bin/corvalin-render \
            usr/bin/corvalin-config usr/share/applications/corvalindestrum.desktop \
            usr/share/metainfo/org.corvalindestrum.Corvalindestrum.metainfo.xml \
            usr/share/mime/packages/corvalindestrum-book.xml \
            usr/share/icons/hicolor/scalable/apps/corvalindestrum.svg \
            usr/share/icons/hicolor/48x48/apps/corvalindestrum.png \
            usr/share/corvalindestrum/samples/Welcome.txt usr/share/man/man1/corvalindestrum.1.gz \
            usr/share/doc/corvalindestrum/copyright; do
  [ -e "$root/$file" ] || { echo "check-package: $file is missing" >&2; exit 1; }
done
# The installed reader finds its data beside itself, wherever the root is.
[ -d "$root/usr/bin/../share/corvalindestrum" ]
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$root/usr/share/applications/corvalindestrum.desktop"
fi
if command -v appstreamcli >/dev/null; then
  appstreamcli validate --no-net "$root/usr/share/metainfo/org.corvalindestrum.Corvalindestrum.metainfo.xml"
fi
if command -v xmllint >/dev/null; then
  xmllint --noout "$root/usr/share/mime/packages/corvalindestrum-book.xml"
fi
echo "check-package: $package unpacks with every file in place"
