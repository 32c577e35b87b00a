#!/usr/bin/env bash
# quillon publish: a built web folder uploaded to a real FTP server, the password never shown.
set -euo pipefail
quillon="$1"
server_script="$2"
source "$(dirname "${BASH_SOURCE[0]}")/server_test_prelude.sh"

password='Cli-Secret-99'
mkdir -p "$work/home"
# The server stops when its input closes; this script holds the input open on fd 3.
mkfifo "$work/server-input"
exec 3<>"$work/server-input"
/usr/bin/python3 "$server_script" "$work/home" jo "$password" <"$work/server-input" >"$work/port" &
server_pid=$!
for _ in $(seq 100); do grep -q PORT "$work/port" 2>/dev/null && break; sleep 0.1; done
port="$(awk '/PORT/ {print $2}' "$work/port")"
[ -n "$port" ] || fail "the FTP server did not start"

site="$work/site.qls"
cp "$(dirname "$quillon")/Blank Site.qls" "$site"
set_settings() { # server user password
    /usr/bin/python3 - "$site" "$1" "$2" "$3" "$work/Photo One.JPG" <<'PY'
import sqlite3, sys
db = sqlite3.connect(sys.argv[1])
db.execute("UPDATE Options SET Ftp_Destination=?, Ftp_Username=?, Ftp_Password=?, Ftp_Root='/www/', Ftp_Dir='site/', "
           "Page_Style='Classic'", sys.argv[2:5])
for i in range(1, 5):
    db.execute("INSERT OR IGNORE INTO Articles (ArtID, Category, Section, Title, Body, Image) VALUES (?, 'News', 'Local', ?, ?, ?)",
               (i, "Page %d" % i, "Text " * (300 * i), sys.argv[5] if i == 4 else None))
db.execute("UPDATE Options SET homepage = 4")
db.commit()
PY
}
vips black "$work/Photo One.JPG[Q=80]" 64 48 --bands 3 || fail "vips (libvips-tools) cannot make the test photo"
set_settings "127.0.0.1:$port" jo "$password"

base="$work/My Base"
web="$base/TempInternetFiles"
"$quillon" build "$site" --base "$base" >"$work/out" 2>&1 || fail "build failed: $(cat "$work/out")"
# Four pages, their category and section, the picture, and what publishing adds: the forwarding
# page and the program logo it shows.
"$quillon" publish "$site" --base "$base" >"$work/out" 2>&1 || fail "publish failed: $(cat "$work/out")"
grep -q "9 files sent, 0 unchanged, 0 removed, 0 failures" "$work/out" || fail "no summary: $(cat "$work/out")"
cmp "$web/Index.htm" "$work/home/www/site/index.htm" || fail "index.htm differs"
# The folder routines' marker file stays at home; the record of what was sent is the server's own.
diff -r -x Index.htm -x index.htm -x temp.fle -x .quillon-published "$web" "$work/home/www/site" || fail "the uploaded site differs"
[ "$(stat -c %a "$base/QuillonEngine_ftp.txt")" = 600 ] || fail "the script is readable by others"
if grep -q "$password" "$work/out"; then fail "the password was shown"; fi

# Nothing changed: nothing sent.
"$quillon" publish "$site" --base "$base" >"$work/out" 2>&1 || fail "republish failed: $(cat "$work/out")"
grep -q "0 files sent, 9 unchanged, 0 removed, 0 failures" "$work/out" || fail "republish sent: $(cat "$work/out")"

# A dry run after an edited and a deleted page shows what would change and changes nothing.
/usr/bin/python3 - "$site" <<'PY'
import sqlite3, sys
db = sqlite3.connect(sys.argv[1])
db.execute("UPDATE Articles SET Body = 'Edited' WHERE ArtID = 1")
db.execute("DELETE FROM Articles WHERE ArtID = 2")
db.commit()
PY
"$quillon" build "$site" --base "$base" >"$work/out" 2>&1 || fail "rebuild failed: $(cat "$work/out")"
"$quillon" publish "$site" --base "$base" --dry-run >"$work/out" 2>&1 || fail "dry run failed: $(cat "$work/out")"
grep -q "would send: articles/art-1.htm" "$work/out" || fail "dry run: $(cat "$work/out")"
grep -q "would delete: articles/art-2.htm" "$work/out" || fail "dry run: $(cat "$work/out")"
[ -e "$work/home/www/site/articles/art-2.htm" ] || fail "the dry run deleted a page"
if cmp -s "$web/articles/art-1.htm" "$work/home/www/site/articles/art-1.htm"; then fail "the dry run sent a page"; fi

# Everything again: every file sent, the deleted page removed.
"$quillon" publish "$site" --base "$base" --all >"$work/out" 2>&1 || fail "publish --all failed: $(cat "$work/out")"
grep -q "8 files sent, 0 unchanged, 1 removed, 0 failures" "$work/out" || fail "--all: $(cat "$work/out")"
diff -r -x Index.htm -x index.htm -x .quillon-published -x temp.fle "$web" "$work/home/www/site" || fail "the site differs"
if "$quillon" publish "$site" --base "$base" --no-such-option >"$work/out" 2>&1; then fail "an unknown option"; fi

# A broken link: the publish is refused and says why, unless --force.
/usr/bin/python3 - "$site" <<'PY'
import sqlite3, sys
db = sqlite3.connect(sys.argv[1])
db.execute("UPDATE Articles SET Para = '<a href=\"art-99.htm\">gone</a>' WHERE ArtID = 3")
db.commit()
PY
"$quillon" build "$site" --base "$base" >"$work/out" 2>&1 || fail "rebuild failed: $(cat "$work/out")"
if "$quillon" publish "$site" --base "$base" >"$work/out" 2>&1; then fail "a site with errors was published"; fi
grep -q "error: Page 3 (First Paragraph, line 1, column 10): the link art-99.htm names no file" "$work/out" &&
    grep -q "nothing was published (--force" "$work/out" || fail "the refusal: $(cat "$work/out")"
[ ! -e "$work/home/www/site/articles/art-3.htm" ] || ! grep -q "art-99" "$work/home/www/site/articles/art-3.htm" ||
    fail "the broken page went out"
"$quillon" publish "$site" --base "$base" --force >"$work/out" 2>&1 || fail "publish --force failed: $(cat "$work/out")"
grep -q "art-99" "$work/home/www/site/articles/art-3.htm" || fail "--force did not publish the page"
/usr/bin/python3 -c 'import sqlite3, sys; db = sqlite3.connect(sys.argv[1]); db.execute("UPDATE Articles SET Para = NULL"); db.commit()' "$site"
"$quillon" build "$site" --base "$base" >"$work/out" 2>&1 || fail "rebuild failed: $(cat "$work/out")"

# A wrong password: the client's failure is the command's exit status, and nothing more is sent.
set_settings "127.0.0.1:$port" jo "wrong-$password"
rm -rf "$work/home/www"
if "$quillon" publish "$site" --base "$base" >"$work/out" 2>&1; then fail "a failed login exited 0"; fi
grep -q "Login failed" "$work/out" || fail "no login failure shown: $(cat "$work/out")"
[ ! -e "$work/home/www" ] || fail "something was sent after a failed login"
if grep -q "wrong-$password" "$work/out"; then fail "the password was shown"; fi

# Ctrl+C during the upload stops it cleanly, within a second even while libcurl waits for a reply.
# The second server answers nothing from its second upload on, so the interrupt finds the client
# waiting there; it reaches the whole process group,
# as a terminal sends it.
mkdir -p "$work/home2"
mkfifo "$work/server2-input"
exec 4<>"$work/server2-input"
/usr/bin/python3 "$server_script" "$work/home2" jo "$password" --stall-at-upload=2 \
    <"$work/server2-input" >"$work/port2" &
server2_pid=$!
for _ in $(seq 100); do grep -q PORT "$work/port2" 2>/dev/null && break; sleep 0.1; done
set_settings "127.0.0.1:$(awk '/PORT/ {print $2}' "$work/port2")" jo "$password"
setsid "$quillon" publish "$site" --base "$base" >"$work/out" 2>&1 &
publish_pid=$!
for _ in $(seq 200); do grep -q '^Publishing to ' "$work/out" && break; sleep 0.05; done
kill -INT -- "-$publish_pid"
status=0
wait "$publish_pid" || status=$?
exec 4>&-
kill "$server2_pid" 2>/dev/null || true
wait "$server2_pid" 2>/dev/null || true
[ "$status" = 1 ] || fail "an interrupted upload exited $status: $(cat "$work/out")"
grep -q "^Stopped: " "$work/out" || fail "no clean stop: $(cat "$work/out")"
# Whether the first upload was confirmed before the server froze is the server's affair; an interrupt
# that lands while the record of published files is read stops with that one failure.
grep -Eq "^[01] files? sent, [0-9]+ unchanged, 0 removed, [0-9]+ failures?" "$work/out" ||
    fail "what was sent is not reported: $(cat "$work/out")"
grep -q "THE UPLOAD FAILED" "$work/out" || fail "the stop reads as success: $(cat "$work/out")"
echo "ok"
