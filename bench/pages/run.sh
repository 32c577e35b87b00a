#!/usr/bin/env bash
# The page benchmark: Lighthouse scores (performance, accessibility, best practices, SEO) of the homepage
# article, a category page and a section page of a sample site, built in both page styles.
#
#   bench/pages/run.sh
#
# Lighthouse (npm lighthouse@12.2.3, installed pinned into the build folder) drives Debian's
# chromium headless against the built site, served over HTTP on loopback (Lighthouse refuses
# file:// addresses) by Python's http.server on a free port. Settings: QLE_BUILD_DIR (where
# quillon is built), SCRATCH (work folder, removed at the end unless KEEP=1).
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
repo="$(cd "$here/../.." && pwd)"
build="${QLE_BUILD_DIR:-$repo/build}"
quillon="$build/bin/quillon"
lighthouse_version=12.2.3

source "$here/../prepare.sh"
install_missing chromium=chromium node=nodejs npm=npm python3=python3 vips=libvips-tools
build_quillon "$repo" "$build"

lighthouse="$build/npm/node_modules/.bin/lighthouse"
if [ ! -x "$lighthouse" ] || ! grep -q "\"version\": \"$lighthouse_version\"" \
    "$build/npm/node_modules/lighthouse/package.json"; then
    mkdir -p "$build/npm"
    [ -f "$build/npm/package.json" ] || echo '{"private": true}' >"$build/npm/package.json"
    (cd "$build/npm" && npm i -E --no-audit --no-fund "lighthouse@$lighthouse_version" >/dev/null)
fi

scratch="${SCRATCH:-$(mktemp -d "${TMPDIR:-/tmp}/qle-pages.XXXXXX")}"
mkdir -p "$scratch"
server=
cleanup() {
    [ -z "$server" ] || kill "$server" 2>/dev/null || true
    [ "${KEEP:-0}" = 1 ] || rm -rf "$scratch"
}
trap cleanup EXIT

site="$(python3 "$here/make_site.py" "$quillon" "$scratch")"
port="$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')"

for style in Classic Modern; do
    python3 - "$site" "$style" <<'PY'
import sqlite3, sys
db = sqlite3.connect(sys.argv[1])
with db:
    db.execute("UPDATE Options SET Page_Style = ?", (sys.argv[2],))
PY
    "$quillon" build "$site" --base "$scratch/$style" >/dev/null
    web="$scratch/$style/TempInternetFiles"
    python3 -m http.server --bind 127.0.0.1 --directory "$web" "$port" >/dev/null 2>&1 &
    server=$!
    python3 -c "
import socket, sys, time
for _ in range(100):
    try:
        socket.create_connection(('127.0.0.1', $port), 1).close(); sys.exit(0)
    except OSError:
        time.sleep(0.1)
sys.exit('the page server did not start')"
    for page in articles/art-1.htm categories/cat-garden.htm sections/sect-spring.htm; do
        report="$scratch/$style-$(basename "$page" .htm).json"
        "$lighthouse" "http://127.0.0.1:$port/$page" --quiet --output=json --output-path="$report" \
            --only-categories=performance,accessibility,best-practices,seo --chrome-path=/usr/bin/chromium \
            --chrome-flags="--headless=new --no-sandbox --disable-gpu" || true
        python3 - "$report" "$style" "$page" <<'PY'
import json, sys
try:
    with open(sys.argv[1]) as f:
        report = json.load(f)
except (OSError, ValueError):
    print(f"{sys.argv[2]:8} {sys.argv[3]:28} no report")
    sys.exit(0)
scores = {k: report["categories"][k]["score"] for k in ("performance", "accessibility", "best-practices", "seo")}
audits = report["audits"]
lcp = audits["largest-contentful-paint"]["numericValue"] / 1000
weight = audits["total-byte-weight"]["numericValue"] / 1e6
failed = [a["id"] for a in report["audits"].values()
          if a.get("score") is not None and a["score"] < 1 and a.get("scoreDisplayMode") == "binary"]
print(f"{sys.argv[2]:8} {sys.argv[3]:28} performance {scores['performance']:.2f} (LCP {lcp:.1f} s, "
      f"{weight:.2f} MB)  accessibility {scores['accessibility']:.2f}  "
      f"best practices {scores['best-practices']:.2f}  SEO {scores['seo']:.2f}  failed: {', '.join(failed) or '-'}")
PY
    done
    kill "$server"
    wait "$server" 2>/dev/null || true
    server=
done
