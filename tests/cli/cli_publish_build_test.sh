#!/usr/bin/env bash
# quillon publish builds a site that changed since its last build before uploading it, so a stale
# build is never sent, and a build that fails stops the publish; --base may be relative.
set -euo pipefail
quillon="$1"
server_script="$2"
source "$(dirname "${BASH_SOURCE[0]}")/server_test_prelude.sh"
py=/usr/bin/python3

mkdir -p "$work/home"
mkfifo "$work/server-input"
exec 3<>"$work/server-input"
"$py" "$server_script" "$work/home" jo secret <"$work/server-input" >"$work/port" &
server_pid=$!
for _ in $(seq 100); do grep -q PORT "$work/port" 2>/dev/null && break; sleep 0.1; done
port="$(awk '/PORT/ {print $2}' "$work/port")"
[ -n "$port" ] || fail "the FTP server did not start"

site="$work/site.qls"
"$quillon" new "$site" >/dev/null
sql() { "$py" -c 'import sqlite3, sys; db = sqlite3.connect(sys.argv[1]); db.execute(sys.argv[2]); db.commit()' "$site" "$1"; }
sql "UPDATE Options SET Ftp_Destination = '127.0.0.1:$port', Ftp_Username = 'jo', Ftp_Password = 'secret',
     Ftp_Root = '/', Ftp_Dir = 'site/', homepage = 1"
sql "INSERT INTO Articles (ArtID, Category, Section, Title, Body) VALUES (1, 'News', 'Local', 'First', 'one')"
publish() { "$quillon" publish "$site" --base base >"$work/out" 2>&1; }
remote="$work/home/site"
web="$work/base/TempInternetFiles"

# Never built, and the base folder named relative to the current folder: built, then sent.
cd "$work"
publish || fail "publish failed: $(cat "$work/out")"
grep -qx "Updating site, please wait ..." "$work/out" || fail "not built first: $(cat "$work/out")"
cmp "$web/articles/art-1.htm" "$remote/articles/art-1.htm" || fail "the page was not sent"

# Unchanged since: sent as it is, not built again.
publish || fail "republish failed: $(cat "$work/out")"
if grep -q "Updating site" "$work/out"; then fail "an unchanged site was built again"; fi

# A page added after the build: built first; the new page and the lists that show it are sent.
sql "INSERT INTO Articles (ArtID, Category, Section, Title, Body) VALUES (2, 'News', 'Local', 'Second', 'two')"
publish || fail "publish after an edit failed: $(cat "$work/out")"
grep -q "Updating site" "$work/out" || fail "not built after an edit: $(cat "$work/out")"
[ -s "$remote/articles/art-2.htm" ] || fail "the new page is not on the server"
grep -q "Second" "$remote/categories/cat-news.htm" || fail "a stale category page was sent"

# A backup of another style restored: the restored style is built and sent.
sql "UPDATE Options SET Page_Style = 'Modern'"
"$quillon" backup "$site" --base base >/dev/null
modern="$("$quillon" backups "$site" --base base | head -1 | cut -d' ' -f1)"
sql "UPDATE Options SET Page_Style = 'Classic'"
publish || fail "publish of the Classic site failed: $(cat "$work/out")"
if grep -q "<!DOCTYPE html>" "$remote/articles/art-1.htm"; then fail "not the Classic page"; fi
"$quillon" restore "$site" "$modern" --base base >/dev/null
publish || fail "publish after a restore failed: $(cat "$work/out")"
grep -q "Updating site" "$work/out" || fail "not built after a restore: $(cat "$work/out")"
grep -q "<!DOCTYPE html>" "$remote/articles/art-1.htm" || fail "the old style's page was sent after a restore"

# A build that fails (a page larger than the files this process may write) stops the publish:
# nothing is sent and the author is told why.
sql "INSERT INTO Articles (ArtID, Category, Section, Title, Body) VALUES (3, 'News', 'Local', 'Long', hex(zeroblob(150000)))"
before="$(cd "$remote" && find . -type f -exec md5sum {} + | sort)"
if (trap '' XFSZ; ulimit -f 200; publish); then fail "published although the build failed: $(cat "$work/out")"; fi
grep -q "^quillon: the site was not published. The site could not be built: Cannot write .*art-3.htm" "$work/out" ||
    fail "no true message: $(cat "$work/out")"
[ "$(cd "$remote" && find . -type f -exec md5sum {} + | sort)" = "$before" ] || fail "something was sent"
[ ! -e "$remote/articles/art-3.htm" ] || fail "the page of the failed build was sent"
echo "ok"
