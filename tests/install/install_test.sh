#!/usr/bin/env bash
# An install into a temporary prefix holds the program, its desktop entry, icons,
# AppStream metadata and licence, and both validators accept them.
set -euo pipefail
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
id=example.quillfen.Rotavox
for file in bin/rotavox share/applications/$id.desktop share/metainfo/$id.metainfo.xml \
    share/icons/hicolor/scalable/apps/$id.svg share/icons/hicolor/48x48/apps/$id.png \
    share/icons/hicolor/256x256/apps/$id.png share/doc/rotavox/copyright; do
    [ -f "$prefix/$file" ] || { echo "missing: $file" >&2; exit 1; }
done
[ -x "$prefix/bin/rotavox" ]
"$prefix/bin/rotavox" --version | grep -q '^Rotavox '
desktop-file-validate "$prefix/share/applications/$id.desktop"
appstreamcli validate --no-net "$prefix/share/metainfo/$id.metainfo.xml"
echo ok
