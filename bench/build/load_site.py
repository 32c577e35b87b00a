#!/usr/bin/env python3
"""Copies the kit's `pages` table into a site database made from the blank template.

  load_site.py CONTENT_DIR SITE.qls

Fields: id -> ArtID, category, section, title, first -> Para, main -> Body (line feeds become
CR LF, as the editor stores them), picture -> Image (full path; none -> NULL), caption ->
Image_Strap. The kit's banner becomes the site's banner and article 1 its homepage.
"""
import os
import sqlite3
import sys


def main():
    content, site = sys.argv[1], sys.argv[2]
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
        dst.execute("UPDATE Options SET Banner = ?, homepage = 1", (os.path.join(content, "pics", "banner.png"),))
    dst.close()
    print("loaded %d articles into %s" % (len(rows), site))


if __name__ == "__main__":
    main()
