#!/usr/bin/env bash
# The generator benchmark: the synthetic 10,000-article site built by `quillon build` and by Hugo,
# alternating runs, medians and ratio, and our peak memory.
#
#   bench/build/run.sh [KIT_DIR]
#
# KIT_DIR is the synthetic-content kit (gen_content.py and its Hugo skeleton); by default
# ../shared/bench/ssg relative to the repository root. Nothing of the kit is copied into the
# repository: the content is generated into a scratch folder (SCRATCH, default a new folder
# under ${TMPDIR:-/tmp}) that is removed at the end unless KEEP=1.
# Settings: N (articles, 10000), C (categories, 40), S (sections per category, 5), RUNS (5),
# STYLE (the page style of the site built: Classic or Modern; Classic by default), MODE (full: the
# full build against Hugo; rebuild: rebuild.py, rebuilds after one edit against Hugo and the floor;
# memory: memory.py, the peak memory of the whole site's build and of a page with a 50 MiB main text).
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
repo="$(cd "$here/../.." && pwd)"
kit="$(cd "${1:-$repo/../shared/bench/ssg}" && pwd)"
N=${N:-10000}
C=${C:-40}
S=${S:-5}
RUNS=${RUNS:-5}
STYLE=${STYLE:-Classic}
build="${QLE_BUILD_DIR:-$repo/build}"
quillon="$build/bin/quillon"

# Prerequisites: Hugo, GNU time and Python 3 from Debian, installed when missing; then quillon.
source "$here/../prepare.sh"
install_missing hugo=hugo /usr/bin/time=time python3=python3
build_quillon "$repo" "$build"

scratch="${SCRATCH:-$(mktemp -d "${TMPDIR:-/tmp}/qle-bench.XXXXXX")}"
mkdir -p "$scratch"
[ "${KEEP:-0}" = 1 ] || trap 'rm -rf "$scratch"' EXIT

echo "Generating $N articles into $scratch/content ..."
python3 "$kit/gen_content.py" -n "$N" -c "$C" -s "$S" "$scratch/content" >/dev/null
"$quillon" new "$scratch/bench.qls" >/dev/null
python3 "$here/load_site.py" "$scratch/content" "$scratch/bench.qls" "$STYLE"

if [ "${MODE:-full}" = memory ]; then
    python3 "$here/memory.py" --runs "$RUNS" --scratch "$scratch" --quillon "$quillon" --site "$scratch/bench.qls"
elif [ "${MODE:-full}" = rebuild ]; then
    cc -O2 -o "$scratch/floorwrite" "$kit/floorwrite.c"
    python3 "$here/rebuild.py" --runs "$RUNS" --scratch "$scratch" --quillon "$quillon" \
        --site "$scratch/bench.qls" --floorwrite "$scratch/floorwrite" \
        --hugo-site "$scratch/content/hugo"
else
    python3 "$here/compare.py" --runs "$RUNS" --scratch "$scratch" \
        --quillon "$quillon" --site "$scratch/bench.qls" --hugo-site "$scratch/content/hugo"
fi
