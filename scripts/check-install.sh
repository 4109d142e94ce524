#!/usr/bin/env bash
# Installs a built tree into a temporary prefix and checks what a desktop
# needs from it: every file in its place, each icon at its own size, the
# desktop entry and the AppStream metadata valid, the metadata's release and
# the program's --version both the build's version, and an installed program
# that answers without a display and never looks for its help in the tree it
# was built from. Usage: scripts/check-install.sh [build folder]
set -euo pipefail
cd "$(dirname "$0")/.."
SOURCE="$(pwd)"
BUILD="${1:-build}"
ID=org.korvanta.Volumetra

PREFIX="$(mktemp -d)"
trap 'rm -rf "$PREFIX"' EXIT
cmake --install "$BUILD" --prefix "$PREFIX" > /dev/null

failed=0
fail() {
  echo "check-install: $*" >&2
  failed=1
}

expected=(bin/volumetra share/volumetra/vmetra.htm share/applications/$ID.desktop share/metainfo/$ID.metainfo.xml)
for size in 16 32 48 128 256; do
  expected+=("share/icons/hicolor/${size}x${size}/apps/$ID.png")
done
for file in "${expected[@]}"; do
  [ -f "$PREFIX/$file" ] || fail "$file is missing"
done
[ -x "$PREFIX/bin/volumetra" ] || fail "bin/volumetra is not executable"

# A PNG's width and height are the big-endian words at bytes 16 and 20.
for size in 16 32 48 128 256; do
  icon="$PREFIX/share/icons/hicolor/${size}x${size}/apps/$ID.png"
  [ -f "$icon" ] || continue
  dimensions="$(od -An -tu1 -j16 -N8 "$icon" |
                awk '{ print $1*16777216 + $2*65536 + $3*256 + $4 "x" $5*16777216 + $6*65536 + $7*256 + $8 }')"
  [ "$dimensions" = "${size}x${size}" ] || fail "the ${size}x${size} icon is $dimensions"
done

echo "desktop-file-validate $ID.desktop"
desktop-file-validate "$PREFIX/share/applications/$ID.desktop" || fail "the desktop entry is not valid"
echo "appstreamcli validate --no-net $ID.metainfo.xml"
appstreamcli validate --no-net "$PREFIX/share/metainfo/$ID.metainfo.xml" || fail "the AppStream metadata is not valid"

version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$BUILD/CMakeCache.txt")"
grep -q "<release version=\"$version\"" "$PREFIX/share/metainfo/$ID.metainfo.xml" ||
  fail "the metadata names no release $version"
answer="$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$PREFIX/bin/volumetra" --version)" ||
  fail "the installed program's --version failed"
[ "$answer" = "volumetra $version" ] || fail "--version says '$answer', not 'volumetra $version'"

# The program's constant texts, narrow or UTF-16 (the NULs dropped), must
# not name the source tree's docs folder.
objcopy -O binary --only-section=.rodata "$PREFIX/bin/volumetra" "$PREFIX/constants"
if tr -d '\0' < "$PREFIX/constants" | grep -qaF "$SOURCE/docs"; then
  fail "the program names $SOURCE/docs"
fi

if [ "$failed" != 0 ]; then exit 1; fi
echo "check-install: the installation under a temporary prefix is complete and valid"
