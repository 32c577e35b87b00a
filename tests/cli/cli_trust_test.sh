#!/usr/bin/env bash
# quillon publish and test-connection over SFTP: an unknown server gets nothing until its
# fingerprint is accepted with --trust; a password the site does not store is asked for.
set -euo pipefail
unset SSH_AUTH_SOCK
quillon="$1"
server_script="$2"
source "$(dirname "${BASH_SOURCE[0]}")/server_test_prelude.sh"

password='Sftp-Secret-42'
mkdir -p "$work/home"
ssh-keygen -q -t ed25519 -N '' -C test -f "$work/hostkey"
ssh-keygen -q -t ed25519 -N '' -C test -f "$work/otherkey"
fingerprint="$(ssh-keygen -l -f "$work/hostkey.pub" | awk '{print $2}')"
other="$(ssh-keygen -l -f "$work/otherkey.pub" | awk '{print $2}')"
mkfifo "$work/server-input"
exec 3<>"$work/server-input"
/usr/bin/python3 "$server_script" "$work/home" jo "$password" "$work/hostkey" <"$work/server-input" >"$work/port" &
server_pid=$!
for _ in $(seq 100); do grep -q PORT "$work/port" 2>/dev/null && break; sleep 0.1; done
port="$(awk '/PORT/ {print $2}' "$work/port")"
[ -n "$port" ] || fail "the SFTP server did not start"

site="$work/site.qls"
cp "$(dirname "$quillon")/Blank Site.qls" "$site"
/usr/bin/python3 - "$site" "127.0.0.1:$port" <<'PY'
import sqlite3, sys
db = sqlite3.connect(sys.argv[1])
db.execute("UPDATE Options SET Ftp_Destination=?, Ftp_Username='jo', Ftp_Password='', Ftp_Root='/www/', "
           "Ftp_Dir='site/', Ftp_Protocol='SFTP', homepage=4", sys.argv[2:3])
db.execute("INSERT OR IGNORE INTO Articles (ArtID, Category, Section, Title) VALUES (4, 'News', 'Local', 'Home')")
db.commit()
PY
stored_key() { /usr/bin/python3 -c "import sqlite3,sys; print(sqlite3.connect(sys.argv[1]).execute('select Ftp_Trusted_Key from Options').fetchone()[0] or '')" "$site"; }

base="$work/My Base"
web="$base/TempInternetFiles"
"$quillon" build "$site" --base "$base" >"$work/out" 2>&1 || fail "build failed: $(cat "$work/out")"

# Unknown server: its fingerprint is shown, nothing is sent, the exit status says so.
if echo "$password" | "$quillon" publish "$site" --base "$base" >"$work/out" 2>&1; then fail "sent to an unknown server"; fi
grep -q "$fingerprint" "$work/out" || fail "the fingerprint was not shown: $(cat "$work/out")"
grep -q "quillon publish --trust" "$work/out" || fail "no way forward shown: $(cat "$work/out")"
[ ! -e "$work/home/www" ] || fail "something was sent to an unknown server"

# A fingerprint that is not the server's is refused and not stored.
if echo "$password" | "$quillon" publish "$site" --base "$base" --trust "$other" >"$work/out" 2>&1; then
    fail "a wrong fingerprint was accepted"
fi
grep -q "shows $fingerprint, not $other" "$work/out" || fail "both keys not named: $(cat "$work/out")"
[ -z "$(stored_key)" ] || fail "a wrong fingerprint was stored"

# The right one: stored, and the site is sent; the typed password is never shown.
echo "$password" | "$quillon" publish "$site" --base "$base" --trust "$fingerprint" >"$work/out" 2>&1 ||
    fail "publish with --trust failed: $(cat "$work/out")"
[ "$(stored_key)" = "$fingerprint" ] || fail "the fingerprint was not stored"
cmp "$web/articles/art-4.htm" "$work/home/www/site/articles/art-4.htm" || fail "the page differs"
if grep -q "$password" "$work/out"; then fail "the password was shown"; fi

# The connection test: works with the stored key, and names a wrong password.
echo "$password" | "$quillon" test-connection "$site" >"$work/out" 2>&1 || fail "test failed: $(cat "$work/out")"
grep -q "Connection works" "$work/out" || fail "no success shown: $(cat "$work/out")"
if echo "wrong" | "$quillon" test-connection "$site" >"$work/out" 2>&1; then fail "a wrong password passed"; fi
grep -q "refused the login of jo" "$work/out" || fail "login failure not named: $(cat "$work/out")"
echo "ok"
