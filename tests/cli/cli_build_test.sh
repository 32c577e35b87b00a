#!/usr/bin/env bash
# quillon new and quillon build: the site file rule, no overwriting, a whole build and its failures.
set -euo pipefail
quillon="$1"
dir="$(mktemp -d)"
trap 'rm -rf "$dir"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
py=/usr/bin/python3

# new: the site file name rule and a byte copy of the template (a Modern site); never an overwrite.
"$quillon" new "$dir/Club" | grep -qx "Created $dir/Club.QLS" || fail "new Club"
cmp -s "$dir/Club.QLS" "$(dirname "$quillon")/Blank Site.qls" || fail "not a copy of the template"
style() { "$py" -c 'import sqlite3,sys; print(sqlite3.connect(sys.argv[1]).execute("select Page_Style from Options").fetchone()[0])' "$1"; }
[ "$(style "$dir/Club.QLS")" = Modern ] || fail "a new site is not Modern"
"$quillon" new "$dir/Old.qls" --style classic >/dev/null || fail "new --style classic"
[ "$(style "$dir/Old.qls")" = Classic ] || fail "--style classic gave $(style "$dir/Old.qls")"
"$quillon" new --style modern "$dir/New.qls" >/dev/null || fail "new --style modern"
cmp -s "$dir/New.qls" "$(dirname "$quillon")/Blank Site.qls" || fail "--style modern is not a plain copy"
if "$quillon" new "$dir/Club" 2>"$dir/err"; then fail "new overwrote a file"; fi
grep -q "$dir/Club.QLS" "$dir/err" || fail "the refusal names the file"

# build: pages in the web folder under --base; the folder and the homepage fallback printed.
"$py" - "$dir/Club.QLS" <<'PY'
import sqlite3, sys
db = sqlite3.connect(sys.argv[1])
db.execute("INSERT INTO Articles (ArtID, Category, Section, Title, Para, Body) VALUES (4, 'TV', 'Sport', 'Cup', 'p', 'b')")
db.execute("INSERT INTO Articles (ArtID, Category, Section, Title, Para, Body) VALUES (9, 'TV', 'News', 'Vote', 'p', 'b')")
db.commit()
PY
out="$("$quillon" build "$dir/Club.QLS" --base "$dir/base")"
web="$dir/base/TempInternetFiles/"
grep -qx "Web folder: $web" <<<"$out" || fail "web folder not printed: $out"
grep -qx "Homepage:   ${web}articles/art-4.htm" <<<"$out" || fail "homepage not printed: $out"
for page in articles/art-4.htm articles/art-9.htm categories/cat-tv.htm sections/sect-sport.htm sections/sect-news.htm; do
    test -s "$web$page" || fail "missing $page"
done

# A picture that is missing, or not a picture, is a warning on stderr; the build still succeeds.
"$py" - "$dir/Club.QLS" "$dir/notes.txt" <<'PY'
import sqlite3, sys
db = sqlite3.connect(sys.argv[1])
db.execute("UPDATE Articles SET Image = ? WHERE ArtID = 9", (sys.argv[2],))
db.commit()
PY
echo "not a picture" >"$dir/notes.txt"
"$quillon" build "$dir/Club.QLS" --base "$dir/base" >/dev/null 2>"$dir/err" || fail "a bad picture failed the build"
grep -q "^quillon: warning: The picture $dir/notes.txt cannot be copied: its content is not a picture; it is shown on \"Vote\" (articles/art-9.htm)" "$dir/err" ||
    fail "no warning: $(cat "$dir/err")"
test ! -e "${web}images/notes.txt" || fail "a file that is not a picture was copied"

# Failures: non-zero exit and a message naming the cause.
if "$quillon" build "$dir/none.qls" --base "$dir/base" 2>"$dir/err" >/dev/null; then fail "missing site built"; fi
grep -q "$dir/none.qls" "$dir/err" || fail "missing site not named"
touch "$dir/plainfile"
if "$quillon" build "$dir/Club.QLS" --base "$dir/plainfile/sub" 2>"$dir/err" >/dev/null; then fail "unmakeable base built"; fi
grep -q "$dir/plainfile/sub" "$dir/err" || fail "unmakeable folder not named"
set +e
"$quillon" build 2>/dev/null; test $? -eq 2 || fail "build without a site is a usage error"
"$quillon" build "$dir/Club.QLS" --bogus 2>/dev/null; test $? -eq 2 || fail "unknown option is a usage error"
"$quillon" new 2>/dev/null; test $? -eq 2 || fail "new without a name is a usage error"
"$quillon" new "$dir/x.qls" --style fancy 2>/dev/null; test $? -eq 2 || fail "an unknown style is a usage error"
test ! -e "$dir/x.qls" || fail "a usage error made a file"
exit 0
