"""Writes a site file whose build is a web folder of 1,000 files with realistic sizes.

usage: generate_site.py SITE.qls PICTURES_FOLDER
600 articles over 60 categories and 140 sections (800 pages of a few KB each once built) and 199
pictures (10-120 KB, shown on the first 199 articles); with the program's logo, which publishing
adds, the images folder holds 200 files. Reproducible from a fixed seed. Publishing needs a build
of the site first: `quillon build SITE.qls --base DIR`.
"""
import os
import random
import sqlite3
import sys


def main():
    site, pictures = sys.argv[1], sys.argv[2]
    rng = random.Random(1000)
    os.makedirs(pictures, exist_ok=True)
    paths = []
    for i in range(1, 200):
        path = os.path.join(pictures, "picture-%d.jpg" % i)
        with open(path, "wb") as out:
            # A JPEG's first bytes: the build copies only files whose content is a picture.
            out.write(b"\xff\xd8\xff\xe0" + rng.randbytes(rng.randint(10000, 120000)))
        paths.append(path)

    paragraph = "Lorem ipsum dolor sit amet, consectetur adipiscing elit, sed do eiusmod tempor.\r\n"
    db = sqlite3.connect(site)
    for i in range(600):
        pair = i % 140
        body = paragraph * (rng.randint(1000, 11000) // len(paragraph))
        db.execute(
            "INSERT INTO Articles (Category, Section, Title, Para, Body, Image, Image_Strap) VALUES (?, ?, ?, ?, ?, ?, ?)",
            ("Category %d" % (pair % 60), "Section %d" % pair, "Article %d" % (i + 1), paragraph, body,
             paths[i] if i < len(paths) else None, "Picture %d" % (i + 1) if i < len(paths) else None))
    # The Classic style, whose files (the forwarding page and its logo among them) the figures are for.
    db.execute("UPDATE Options SET Page_Style = 'Classic'")
    db.commit()


if __name__ == "__main__":
    main()
