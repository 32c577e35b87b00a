#!/usr/bin/env bash
# Upload benchmark: a 1,000-file site sent to a loopback server by `quillon publish` and by
# `lftp -e 'mirror -R'` over the same protocol, in the same run. Prints both times (median of the
# rounds) and the ratio.
#   bench/publish/run.sh [BUILD_DIR] [ROUNDS] [FTP|FTPS|SFTP]
# FTP uses pyftpdlib, SFTP asyncssh's server, FTPS vsftpd unpacked into the build folder by
# scripts/setup.sh (it needs root and makes, then removes, a local account "qlebench").
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(cd "$here/../.." && pwd)"
build="${1:-$root/build}"
rounds="${2:-3}"
protocol="${3:-FTP}"
quillon="$build/bin/quillon"
[ -x "$quillon" ] || { echo "build first: $quillon is missing" >&2; exit 1; }

if ! command -v lftp >/dev/null; then
    sudo_cmd=()
    [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends lftp
fi

work="$(mktemp -d)"
chmod 755 "$work"
server_pid=""
account=""
cleanup() {
    exec 3>&- || true
    if [ -n "$server_pid" ]; then
        kill "$server_pid" 2>/dev/null || true
        wait "$server_pid" 2>/dev/null || true
    fi
    [ -z "$account" ] || userdel "$account" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

password="bench-password"
user="bench"
home="$work/home"
mkdir -p "$home"
trusted=""
wait_for_port() { for _ in $(seq 100); do grep -q PORT "$work/port" 2>/dev/null && break; sleep 0.1; done; }
case "$protocol" in
FTP | SFTP)
    mkfifo "$work/server-input"
    exec 3<>"$work/server-input"
    if [ "$protocol" = FTP ]; then
        /usr/bin/python3 "$root/tests/publish/ftp_server.py" "$home" "$user" "$password" \
            <"$work/server-input" >"$work/port" &
    else
        ssh-keygen -q -t ed25519 -N '' -C bench -f "$work/hostkey"
        trusted="$(ssh-keygen -l -f "$work/hostkey.pub" | awk '{print $2}')"
        /usr/bin/python3 "$root/tests/publish/sftp_server.py" "$home" "$user" "$password" "$work/hostkey" \
            <"$work/server-input" >"$work/port" &
    fi
    server_pid=$!
    wait_for_port
    port="$(awk '/PORT/ {print $2}' "$work/port")"
    ;;
FTPS)
    vsftpd="$build/servers/usr/sbin/vsftpd"
    [ -x "$vsftpd" ] || { echo "vsftpd is not unpacked: run scripts/setup.sh build" >&2; exit 1; }
    [ "$(id -u)" -eq 0 ] || { echo "the FTPS benchmark needs root (vsftpd serves a local account)" >&2; exit 1; }
    openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2 -subj /CN=localhost \
        -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null
    trusted="SHA256:$(openssl x509 -in "$work/cert.pem" -pubkey -noout | openssl pkey -pubin -outform der |
        openssl dgst -sha256 -binary | openssl base64 -A | tr -d =)"
    account="qlebench"
    user="$account"
    useradd -M -d "$home" -s /usr/sbin/nologin "$account"
    echo "$account:$password" | chpasswd
    chown "$account" "$home"
    mkdir -p "$work/empty"
    port="$(/usr/bin/python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')"
    cat >"$work/vsftpd.conf" <<CONF
listen=YES
listen_address=127.0.0.1
listen_port=$port
listen_ipv6=NO
background=NO
anonymous_enable=NO
local_enable=YES
write_enable=YES
local_umask=022
chroot_local_user=YES
allow_writeable_chroot=YES
seccomp_sandbox=NO
secure_chroot_dir=$work/empty
ssl_enable=YES
force_local_logins_ssl=YES
force_local_data_ssl=YES
require_ssl_reuse=YES
rsa_cert_file=$work/cert.pem
rsa_private_key_file=$work/key.pem
pam_service_name=quillon-bench
xferlog_enable=NO
vsftpd_log_file=/dev/null
CONF
    "$vsftpd" "$work/vsftpd.conf" &
    server_pid=$!
    for _ in $(seq 100); do (exec 9<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && break; sleep 0.1; done
    ;;
*)
    echo "unknown protocol $protocol (FTP, FTPS or SFTP)" >&2
    exit 2
    ;;
esac
[ -n "${port:-}" ] || { echo "the $protocol server did not start" >&2; exit 1; }

base="$work/base"
web="$base/TempInternetFiles"
site="$work/site.qls"
cp "$build/bin/Blank Site.qls" "$site"
/usr/bin/python3 "$here/generate_site.py" "$site" "$work/pictures"
/usr/bin/python3 - "$site" "127.0.0.1:$port" "$user" "$password" "$protocol" "$trusted" <<'PY'
import sqlite3, sys
db = sqlite3.connect(sys.argv[1])
db.execute("UPDATE Options SET Ftp_Destination=?, Ftp_Username=?, Ftp_Password=?, Ftp_Protocol=?, "
           "Ftp_Trusted_Key=?, Ftp_Root='/www/', Ftp_Dir='site/', homepage=1", sys.argv[2:7])
db.commit()
PY
# Publishing sends the last complete build of this site.
"$quillon" build "$site" --base "$base" >/dev/null

# shellcheck source=timing.sh
. "$here/timing.sh"
# Three decimals here: a round of the small site takes well under a second.
since() { awk -v a="$(now)" -v b="$1" 'BEGIN { printf "%.3f", a - b }'; }
count_files() { find "$1" -type f | wc -l; }

case "$protocol" in
FTP) lftp_url="ftp://127.0.0.1:$port" lftp_settings="set ftp:passive-mode on;" ;;
FTPS)
    lftp_url="ftp://127.0.0.1:$port"
    lftp_settings="set ftp:passive-mode on; set ftp:ssl-force true; set ftp:ssl-protect-data true;"
    lftp_settings+=" set ssl:verify-certificate no;"
    ;;
SFTP)
    lftp_url="sftp://127.0.0.1:$port"
    # lftp runs ssh, which checks the host key against a known hosts file of the benchmark's own.
    echo "[127.0.0.1]:$port $(cat "$work/hostkey.pub")" >"$work/known_hosts"
    lftp_settings="set sftp:connect-program 'ssh -a -x -o UserKnownHostsFile=$work/known_hosts';"
    ;;
esac

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
    lftp -u "$user,$password" "$lftp_url" \
        -e "$lftp_settings set net:max-retries 1; set net:timeout 10; mirror -R --no-perms $web /www/site; quit" \
        >"$work/lftp.log" 2>&1 || { cat "$work/lftp.log"; exit 1; }
    lftp_times+=("$(since "$start")")
    mirrored="$(count_files "$home/www/site")"
    echo "round $round: quillon publish ${quillon_times[-1]} s ($sent files), lftp mirror -R ${lftp_times[-1]} s ($mirrored files)"
done

q="$(median "${quillon_times[@]}")"
l="$(median "${lftp_times[@]}")"
echo "files: $(count_files "$web"), bytes: $(du -sb "$web" | cut -f1)"
printf '%s, median over %d rounds: quillon publish %.2f s, lftp mirror -R %.2f s, ratio quillon/lftp %.2f\n' \
    "$protocol" "$rounds" "$q" "$l" "$(awk -v a="$q" -v b="$l" 'BEGIN { print a / b }')"
