#!/usr/bin/env bash
# Publishing over a slow link: `quillon publish` next to lftp on an FTP server that waits one
# round trip (RTT_MS, 50) before every command and one more for every data connection.
#
#   bench/publish/slow_link.sh first       a first publish of the built 1,001-file site of
#                                          generate_site.py, alternating quillon and
#                                          `lftp mirror -R -P 4`, ROUNDS (3) each
#   bench/publish/slow_link.sh republish   the 10,000-article site published, one article's main
#                                          text edited and the site rebuilt, then the publish timed
#                                          (ROUNDS times), beside `lftp mirror -R --only-newer -P 4`
#                                          on the same change (LFTP_ROUNDS, 1: it sends every page)
#
# The server is slow_ftpd.py, by default ../shared/bench/ftp/slow_ftpd.py relative to the
# repository (SLOW_FTPD to change it); the 10,000-article content comes from the kit in
# ../shared/bench/ssg (KIT). Nothing of either is copied into the repository. QLE_BUILD_DIR: where
# quillon is built (build/). Scratch files go to a new folder in ${TMPDIR:-/tmp}, removed at the end.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
repo="$(cd "$here/../.." && pwd)"
mode="${1:-first}"
build="${QLE_BUILD_DIR:-$repo/build}"
slow_ftpd="${SLOW_FTPD:-$repo/../shared/bench/ftp/slow_ftpd.py}"
kit="${KIT:-$repo/../shared/bench/ssg}"
RTT_MS=${RTT_MS:-50}
ROUNDS=${ROUNDS:-3}
LFTP_ROUNDS=${LFTP_ROUNDS:-1}
N=${N:-10000}
quillon="$build/bin/quillon"
[ -x "$quillon" ] && [ -x "$build/bin/quillon-ftp" ] || { echo "build quillon and quillon-ftp first" >&2; exit 1; }
[ -f "$slow_ftpd" ] || { echo "no slow server at $slow_ftpd (set SLOW_FTPD)" >&2; exit 1; }
command -v lftp >/dev/null || { echo "lftp is missing (apt-get install lftp)" >&2; exit 1; }

work="$(mktemp -d "${TMPDIR:-/tmp}/qle-slow.XXXXXX")"
server_pid=""
stop_server() {
    if [ -n "$server_pid" ]; then
        kill "$server_pid" 2>/dev/null || true
        wait "$server_pid" 2>/dev/null || true
        server_pid=""
    fi
}
trap 'stop_server; rm -rf "$work"' EXIT

port="$(/usr/bin/python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')"
root="$work/server"
mkdir -p "$root"
start_server() { # RTT_MS
    stop_server
    /usr/bin/python3 "$slow_ftpd" --dir "$root" --port "$port" --rtt-ms "$1" >"$work/server.log" 2>&1 &
    server_pid=$!
    for _ in $(seq 100); do grep -q listening "$work/server.log" 2>/dev/null && return; sleep 0.1; done
    echo "the slow server did not start" >&2
    exit 1
}

base="$work/base"
web="$base/TempInternetFiles"
site="$work/site.qls"
settings() { # connections: the site's FTP settings for the slow server
    /usr/bin/python3 - "$site" "127.0.0.1:$port" "$1" <<'PY'
import sqlite3, sys
db = sqlite3.connect(sys.argv[1])
db.execute("UPDATE Options SET Ftp_Destination=?, Ftp_Username='author', Ftp_Password='secret', Ftp_Root='/', "
           "Ftp_Dir='q/', Ftp_Connections=?", sys.argv[2:4])
db.commit()
PY
}

# shellcheck source=timing.sh
. "$here/timing.sh"
count_files() { find "$1" -type f ! -name .quillon-published | wc -l; }
publish() { "$quillon" publish "$site" --base "$base" "$@" >"$work/quillon.log" 2>&1 || { cat "$work/quillon.log"; exit 1; }; }
mirror() { # extra mirror options
    lftp -u author,secret -p "$port" 127.0.0.1 \
        -e "set ftp:ssl-allow no; set net:max-retries 1; mirror -R --no-perms $* $web /l; quit" \
        >"$work/lftp.log" 2>&1 || { cat "$work/lftp.log"; exit 1; }
}

if [ "$mode" = first ]; then
    # A real site, built: publishing sends only what a build of the site wrote.
    cp "$build/bin/Blank Site.qls" "$site"
    /usr/bin/python3 "$here/generate_site.py" "$site" "$work/pictures"
    /usr/bin/python3 -c 'import sqlite3, sys; db = sqlite3.connect(sys.argv[1]); db.execute("UPDATE Options SET homepage = 1"); db.commit()' "$site"
    "$quillon" build "$site" --base "$base" >/dev/null
    settings 4
    start_server "$RTT_MS"
    q=(); l=()
    for round in $(seq "$ROUNDS"); do
        rm -rf "${root:?}"/* "$base/.quillon-sync"
        start="$(now)"; publish; q+=("$(since "$start")")
        sent="$(count_files "$root/q")"
        rm -rf "${root:?}"/*
        start="$(now)"; mirror -P 4; l+=("$(since "$start")")
        echo "round $round: quillon publish ${q[-1]} s ($sent files), lftp mirror -R -P 4 ${l[-1]} s ($(count_files "$root/l") files)"
    done
    qm="$(median "${q[@]}")"; lm="$(median "${l[@]}")"
    echo "first publish, $(count_files "$web") files ($(du -sb "$web" | cut -f1) bytes), ${RTT_MS} ms round trip, 4 connections:"
    echo "  median quillon publish $qm s, lftp mirror -R -P 4 $lm s, lftp / quillon $(awk -v a="$lm" -v b="$qm" 'BEGIN { printf "%.2f", a / b }')"
elif [ "$mode" = republish ]; then
    echo "Generating and building $N articles ..."
    /usr/bin/python3 "$kit/gen_content.py" -n "$N" "$work/content" >/dev/null
    "$quillon" new "$site" >/dev/null
    /usr/bin/python3 "$repo/bench/build/load_site.py" "$work/content" "$site" >/dev/null
    "$quillon" build "$site" --base "$base" >/dev/null
    settings 4
    # The starting point, sent once at full speed: our publish and lftp's mirror of the same tree.
    start_server 0
    publish
    mirror -P 4
    start_server "$RTT_MS"
    edit() { # round: one article's main text changes, then the whole site is rebuilt
        /usr/bin/python3 -c 'import sqlite3, sys; db = sqlite3.connect(sys.argv[1]); db.execute("UPDATE Articles SET Body = Body || ? WHERE ArtID = 4321", (" Edited, round " + sys.argv[2] + ".",)); db.commit()' "$site" "$1"
        "$quillon" build "$site" --base "$base" >/dev/null
    }
    q=(); l=()
    for round in $(seq "$ROUNDS"); do
        edit "q$round"
        start="$(now)"; publish; q+=("$(since "$start")")
        echo "round $round: quillon publish ${q[-1]} s: $(grep -E '^[0-9]+ files? sent' "$work/quillon.log")"
    done
    for round in $(seq "$LFTP_ROUNDS"); do
        edit "l$round"
        start="$(now)"; mirror --only-newer -P 4; l+=("$(since "$start")")
        echo "round $round: lftp mirror -R --only-newer -P 4 ${l[-1]} s"
    done
    echo "republish after one edited article, $(count_files "$web") files in the web folder, ${RTT_MS} ms round trip:"
    echo "  median quillon publish $(median "${q[@]}") s, lftp mirror -R --only-newer -P 4 $(median "${l[@]}") s"
else
    echo "usage: slow_link.sh first|republish" >&2
    exit 2
fi
