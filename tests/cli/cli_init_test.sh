#!/usr/bin/env bash
# quillon --version and init: the folder tree under the base folder.
set -euo pipefail
quillon="$1"
base="$(mktemp -d)"
trap 'rm -rf "$base"' EXIT

"$quillon" --version | grep -Eq '^Quillon Engine Version [0-9]+\.[0-9]+\.[0-9]+$'
out="$("$quillon" init --base "$base/Base")"
grep -q "Base folder: *$base/Base/" <<<"$out"
test -d "$base/Base/Templates/Images" -a -d "$base/Base/TempInternetFiles"

# A base folder that cannot be made is reported, with a non-zero exit.
touch "$base/file"
if "$quillon" init --base "$base/file/sub" 2>"$base/err"; then
    echo "init should fail"; exit 1
fi
grep -q "$base/file/sub" "$base/err"
