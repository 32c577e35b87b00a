#!/usr/bin/env python3
"""A Modern site built by `quillon build`: every page, the forwarding page index.htm and the
stylesheet pass the W3C Nu HTML checker without an error, the sitemap and the feed are XML that
list the right addresses, and a site without an address gets a warning on stderr instead of the
two files.

usage: modern_site_check.py QUILLON VNU_JAR
"""
import glob
import json
import os
import sqlite3
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

quillon, vnu = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
JAVA = "/usr/bin/java"
ATOM = "{http://www.w3.org/2005/Atom}"
SITEMAP = "{http://www.sitemaps.org/schemas/sitemap/0.9}"
failures = []


def fail(message):
    failures.append(message)
    print("FAIL:", message, file=sys.stderr)


def run(*args, **kw):
    return subprocess.run(args, capture_output=True, text=True, **kw)


def make_site(folder, homepage):
    site = os.path.join(folder, "Garden Club.qls")
    result = run(quillon, "new", site)  # a new site is Modern
    if result.returncode != 0:
        sys.exit("quillon new failed: " + result.stderr)
    db = sqlite3.connect(site)
    banner = os.path.join(os.path.dirname(quillon), "default_banner.gif")
    # Plain text only: markup written by an author is the author's to keep valid.
    rows = [("Home Garden", "Roses", "Tom's roses & \"tulips\"", "Roses & tulips,\r\nin pairs.",
             "Line one\r\nLine two\r\n\r\nA new paragraph.", banner, "Red roses")]
    for i in range(1, 25):
        rows.append(("TV", "Sport" if i % 2 else "News", f"Story {i}", f"Para {i}", f"Body {i}",
                     banner if i <= 17 else None, ""))
    rows.append(("Odd #1? 100%", "A/B Tom's", "", "", "", "", None))
    rows.append((None, None, None, None, None, None, None))
    db.executemany("INSERT INTO Articles (Category, Section, Title, Para, Body, Image, Image_Strap) "
                   "VALUES (?, ?, ?, ?, ?, ?, ?)", rows)
    db.execute("UPDATE Options SET Your_Homepage = ?, Banner = ?, CatPanel2 = 'LightOrange'", (homepage, banner))
    db.commit()
    db.close()
    return site


def build(site, base):
    result = run(quillon, "build", site, "--base", base)
    if result.returncode != 0:
        sys.exit("quillon build failed: " + result.stderr)
    return os.path.join(base, "TempInternetFiles"), result.stderr


def page_files(web):
    return sorted(os.path.relpath(p, web) for p in glob.glob(os.path.join(web, "*", "*.htm")))


def check_with_vnu(web, pages):
    if not os.path.isfile(vnu):
        sys.exit(f"The HTML checker {vnu} is missing: run scripts/setup.sh, which installs it.")
    result = run(JAVA, "-jar", vnu, "--errors-only", "--format", "json", *pages, cwd=web)
    css = run(JAVA, "-jar", vnu, "--errors-only", "--format", "json", "--css", "images/style.css", cwd=web)
    for checked in (result, css):
        try:
            messages = json.loads(checked.stderr or '{"messages": []}')["messages"]
        except ValueError:
            sys.exit("The HTML checker did not run: " + checked.stderr)
        for m in messages:
            fail(f"{m.get('url', '')}:{m.get('lastLine', '')}: {m.get('message')}")
    print(f"checked {len(pages)} pages and the stylesheet")


def check_sitemap_and_feed(web, pages, address):
    sitemap = ET.parse(os.path.join(web, "sitemap.xml")).getroot()
    locs = [u.find(SITEMAP + "loc").text for u in sitemap.findall(SITEMAP + "url")]
    from urllib.parse import unquote
    listed = sorted(unquote(loc[len(address):]) for loc in locs if loc.startswith(address))
    if len(listed) != len(locs):
        fail(f"sitemap addresses outside {address}: {locs}")
    if listed != pages:
        fail(f"sitemap lists {listed}, pages are {pages}")

    feed = ET.parse(os.path.join(web, "feed.xml")).getroot()
    if feed.tag != ATOM + "feed" or feed.findtext(ATOM + "title") != "Garden Club":
        fail("feed is not an Atom feed named after the site")
    for field in ("id", "updated"):
        if not feed.findtext(ATOM + field):
            fail(f"feed has no {field}")
    entries = feed.findall(ATOM + "entry")
    links = [e.find(ATOM + "link").get("href") for e in entries]
    expected = [f"{address}articles/art-{n}.htm" for n in range(27, 7, -1)]
    if links != expected:
        fail(f"feed lists {links}, expected the 20 newest: {expected}")
    first = entries[-1] if entries else None
    if first is None or first.findtext(ATOM + "title") != "Story 7" or first.findtext(ATOM + "summary") != "Para 7":
        fail("feed entries lack their title or first paragraph")


with tempfile.TemporaryDirectory() as folder:
    address = "https://example.org/club/"
    site = make_site(folder, "example.org/club")
    web, stderr = build(site, os.path.join(folder, "base"))
    if stderr.strip():
        fail("a site with an address built with warnings: " + stderr)
    pages = page_files(web)
    if len(pages) != 27 + 3 + 4:
        fail(f"unexpected pages: {pages}")
    if not os.path.isfile(os.path.join(web, "Index.htm")):
        fail("no forwarding page")
    check_with_vnu(web, pages + ["Index.htm"])
    check_sitemap_and_feed(web, pages, address)

    # Without an address: no sitemap, no feed, and a warning saying why.
    db = sqlite3.connect(site)
    db.execute("UPDATE Options SET Your_Homepage = ''")
    db.commit()
    db.close()
    web, stderr = build(site, os.path.join(folder, "bare"))
    for name in ("sitemap.xml", "feed.xml"):
        if os.path.exists(os.path.join(web, name)):
            fail(f"{name} written without an address")
    if "warning" not in stderr or "Your Home Page" not in stderr:
        fail("no warning about the missing address: " + stderr)

sys.exit(1 if failures else 0)
