#!/usr/bin/env bash
# Saves a picture of every window of the program into OUTDIR: the start dialog, each tab of the
# site editor on a fixture site (Colours, Banner & Homepage with a banner and homepage set, the
# View tab after a build), the colour boxes' swatches, the delete confirmation, the editor at
# 1600x1000 and 900x600, the restore dialog, the start dialog's Recent tab, the provider
# catalogue, the splash and the About window, an article and a category page of the site in the
# Modern style at a phone's and a desktop's width, and the help for writing: the live preview
# beside the editor at 1600x1000, the formatting toolbar, a spelling menu, the find results and
# the page list. Each window's picture carries its title.
#   scripts/screenshots.sh OUTDIR
# Runs under a virtual X server (Xvfb), with a scratch home folder, so nothing of yours is touched.
set -euo pipefail

if [ $# -ne 1 ]; then
    echo "usage: $0 OUTDIR" >&2
    exit 2
fi
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${QLE_BUILD_DIR:-$here/build}"
mkdir -p "$1"
out="$(cd "$1" && pwd)"

# Built every time (nothing to do when it is current), so the pictures show the code as it is.
[ -f "$build/CMakeCache.txt" ] || cmake -S "$here" -B "$build" -G Ninja >/dev/null
if ! built="$(cmake --build "$build" --target ui_screenshots 2>&1)"; then
    echo "$built" >&2
    exit 1
fi

scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
export HOME="$scratch"
export QT_QPA_PLATFORM=xcb
[ "$(id -u)" -ne 0 ] || export QTWEBENGINE_DISABLE_SANDBOX=1

xvfb-run -a -s "-screen 0 1700x1100x24" "$build/tests/ui_screenshots" "$out"
