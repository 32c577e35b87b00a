#!/usr/bin/env bash
# quillon check: findings on stdout, exit 1 with errors, 0 with warnings alone or none.
set -euo pipefail
quillon="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

site="$work/site.qls"
"$quillon" new "$site" >/dev/null
sql() { /usr/bin/python3 -c 'import sqlite3, sys; db = sqlite3.connect(sys.argv[1]); db.execute(sys.argv[2]); db.commit()' "$site" "$1"; }
sql "INSERT INTO Articles (Category, Section, Title, Para, Body) VALUES ('C', 'S', 'One', '<a href=\"art-2.htm\">two</a>', '<b>bold</b>')"
sql "INSERT INTO Articles (Category, Section, Title, Para, Body) VALUES ('C', 'S', 'Two', 'p', 'b')"
"$quillon" check "$site" --base "$work/base" >"$work/out" 2>&1 || fail "a clean site: $(cat "$work/out")"
grep -q "0 errors, 0 warnings" "$work/out" || fail "no summary: $(cat "$work/out")"

sql "INSERT INTO Articles (Category, Section, Title, Para, Body) VALUES ('C', 'S', 'Two', 'p', 'b')"
"$quillon" check "$site" --base "$work/base" >"$work/out" 2>&1 || fail "warnings alone: $(cat "$work/out")"
grep -q "warning: Two (Title): the title is used by 2 pages" "$work/out" || fail "warnings: $(cat "$work/out")"

sql "UPDATE Articles SET Body = 'text <div>open' WHERE ArtID = 1"
status=0
"$quillon" check "$site" --base "$work/base" >"$work/out" 2>&1 || status=$?
[ "$status" = 1 ] || fail "errors exited $status: $(cat "$work/out")"
grep -q "error: One (Main Text, line 1, column 6): <div> is never closed" "$work/out" || fail "errors: $(cat "$work/out")"
status=0
"$quillon" check >/dev/null 2>&1 || status=$?
[ "$status" = 2 ] || fail "no site exited $status"
echo ok
