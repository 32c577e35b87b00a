#!/usr/bin/env bash
# Upload benchmark: a 1,000-file site sent to a loopback FTP server by `quillon publish` and by
# `lftp -e 'mirror -R'`, in the same run. Prints both times (median of the rounds) and the ratio.
#   bench/publish/run.sh [BUILD_DIR] [ROUNDS]
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(cd "$here/../.." && pwd)"
build="${1:-$root/build}"
rounds="${2:-3}"
quillon="$build/bin/quillon"
[ -x "$quillon" ] || { echo "build first: $quillon is missing" >&2; exit 1; }

if ! command -v lftp >/dev/null; then
    sudo_cmd=()
    [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends lftp
fi

work="$(mktemp -d)"
server_pid=""
cleanup() {
    exec 3>&- || true
    if [ -n "$server_pid" ]; then
        kill "$server_pid" 2>/dev/null || true
        wait "$server_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

password="bench-password"
home="$work/home"
mkdir -p "$home"
mkfifo "$work/server-input"
exec 3<>"$work/server-input"
/usr/bin/python3 "$root/tests/publish/ftp_server.py" "$home" bench "$password" <"$work/server-input" >"$work/port" &
server_pid=$!
for _ in $(seq 100); do grep -q PORT "$work/port" 2>/dev/null && break; sleep 0.1; done
port="$(awk '/PORT/ {print $2}' "$work/port")"
[ -n "$port" ] || { echo "the FTP server did not start" >&2; exit 1; }

base="$work/base"
web="$base/TempInternetFiles"
site="$work/site.qls"
cp "$build/bin/Blank Site.qls" "$site"
/usr/bin/python3 "$here/generate_site.py" "$site" "$work/pictures"
/usr/bin/python3 - "$site" "127.0.0.1:$port" "$password" <<'PY'
import sqlite3, sys
db = sqlite3.connect(sys.argv[1])
db.execute("UPDATE Options SET Ftp_Destination=?, Ftp_Username='bench', Ftp_Password=?, Ftp_Root='/www/', "
           "Ftp_Dir='site/', homepage=1", sys.argv[2:4])
db.commit()
PY
# Publishing sends the last complete build of this site.
"$quillon" build "$site" --base "$base" >/dev/null

now() { date +%s.%N; }
since() { awk -v a="$(now)" -v b="$1" 'BEGIN { printf "%.3f", a - b }'; }
count_files() { find "$1" -type f | wc -l; }

quillon_times=()
lftp_times=()
for round in $(seq "$rounds"); do
    rm -rf "${home:?}"/*
    start="$(now)"
    "$quillon" publish "$site" --base "$base" >"$work/quillon.log" 2>&1 || { cat "$work/quillon.log"; exit 1; }
    quillon_times+=("$(since "$start")")
    sent="$(count_files "$home/www/site")"

    rm -rf "${home:?}"/*
    start="$(now)"
    lftp -u "bench,$password" -p "$port" 127.0.0.1 \
        -e "set ftp:passive-mode on; set net:max-retries 1; set net:timeout 10; mirror -R --no-perms $web /www/site; quit" \
        >"$work/lftp.log" 2>&1 || { cat "$work/lftp.log"; exit 1; }
    lftp_times+=("$(since "$start")")
    mirrored="$(count_files "$home/www/site")"
    echo "round $round: quillon publish ${quillon_times[-1]} s ($sent files), lftp mirror -R ${lftp_times[-1]} s ($mirrored files)"
done

median() { printf '%s\n' "$@" | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
q="$(median "${quillon_times[@]}")"
l="$(median "${lftp_times[@]}")"
echo "files: $(count_files "$web"), bytes: $(du -sb "$web" | cut -f1)"
printf 'median over %d rounds: quillon publish %.2f s, lftp mirror -R %.2f s, ratio quillon/lftp %.2f\n' \
    "$rounds" "$q" "$l" "$(awk -v a="$q" -v b="$l" 'BEGIN { print a / b }')"
