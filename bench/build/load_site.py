#!/usr/bin/env python3
"""Copies the kit's `pages` table into a site database made from the blank template.

  load_site.py CONTENT_DIR SITE.qls [STYLE]

Fields: id -> ArtID, category, section, title, first -> Para, main -> Body (line feeds become
CR LF, as the editor stores them), picture -> Image (full path; none -> NULL), caption ->
Image_Strap. The kit's banner becomes the site's banner and article 1 its homepage. STYLE is
the page style (Classic by default); a Modern site gets an address, so that its build also
writes the sitemap and the feed.
"""
import os
import sqlite3
import sys


def main():
    content, site = sys.argv[1], sys.argv[2]
    style = sys.argv[3] if len(sys.argv) > 3 else "Classic"
    content = os.path.abspath(content)
    src = sqlite3.connect(os.path.join(content, "site.db"))
    dst = sqlite3.connect(site)
    rows = []
    for (id_, category, section, title, first, main_, picture, caption) in src.execute(
            "SELECT id, category, section, title, first, main, picture, caption FROM pages ORDER BY id"):
        image = os.path.join(content, picture) if picture else None
        rows.append((id_, category, section, title, first, main_.replace("\n", "\r\n"), image,
                     caption if picture else None))
    with dst:
        dst.executemany("INSERT INTO Articles (ArtID, Category, Section, Title, Para, Body, Image, Image_Strap)"
                        " VALUES (?, ?, ?, ?, ?, ?, ?, ?)", rows)
        dst.execute("UPDATE Options SET Banner = ?, homepage = 1, Page_Style = ?, Your_Homepage = ?",
                    (os.path.join(content, "pics", "banner.png"), style,
                     "https://example.org/" if style == "Modern" else ""))
    dst.close()
    print("loaded %d articles into %s (%s pages)" % (len(rows), site, style))


if __name__ == "__main__":
    main()
