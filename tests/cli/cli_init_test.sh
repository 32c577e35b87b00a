#!/usr/bin/env bash
# quillon --version and init: the folder tree under the base folder and the shipped databases.
set -euo pipefail
quillon="$1"
base="$(mktemp -d)"
trap 'rm -rf "$base"' EXIT

"$quillon" --version | grep -Eq '^Quillon Engine Version [0-9]+\.[0-9]+\.[0-9]+$'
out="$("$quillon" init --base "$base/Base")"
grep -q "Base folder: *$base/Base/" <<<"$out"
for folder in Templates/Images Templates/Banners Templates/WebSites WebSites TempInternetFiles; do
    test -d "$base/Base/$folder" || { echo "missing $folder"; exit 1; }
done
program_folder="$(dirname "$quillon")"
test -s "$program_folder/Blank Site.qls"
test -s "$program_folder/Quillon Engine.mdb"
"$quillon" init --base "$base/Base" >/dev/null   # twice is harmless

# A base folder that cannot be made is reported, with a non-zero exit.
touch "$base/file"
if "$quillon" init --base "$base/file/sub" 2>"$base/err"; then
    echo "init should fail"; exit 1
fi
grep -q "$base/file/sub" "$base/err"
