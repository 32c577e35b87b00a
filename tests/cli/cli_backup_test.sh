#!/usr/bin/env bash
# quillon backup, backups and restore, and the snapshot build and publish take.
set -euo pipefail
quillon="$1"
dir="$(mktemp -d)"
trap 'rm -rf "$dir"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
py=/usr/bin/python3
add_page() {
    "$py" - "$dir/Shop.QLS" "$1" <<'PY'
import sqlite3, sys
db = sqlite3.connect(sys.argv[1])
db.execute("INSERT INTO Articles (Category, Section, Title) VALUES ('C', 'S', ?)", (sys.argv[2],))
db.commit()
PY
}
titles() { "$py" -c 'import sqlite3,sys; print(",".join(r[0] for r in sqlite3.connect(sys.argv[1]).execute("select Title from Articles order by ArtID")))' "$1"; }

"$quillon" new "$dir/Shop" >/dev/null
add_page one
backups="$dir/base/Backups/Shop"

# A build takes a snapshot, owner-only; a second build of an unchanged site takes none.
# Output is read whole before it is searched: grep -q would stop reading at the first match, and
# the command would fail writing the rest.
out="$("$quillon" build "$dir/Shop.QLS" --base "$dir/base" 2>/dev/null)"
grep -q "^Backup: " <<<"$out" || fail "build took no snapshot"
[ "$(stat -c %a "$backups")" = 700 ] || fail "backup folder readable by others"
for f in "$backups"/*.qls; do [ "$(stat -c %a "$f")" = 600 ] || fail "backup $f readable by others"; done
"$quillon" build "$dir/Shop.QLS" --base "$dir/base" >/dev/null   # stores the homepage it fell back to
out="$("$quillon" build "$dir/Shop.QLS" --base "$dir/base" 2>/dev/null)"
if grep -q "^Backup: " <<<"$out"; then fail "unchanged site backed up"; fi
"$quillon" backup "$dir/Shop.QLS" --base "$dir/base" | grep -qx "Unchanged since the last backup; none taken." ||
    fail "backup of an unchanged site"

# backups lists newest first with date and pages; restore puts one back, keeping the current state.
add_page two
"$quillon" backup "$dir/Shop.QLS" --base "$dir/base" | grep -q "^Backup: $backups/" || fail "backup command"
list="$("$quillon" backups "$dir/Shop.QLS" --base "$dir/base")"
[ "$(wc -l <<<"$list")" = 3 ] || fail "three backups expected: $list"
head -1 <<<"$list" | grep -Eq '^[0-9_-]+\.qls  [0-9-]+ [0-9:]+  2 pages$' || fail "newest first: $list"
oldest="$(tail -1 <<<"$list" | cut -d' ' -f1)"
tail -1 <<<"$list" | grep -q '  1 pages$' || fail "oldest has one page: $list"
add_page three
"$quillon" restore "$dir/Shop.QLS" "$oldest" --base "$dir/base" | grep -q "^Restored " || fail "restore"
[ "$(titles "$dir/Shop.QLS")" = "one" ] || fail "restored content: $(titles "$dir/Shop.QLS")"
newest="$("$quillon" backups "$dir/Shop.QLS" --base "$dir/base" | head -1 | cut -d' ' -f1)"
[ "$(titles "$backups/$newest")" = "one,two,three" ] || fail "the replaced state was not kept"

# A killed backup (the file size limit's signal, mid-copy) leaves nothing under a backup's name.
"$py" - "$dir/Shop.QLS" <<'PY'
import sqlite3, sys
db = sqlite3.connect(sys.argv[1])
db.execute("INSERT INTO Articles (Category, Section, Title, Body) VALUES ('C', 'S', 'big', ?)", ("x" * 400000,))
db.commit()
PY
ls "$backups" >"$dir/names-before"
if (ulimit -f 200; exec "$quillon" backup "$dir/Shop.QLS" --base "$dir/base") >/dev/null 2>&1; then fail "the backup was not cut"; fi
ls "$backups" | diff "$dir/names-before" - || fail "a killed backup left a file under a backup's name"

# A damaged file under a backup's name is listed as damaged, and never restored over the site.
: >"$backups/2001-01-01_00-00-00.qls"
head -c 8192 "$dir/Shop.QLS" >"$backups/2001-01-02_00-00-00.qls"
list="$("$quillon" backups "$dir/Shop.QLS" --base "$dir/base")"
grep -q '^2001-01-01_00-00-00.qls  2001-01-01 00:00:00  damaged: ' <<<"$list" || fail "empty backup: $list"
grep -q '^2001-01-02_00-00-00.qls  2001-01-02 00:00:00  damaged: ' <<<"$list" || fail "cut backup: $list"
for damaged in 2001-01-01_00-00-00.qls 2001-01-02_00-00-00.qls; do
    if "$quillon" restore "$dir/Shop.QLS" "$damaged" --base "$dir/base" >/dev/null 2>"$dir/err"; then
        fail "restored the damaged $damaged"
    fi
    grep -q "cannot be restored" "$dir/err" || fail "no reason given: $(cat "$dir/err")"
    [ "$(titles "$dir/Shop.QLS")" = "one,big" ] || fail "a damaged backup changed the site"
done

# Failures: a backup that does not exist changes nothing; usage errors.
if "$quillon" restore "$dir/Shop.QLS" 2000-01-01_00-00-00.qls --base "$dir/base" 2>"$dir/err"; then
    fail "restored from nothing"
fi
grep -q "2000-01-01_00-00-00.qls" "$dir/err" || fail "missing backup not named"
[ "$(titles "$dir/Shop.QLS")" = "one,big" ] || fail "a failed restore changed the site"
set +e
"$quillon" restore "$dir/Shop.QLS" 2>/dev/null; test $? -eq 2 || fail "restore without a backup is a usage error"
"$quillon" backups 2>/dev/null; test $? -eq 2 || fail "backups without a site is a usage error"
echo "cli backup: ok"
