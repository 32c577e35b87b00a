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
[ "$(stat -c %a "$dir/Club.QLS")" = 600 ] || fail "a new site is readable by others, and it will hold the FTP password"
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

# On the disk before the record says the build is complete (strace shows the calls): with few
# files each page and its folder are synced; with many, the file system once. The record is
# synced before it replaces the old one, and its folder after. The record that says a build is
# under way is on the disk, file and folder, before the first change to the web folder.
if strace -f -o /dev/null true 2>/dev/null; then
    # A call another thread interrupts is printed as "call(fd<path> <unfinished ...>", hence "[) ]".
    traced_build() { # base folder
        strace -f -y -e trace=fsync,syncfs,rename,renameat2 -o "$dir/trace" "$quillon" build "$dir/Club.QLS" --base "$1" >/dev/null ||
            fail "the traced build failed"
        record="$(grep -n "rename(\"$1/QuillonEngine_build.txt\.[^\"]*\", \"$1/QuillonEngine_build.txt\")" "$dir/trace" |
            tail -1 | cut -d: -f1)"
        [ -n "$record" ] || fail "the record was not written: $(cat "$dir/trace")"
        head -n "$record" "$dir/trace" >"$dir/before"
        grep -q "fsync([0-9]*<$1/QuillonEngine_build.txt\.[^>]*>[) ]" "$dir/before" || fail "the record was not synced"
        tail -n "+$record" "$dir/trace" | grep -q "fsync([0-9]*<$1>[) ]" || fail "the record's folder was not synced"
        building="$(grep -n "rename(\"$1/QuillonEngine_build.txt\.[^\"]*\", \"$1/QuillonEngine_build.txt\"" "$dir/trace" |
            head -1 | cut -d: -f1)"
        changed="$(grep -n "rename[^(]*(.*\"$1/TempInternetFiles[/\"]" "$dir/trace" | head -1 | cut -d: -f1 || true)"
        if [ -n "$changed" ]; then
            [ "$building" -lt "$changed" ] || fail "the web folder changed before the build was recorded"
            head -n "$changed" "$dir/trace" | grep -q "fsync([0-9]*<$1/QuillonEngine_build.txt[.>]" ||
                fail "the web folder changed before the record of the build under way was synced"
            sed -n "$building,${changed}p" "$dir/trace" | grep -q "fsync([0-9]*<$1>[) ]\|syncfs(" ||
                fail "the web folder changed before the record's folder was synced"
        fi
    }
    traced_build "$dir/few"
    grep -q "syncfs" "$dir/before" && fail "a small build synced the whole file system"
    for page in $(cd "$dir/few/TempInternetFiles" && find articles categories sections images -type f); do
        grep -q "fsync([0-9]*<$dir/few/TempInternetFiles/$page>[) ]" "$dir/before" || fail "$page was not synced"
    done
    for folder in "" /articles /categories /sections /images; do
        grep -q "fsync([0-9]*<$dir/few/TempInternetFiles$folder>[) ]" "$dir/before" || fail "folder $folder was not synced"
    done
    "$py" - "$dir/Club.QLS" <<'PY'
import sqlite3, sys
db = sqlite3.connect(sys.argv[1])
db.execute("UPDATE Articles SET Title = 'Edited' WHERE ArtID = 9")
db.commit()
PY
    traced_build "$dir/few" # a rebuild: the changed pages renamed into place
    grep -q "rename(\"$dir/few/.TempInternetFiles.new/articles/art-9.htm\"" "$dir/trace" || fail "the rebuild did not rename the edited page"
    grep -q "syncfs" "$dir/before" && fail "a small rebuild synced the whole file system"
    "$py" - "$dir/Club.QLS" <<'PY'
import sqlite3, sys
db = sqlite3.connect(sys.argv[1])
for i in range(100):
    db.execute("INSERT INTO Articles (Category, Section, Title) VALUES ('TV', 'News', 'Page')")
db.commit()
PY
    traced_build "$dir/many"
    grep -q "syncfs([0-9]*<$dir/many/TempInternetFiles>[) ]" "$dir/before" || fail "a large build did not sync its file system"
    if grep -q "fsync([0-9]*<$dir/many/TempInternetFiles/articles/" "$dir/before"; then fail "a large build synced page by page"; fi
else
    echo "strace cannot trace here: the durability checks are skipped"
fi

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
