#!/usr/bin/env bash
# After a rebuild, a time-comparing tool sends only the files that changed: `lftp mirror -R
# --only-newer` against a loopback FTP server (Debian's pyftpdlib) that already holds the site.
#
#   bench/build/only_newer.sh [KIT_DIR]      # N (2000), EDITS (2), SCRATCH, KEEP
#
# Builds the kit's synthetic site, mirrors the web folder to the server, then EDITS times: edits
# one article's main text, rebuilds into the same base folder and mirrors with --only-newer,
# printing the files lftp sent.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
repo="$(cd "$here/../.." && pwd)"
kit="$(cd "${1:-$repo/../shared/bench/ssg}" && pwd)"
N=${N:-2000}
EDITS=${EDITS:-2}
build="${QLE_BUILD_DIR:-$repo/build}"
quillon="$build/bin/quillon"

source "$here/../prepare.sh"
install_missing lftp=lftp bc=bc python3=python3
/usr/bin/python3 -c 'import pyftpdlib' 2>/dev/null || install_missing no-such-program=python3-pyftpdlib
build_quillon "$repo" "$build"

scratch="${SCRATCH:-$(mktemp -d "${TMPDIR:-/tmp}/qle-newer.XXXXXX")}"
mkdir -p "$scratch/server"
server_pid=
cleanup() {
    [ -z "$server_pid" ] || kill "$server_pid" 2>/dev/null || true
    [ "${KEEP:-0}" = 1 ] || rm -rf "$scratch"
}
trap cleanup EXIT

python3 "$kit/gen_content.py" -n "$N" -c 40 -s 5 "$scratch/content" >/dev/null
"$quillon" new "$scratch/site.qls" >/dev/null
python3 "$here/load_site.py" "$scratch/content" "$scratch/site.qls" Classic
"$quillon" build "$scratch/site.qls" --base "$scratch/base" >/dev/null

port=$(/usr/bin/python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
/usr/bin/python3 -m pyftpdlib -i 127.0.0.1 -p "$port" -w -d "$scratch/server" -u bench -P bench >/dev/null 2>&1 &
server_pid=$!
sleep 1

# mirror [OPTION]: sends the web folder, printing each file sent.
mirror() {
    lftp -u bench,bench -p "$port" \
        -e "set ftp:passive-mode on; mirror -R $* --verbose=1 '$scratch/base/TempInternetFiles' /site; quit" \
        127.0.0.1 | grep '^Transferring file' || true
}
start=$(date +%s.%N)
echo "first mirror: $(mirror | wc -l) files, $(echo "$(date +%s.%N) - $start" | bc) s"
for edit in $(seq 1 "$EDITS"); do
    python3 - "$scratch/site.qls" "$edit" <<'PY'
import sqlite3, sys
db = sqlite3.connect(sys.argv[1])
db.execute("UPDATE Articles SET Body = Body || ? WHERE ArtID = (SELECT ArtID FROM Articles LIMIT 1 OFFSET 321)",
           (" edit %s." % sys.argv[2],))
db.commit()
PY
    "$quillon" build "$scratch/site.qls" --base "$scratch/base" >/dev/null
    start=$(date +%s.%N)
    mirror --only-newer
    echo "edit $edit: mirror --only-newer took $(echo "$(date +%s.%N) - $start" | bc) s"
done
