#!/usr/bin/env bash
# Publishing to a Git branch and to a WebDAV folder, on loopback servers started here:
#   bench/publish/git_dav.sh first       the built 1,001-file site of generate_site.py published
#                                        (ROUNDS times, 3) over Git beside `git push` of the same
#                                        tree, and over WebDAV beside `rclone sync`
#   bench/publish/git_dav.sh republish   the 10,000-article site (the kit's gen_content.py, N)
#                                        published once to each, then one article edited and the
#                                        site rebuilt before each timed publish (ROUNDS)
# Git goes through the tests' SSH server (tests/publish/sftp_server.py runs git-receive-pack), WebDAV
# through Apache's mod_dav (apache2-bin, never installed as a service; as root it serves as nobody).
# KIT: the content kit (../shared/bench/ssg next to the repository); QLE_BUILD_DIR: where quillon
# is built (build/). Scratch files go to a new folder in ${TMPDIR:-/tmp}, removed at the end.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
repo="$(cd "$here/../.." && pwd)"
mode="${1:-first}"
build="${QLE_BUILD_DIR:-$repo/build}"
kit="${KIT:-$repo/../shared/bench/ssg}"
ROUNDS=${ROUNDS:-3}
N=${N:-10000}
quillon="$build/bin/quillon"
[ -x "$quillon" ] && [ -x "$build/bin/quillon-ftp" ] || { echo "build quillon and quillon-ftp first" >&2; exit 1; }
for tool in git rclone /usr/sbin/apache2 ssh-keygen; do
    command -v "$tool" >/dev/null || { echo "$tool is missing (scripts/setup.sh test installs it)" >&2; exit 1; }
done

work="$(mktemp -d "${TMPDIR:-/tmp}/qle-gitdav.XXXXXX")"
chmod 755 "$work"
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT
free_port() { /usr/bin/python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'; }
# shellcheck source=timing.sh
. "$here/timing.sh"

# The SSH server, with Git: a host key the site trusts, a user key for both clients.
ssh_home="$work/ssh"
mkdir -p "$ssh_home"
ssh-keygen -q -t ed25519 -N '' -C bench -f "$work/hostkey"
ssh-keygen -q -t rsa -b 3072 -m PEM -N '' -C bench -f "$work/userkey"
cp "$work/userkey.pub" "$work/authorized"
trusted="$(ssh-keygen -l -f "$work/hostkey.pub" | awk '{print $2}')"
exec 3< <(tail -f /dev/null)
/usr/bin/python3 "$repo/tests/publish/sftp_server.py" "$ssh_home" bench unused "$work/hostkey" "$work/authorized" \
    <&3 >"$work/ssh.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do grep -q PORT "$work/ssh.log" 2>/dev/null && break; sleep 0.1; done
ssh_port="$(awk '/PORT/ {print $2}' "$work/ssh.log")"
[ -n "$ssh_port" ] || { cat "$work/ssh.log"; echo "the SSH server did not start" >&2; exit 1; }
printf '[127.0.0.1]:%s %s\n' "$ssh_port" "$(cut -d' ' -f1,2 "$work/hostkey.pub")" >"$work/known_hosts"
export GIT_SSH_COMMAND="ssh -p $ssh_port -i $work/userkey -o IdentitiesOnly=yes -o UserKnownHostsFile=$work/known_hosts"
bare() { git init -q --bare --initial-branch=main "$ssh_home/$1"; }

# Apache with a WebDAV folder at /dav/ (Basic authentication, user jo).
dav_port="$(free_port)"
mkdir -p "$work/apache/dav" "$work/apache/run"
printf 'jo:%s\n' "$(openssl passwd -apr1 secret)" >"$work/apache/htpasswd"
modules=/usr/lib/apache2/modules
{
    echo "ServerRoot $work/apache"
    echo "Listen 127.0.0.1:$dav_port"
    echo "ServerName localhost"
    echo "PidFile $work/apache/run/httpd.pid"
    echo "DefaultRuntimeDir $work/apache/run"
    echo "ErrorLog $work/apache/error.log"
    echo "Mutex file:$work/apache/run"
    echo "StartServers 4"
    echo "MaxRequestWorkers 16"
    for m in mpm_prefork authz_core authn_core authn_file auth_basic authz_user dav dav_fs alias; do
        echo "LoadModule ${m}_module $modules/mod_$m.so"
    done
    [ "$(id -u)" -eq 0 ] && printf 'User nobody\nGroup nogroup\n'
    echo "DocumentRoot $work/apache/run"
    echo "DavLockDB $work/apache/run/davlock"
    echo "Alias /dav $work/apache/dav"
    printf '<Location /dav>\n  Dav On\n  AuthType Basic\n  AuthName dav\n'
    printf '  AuthUserFile %s\n  Require valid-user\n</Location>\n' "$work/apache/htpasswd"
} >"$work/apache/httpd.conf"
[ "$(id -u)" -eq 0 ] && chown -R nobody:nogroup "$work/apache/dav" "$work/apache/run"
setsid /usr/sbin/apache2 -f "$work/apache/httpd.conf" -DFOREGROUND &
pids+=($!)
for _ in $(seq 100); do (echo >"/dev/tcp/127.0.0.1/$dav_port") 2>/dev/null && break; sleep 0.1; done
dav_url="http://127.0.0.1:$dav_port/dav"
rclone_pass="$(rclone obscure secret)"

base="$work/base"
web="$base/TempInternetFiles"
site="$work/site.qls"
to_git() { # repository name
    /usr/bin/python3 - "$site" "ssh://bench@127.0.0.1:$ssh_port/$1" "$trusted" "$work/userkey" <<'PY'
import sqlite3, sys
db = sqlite3.connect(sys.argv[1])
db.execute("UPDATE Options SET Ftp_Protocol='GIT', Ftp_Destination=?, Ftp_Username='', Ftp_Password='', "
           "Ftp_Password_In_File=1, Ftp_Trusted_Key=?, Ftp_Key_File=?, Ftp_Root='', Ftp_Dir='', Ftp_Branch='main'",
           sys.argv[2:5])
db.commit()
PY
}
to_dav() { # folder below /dav/
    /usr/bin/python3 - "$site" "$dav_url/" "$1/" <<'PY'
import sqlite3, sys
db = sqlite3.connect(sys.argv[1])
db.execute("UPDATE Options SET Ftp_Protocol='WEBDAV', Ftp_Destination=?, Ftp_Username='jo', Ftp_Password='secret', "
           "Ftp_Password_In_File=1, Ftp_Trusted_Key='', Ftp_Key_File='', Ftp_Root='/', Ftp_Dir=?, Ftp_Branch='', "
           "Ftp_Connections=4", sys.argv[2:4])
db.commit()
PY
}
publish() { "$quillon" publish "$site" --base "$base" --force </dev/null >"$work/quillon.log" 2>&1 || { cat "$work/quillon.log"; exit 1; }; }
sent() { grep -E '^[0-9]+ files? sent|Published [0-9]+' "$work/quillon.log" | tail -1; }
dav_files() { find "$work/apache/dav/$1" -type f ! -name .quillon-published | wc -l; }

if [ "$mode" = first ]; then
    cp "$build/bin/Blank Site.qls" "$site"
    /usr/bin/python3 "$here/generate_site.py" "$site" "$work/pictures"
    /usr/bin/python3 -c 'import sqlite3, sys; db = sqlite3.connect(sys.argv[1]); db.execute("UPDATE Options SET homepage = 1"); db.commit()' "$site"
    "$quillon" build "$site" --base "$base" >/dev/null
    files="$(find "$web" -type f | wc -l)"
    qg=(); gp=(); gall=(); qd=(); rc=()
    for round in $(seq "$ROUNDS"); do
        bare "q$round.git"; bare "g$round.git"
        rm -rf "$base/.quillon-sync"
        to_git "q$round.git"
        start="$(now)"; publish; qg+=("$(since "$start")")
        # The git program: the same tree committed and pushed (the push timed alone too).
        rm -rf "$work/tree" && cp -r "$web" "$work/tree"
        start="$(now)"
        git -C "$work/tree" init -q --initial-branch=main
        git -C "$work/tree" add -A
        git -C "$work/tree" -c user.name=bench -c user.email=bench@localhost commit -qm tree
        pushed="$(now)"
        git -C "$work/tree" push -q "ssh://bench@127.0.0.1:$ssh_port/g$round.git" main
        gp+=("$(since "$pushed")"); gall+=("$(since "$start")")
        to_dav "q$round"
        start="$(now)"; publish; qd+=("$(since "$start")")
        start="$(now)"
        rclone sync "$web" ":webdav:/r$round" --webdav-url "$dav_url" --webdav-user jo --webdav-pass "$rclone_pass" \
            --transfers 4 >"$work/rclone.log" 2>&1 || { cat "$work/rclone.log"; exit 1; }
        rc+=("$(since "$start")")
        echo "round $round: Git: quillon publish ${qg[-1]} s, git add+commit+push ${gall[-1]} s (push ${gp[-1]} s);" \
            "WebDAV: quillon publish ${qd[-1]} s ($(dav_files "q$round") files), rclone sync --transfers 4 ${rc[-1]} s ($(dav_files "r$round") files)"
    done
    echo "first publish, $files files ($(du -sb "$web" | cut -f1) bytes), medians of $ROUNDS:"
    echo "  Git:    quillon publish $(median "${qg[@]}") s, git add+commit+push $(median "${gall[@]}") s, git push alone $(median "${gp[@]}") s"
    echo "  WebDAV: quillon publish $(median "${qd[@]}") s, rclone sync $(median "${rc[@]}") s"
elif [ "$mode" = republish ]; then
    echo "Generating and building $N articles ..."
    /usr/bin/python3 "$kit/gen_content.py" -n "$N" "$work/content" >/dev/null
    "$quillon" new "$site" >/dev/null
    /usr/bin/python3 "$repo/bench/build/load_site.py" "$work/content" "$site" >/dev/null
    "$quillon" build "$site" --base "$base" >/dev/null
    echo "$(find "$web" -type f | wc -l) files in the web folder"
    bare site.git
    to_git site.git; start="$(now)"; publish; echo "first publish over Git: $(since "$start") s"
    to_dav site; start="$(now)"; publish; echo "first publish over WebDAV: $(since "$start") s"
    edit() {
        /usr/bin/python3 -c 'import sqlite3, sys; db = sqlite3.connect(sys.argv[1]); db.execute("UPDATE Articles SET Body = Body || ? WHERE ArtID = 4321", (" Edited, round " + sys.argv[2] + ".",)); db.commit()' "$site" "$1"
        "$quillon" build "$site" --base "$base" >/dev/null
    }
    g=(); d=()
    for round in $(seq "$ROUNDS"); do
        edit "g$round"; to_git site.git
        start="$(now)"; publish; g+=("$(since "$start")"); echo "round $round: Git ${g[-1]} s: $(sent)"
        edit "d$round"; to_dav site
        start="$(now)"; publish; d+=("$(since "$start")"); echo "round $round: WebDAV ${d[-1]} s: $(sent)"
    done
    echo "republish after one edited article, medians of $ROUNDS: Git $(median "${g[@]}") s, WebDAV $(median "${d[@]}") s"
else
    echo "usage: git_dav.sh first|republish" >&2
    exit 2
fi
