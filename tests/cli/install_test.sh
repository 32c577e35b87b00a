#!/usr/bin/env bash
# cmake --install: the installed program finds its shipped files in <prefix>/share/quillon-engine/,
# and the menu entry and its icon lie where desktops look for them.
#   install_test.sh CMAKE BUILD_DIR [GUI_PROGRAM_NAME]
set -euo pipefail
cmake="$1"
build="$2"
gui="${3:-}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
prefix="$work/prefix"

"$cmake" --install "$build" --prefix "$prefix" >/dev/null
shipped="$prefix/share/quillon-engine"
for file in bin/quillon bin/quillon-publish bin/quillon-ftp bin/quillon-console lib/quillon-engine/libqle_imaging.so "share/quillon-engine/Blank Site.qls" "share/quillon-engine/Quillon Engine.mdb" \
    share/quillon-engine/qle_logo.bmp share/quillon-engine/default_banner.gif share/quillon-engine/help.htm \
    share/applications/quillon-engine.desktop share/icons/hicolor/scalable/apps/quillon-engine.svg \
    share/icons/hicolor/256x256/apps/quillon-engine.png; do
    test -s "$prefix/$file" || { echo "not installed: $file"; exit 1; }
done

out="$(HOME="$work/home" "$prefix/bin/quillon" init --base "$work/Base")"
grep -qx "Program folder: *$shipped/" <<<"$out" || { echo "$out"; exit 1; }
grep -qx "Application database: *$shipped/Quillon Engine.mdb" <<<"$out" || { echo "$out"; exit 1; }
grep -qx "Blank site: *$shipped/Blank Site.qls" <<<"$out" || { echo "$out"; exit 1; }

# The commands that need the network are run by quillon-publish, started from beside quillon.
set +e
out="$(HOME="$work/home" "$prefix/bin/quillon" password 2>&1)"
status=$?
set -e
[ "$status" -eq 2 ] && grep -q "usage: quillon password" <<<"$out" || { echo "password: $status $out"; exit 1; }

entry="$prefix/share/applications/quillon-engine.desktop"
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$entry"
fi
grep -qx "Icon=quillon-engine" "$entry"
if [ -n "$gui" ]; then
    grep -qx "Exec=$gui" "$entry"
    test -x "$prefix/bin/$gui" || { echo "the menu entry's program $gui is not installed"; exit 1; }
fi
