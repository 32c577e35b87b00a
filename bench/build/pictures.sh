#!/usr/bin/env bash
# The picture benchmark: the 10,000-article site with 2,000 phone photos of 4000x3000, in each
# style: the first build (time, peak memory) beside vipsthumbnail making the same files from the
# same photos, a rebuild after one edited article beside the same site built without pictures, and
# `quillon check` of the site.
#
#   bench/build/pictures.sh [KIT_DIR]
#
# Settings: N (articles, 10000), PHOTOS (2000), STYLES ("Classic Modern"), RUNS (rebuild rounds, 3),
# SCRATCH (work folder; the photos, about 9 GB, are kept there between calls when KEEP=1),
# QLE_BUILD_DIR (where quillon is built).
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
repo="$(cd "$here/../.." && pwd)"
kit="$(cd "${1:-$repo/../shared/bench/ssg}" && pwd)"
N=${N:-10000}
PHOTOS=${PHOTOS:-2000}
STYLES=${STYLES:-Classic Modern}
RUNS=${RUNS:-3}
build="${QLE_BUILD_DIR:-$repo/build}"
quillon="$build/bin/quillon"

source "$here/../prepare.sh"
install_missing /usr/bin/time=time python3=python3 vipsthumbnail=libvips-tools exiftool=libimage-exiftool-perl
build_quillon "$repo" "$build"

scratch="${SCRATCH:-$(mktemp -d "${TMPDIR:-/tmp}/qle-pictures.XXXXXX")}"
mkdir -p "$scratch"
[ "${KEEP:-0}" = 1 ] || trap 'rm -rf "$scratch"' EXIT
cores=$(nproc)

# seconds and peak MiB of one command: "12.34 56.7"
measure() {
    sync
    /usr/bin/time -f "%e %M" -o "$scratch/time.txt" "$@" >/dev/null 2>"$scratch/stderr.txt" ||
        { cat "$scratch/stderr.txt" >&2; return 1; }
    awk '{ printf "%.2f %.1f\n", $1, $2 / 1024 }' "$scratch/time.txt"
}
median() { sort -n | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }

echo "Generating $N articles and $PHOTOS photos into $scratch ..."
python3 "$kit/gen_content.py" -n "$N" -c 40 -s 5 "$scratch/content" >/dev/null
for style in $STYLES; do
    rm -f "$scratch/$style.qls" "$scratch/$style-plain.qls"
    "$quillon" new "$scratch/$style.qls" >/dev/null
    python3 "$here/load_site.py" "$scratch/content" "$scratch/$style.qls" "$style"
    python3 "$here/make_photos.py" "$scratch/photos" "$PHOTOS" "$scratch/$style.qls"
    # The same site without pictures, for the rebuild's yardstick.
    cp "$scratch/$style.qls" "$scratch/$style-plain.qls"
    python3 -c "import sqlite3, sys; db = sqlite3.connect(sys.argv[1]); db.execute('UPDATE Articles SET Image = NULL'); db.commit()" "$scratch/$style-plain.qls"
done
ls "$scratch"/photos/IMG_*.jpg >"$scratch/photos.txt"
echo "load average before the runs: $(cut -d' ' -f1-3 /proc/loadavg); $cores cores"

for style in $STYLES; do
    site="$scratch/$style.qls"
    rm -rf "$scratch/base-$style" "$scratch/thumbs-$style"
    read -r ours ours_peak < <(measure "$quillon" build "$site" --base "$scratch/base-$style")
    mkdir -p "$scratch/thumbs-$style"
    out="$scratch/thumbs-$style"
    # vipsthumbnail on every core, one file after another per process, each file made alone.
    if [ "$style" = Modern ]; then
        cat >"$scratch/thumbs.sh" <<SH
for f in "\$@"; do
    for w in 480 960 1600; do
        vipsthumbnail "\$f" -s \${w}x -o "$out/%s-\$w.jpg[Q=80]"
        vipsthumbnail "\$f" -s \${w}x -o "$out/%s-\$w.webp[Q=75]"
    done
done
SH
    else
        cat >"$scratch/thumbs.sh" <<SH
vipsthumbnail "\$@" -s 1600x -o "$out/%s.jpg[Q=80]"
SH
    fi
    read -r theirs theirs_peak < <(measure sh -c "xargs -P $cores -n 25 sh '$scratch/thumbs.sh' <'$scratch/photos.txt'")
    echo "$style first build: quillon $ours s (peak $ours_peak MiB), vipsthumbnail $theirs s;" \
        "ratio $(awk -v a="$ours" -v b="$theirs" 'BEGIN { printf "%.2f", a / b }');" \
        "files: $(ls "$scratch/base-$style/TempInternetFiles/images" | wc -l) ours, $(ls "$out" | wc -l) vipsthumbnail;" \
        "load $(cut -d' ' -f1-3 /proc/loadavg)"

    # Rebuilds after one edited article, the pictured site and the same site without pictures.
    "$quillon" build "$scratch/$style-plain.qls" --base "$scratch/plain-$style" >/dev/null 2>&1
    : >"$scratch/rebuild.txt"
    : >"$scratch/plain.txt"
    for run in $(seq "$RUNS"); do
        for which in pictured plain; do
            if [ $which = pictured ]; then s="$site" b="$scratch/base-$style"; else s="$scratch/$style-plain.qls" b="$scratch/plain-$style"; fi
            python3 -c "import sqlite3, sys; db = sqlite3.connect(sys.argv[1]); db.execute(\"UPDATE Articles SET Body = Body || ' edited' WHERE ArtID = 4321\"); db.commit()" "$s"
            read -r t _ < <(measure "$quillon" build "$s" --base "$b")
            [ $which = pictured ] && echo "$t" >>"$scratch/rebuild.txt" || echo "$t" >>"$scratch/plain.txt"
        done
    done
    r=$(median <"$scratch/rebuild.txt")
    p=$(median <"$scratch/plain.txt")
    echo "$style rebuild after one edited article: $r s (runs: $(tr '\n' ' ' <"$scratch/rebuild.txt")), without pictures $p s" \
        "(runs: $(tr '\n' ' ' <"$scratch/plain.txt")); ratio $(awk -v a="$r" -v b="$p" 'BEGIN { printf "%.2f", a / b }')"
    read -r c c_peak < <(measure sh -c "'$quillon' check '$site' --base '$scratch/base-$style' || true")
    echo "$style quillon check: $c s (peak $c_peak MiB)"
done
