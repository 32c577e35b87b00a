#!/usr/bin/env bash
# The publish password kept in the desktop's keyring by the command line, run by with_keyring.sh:
# "running" (a keyring of the test's own) or "none" (a session bus where nothing keeps secrets).
# No file the program writes may hold the password once the keyring has it.
set -euo pipefail
quillon="$1"
server_script="$2"
source "$(dirname "${BASH_SOURCE[0]}")/server_test_prelude.sh"
py=/usr/bin/python3
mode="${QLE_TEST_KEYRING:?run by with_keyring.sh}"

password='Kept-In-The-Keyring-42'
mkdir -p "$work/home"
mkfifo "$work/server-input"
exec 3<>"$work/server-input"
"$py" "$server_script" "$work/home" jo "$password" <"$work/server-input" >"$work/port" &
server_pid=$!
for _ in $(seq 100); do grep -q PORT "$work/port" 2>/dev/null && break; sleep 0.1; done
port="$(awk '/PORT/ {print $2}' "$work/port")"
[ -n "$port" ] || fail "the FTP server did not start"

site="$work/Shop.qls"
base="$work/base"
"$quillon" new "$site" >/dev/null
sql() { "$py" -c 'import sqlite3, sys; db = sqlite3.connect(sys.argv[1]); db.execute(sys.argv[2]); db.commit()' "$site" "$1"; }
field() { "$py" -c 'import sqlite3, sys; print(sqlite3.connect(sys.argv[1]).execute(sys.argv[2]).fetchone()[0])' "$site" "$1"; }
sql "UPDATE Options SET Ftp_Destination = '127.0.0.1:$port', Ftp_Username = 'jo', Ftp_Password = '',
     Ftp_Root = '/', Ftp_Dir = 'site/', homepage = 1"
sql "INSERT INTO Articles (ArtID, Category, Section, Title, Body) VALUES (1, 'News', 'Local', 'First', 'one')"
keyring_item() { secret-tool lookup xdg:schema org.quillonengine.Password protocol FTP server 127.0.0.1 port "$port" user jo; }
password_line() { sed -n 2p "$base/QuillonEngine_ftp.txt" | tr -d '\r'; }
# Every file under the base folder (the script, the web folder, the backups) and the site file,
# searched byte for byte.
holders() { grep -rlaF "$password" "$base" "$site" 2>/dev/null || true; }
publish() { "$quillon" publish "$site" --base "$base" >"$work/out" 2>&1; }

if [ "$mode" = none ]; then
    # Said once, then asked; the typed password is used and kept nowhere.
    printf '%s\n' "$password" | publish || fail "publish failed: $(cat "$work/out")"
    [ "$(grep -c "No keyring is running" "$work/out")" = 1 ] || fail "not said once: $(cat "$work/out")"
    grep -q "Password for jo" "$work/out" || fail "not asked: $(cat "$work/out")"
    cmp "$base/TempInternetFiles/articles/art-1.htm" "$work/home/site/articles/art-1.htm" || fail "nothing was sent"
    [ -z "$(holders)" ] || fail "the typed password was written to $(holders)"
    # Nowhere to keep it: refused, the site file untouched.
    if printf '%s\n' "$password" | "$quillon" password "$site" --set >"$work/out" 2>&1; then
        fail "a password was kept without a keyring"
    fi
    grep -q "No keyring is running" "$work/out" || fail "no reason given: $(cat "$work/out")"
    # An older site file's password: no keyring to move it to, so nothing is asked and it is used.
    sql "UPDATE Options SET Ftp_Password = '$password', Ftp_Password_In_File = NULL"
    publish </dev/null || fail "publish with the site file's password failed: $(cat "$work/out")"
    if grep -q "Move the password" "$work/out"; then fail "a move was offered without a keyring"; fi
    [ "$(password_line)" = "$password" ] || fail "the older site file's script changed"
    echo "ok"
    exit 0
fi

# Stored from a pipe, as a script would; found under the site's protocol, server, port and user.
printf '%s\n' "$password" | "$quillon" password "$site" --set >"$work/out" 2>&1 || fail "--set: $(cat "$work/out")"
[ "$(keyring_item)" = "$password" ] || fail "the keyring does not hold it"

# Published with the keyring's password and nothing on the input: logged in, and no file the
# program wrote holds it; the script's password line is empty.
publish </dev/null || fail "publish failed: $(cat "$work/out")"
cmp "$base/TempInternetFiles/articles/art-1.htm" "$work/home/site/articles/art-1.htm" || fail "nothing was sent"
[ "$(password_line)" = "" ] || fail "the script holds a password"
ls "$base/Backups/Shop/"*.qls >/dev/null 2>&1 || fail "no backup was taken to search"
[ -z "$(holders)" ] || fail "the password was written to $(holders)"
if grep -qF "$password" "$work/out"; then fail "the password was shown"; fi
"$quillon" test-connection "$site" </dev/null >"$work/out" 2>&1 || fail "test-connection: $(cat "$work/out")"

# Forgotten: the next publish asks for it.
"$quillon" password "$site" --forget >"$work/out" 2>&1 || fail "--forget: $(cat "$work/out")"
if keyring_item >/dev/null 2>&1; then fail "the keyring still holds it"; fi
if publish </dev/null; then fail "published without a password"; fi
grep -q "Password for jo" "$work/out" || fail "not asked: $(cat "$work/out")"

# An older site file's password (as the program wrote it before the keyring): "no" keeps it there
# from now on, with today's script; asked once only.
sql "UPDATE Options SET Ftp_Password = '$password', Ftp_Password_In_File = NULL"
echo n | publish || fail "publish after no: $(cat "$work/out")"
grep -q "Move the password" "$work/out" || fail "the move was not offered: $(cat "$work/out")"
[ "$(field "SELECT Ftp_Password_In_File FROM Options")" = 1 ] || fail "no was not kept"
[ "$(password_line)" = "$password" ] || fail "a site kept in the file lost its script's password line"
publish </dev/null || fail "publish of a site kept in the file: $(cat "$work/out")"
if grep -q "Move the password" "$work/out"; then fail "asked again after no"; fi

# "yes" moves it: kept by the keyring, gone from the site file and from the next backup.
sql "UPDATE Options SET Ftp_Password_In_File = NULL"
"$quillon" backup "$site" --base "$base" >/dev/null
echo y | publish || fail "publish after yes: $(cat "$work/out")"
[ "$(keyring_item)" = "$password" ] || fail "the keyring did not get it"
[ "$(field "SELECT Ftp_Password FROM Options")" = "" ] || fail "the site file still holds it"
if grep -qaF "$password" "$site"; then fail "the site file's bytes still hold it"; fi
sql "UPDATE Articles SET Body = 'changed' WHERE ArtID = 1"
"$quillon" backup "$site" --base "$base" >"$work/out" 2>&1 || fail "backup: $(cat "$work/out")"
next="$(sed -n 's/^Backup: //p' "$work/out")"
[ -f "$next" ] || fail "no backup taken: $(cat "$work/out")"
if grep -qaF "$password" "$next"; then fail "the next backup holds it"; fi
echo "ok"
