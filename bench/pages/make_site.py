#!/usr/bin/env python3
"""Makes the sample site the page benchmark scores: 3 categories of 3 sections, 36 articles of
plain text, a third of them with a picture (the first a 4000x3000 phone photo), and a banner.

  make_site.py QUILLON FOLDER

Writes FOLDER/Sample Site.qls and its pictures into FOLDER/pics; prints the site file's path.
The text is fixed, so every run scores the same pages.
"""
import os
import sqlite3
import struct
import subprocess
import sys
import zlib

WORDS = ("garden roses tulips spring summer autumn winter soil water light shade pruning compost seeds "
         "bulbs border hedge lawn pond path fence bench shed greenhouse harvest bloom leaf root stem").split()


def text(seed, words):
    return " ".join(WORDS[(seed * 7 + i * 13) % len(WORDS)] for i in range(words)).capitalize() + "."


def png(path, width, height, rgb):
    """A plain PNG of one colour with a darker band, so it compresses but is a real picture."""
    rows = b""
    for y in range(height):
        shade = rgb if (y // 16) % 2 else tuple(c * 3 // 4 for c in rgb)
        rows += b"\x00" + bytes(shade) * width
    chunk = lambda kind, data: (struct.pack(">I", len(data)) + kind + data
                                + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
                + chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b""))


def phone_photo(path):
    """A 4000x3000 photo as a phone takes it (about 4.5 MB): coloured noise, a little blurred, made
    with the imaging library's command-line tool."""
    if os.path.exists(path):
        return
    folder = os.path.dirname(path)
    bands = []
    for b, mean in enumerate((128, 112, 90)):
        band = os.path.join(folder, "band-%d.v" % b)
        subprocess.run(["vips", "gaussnoise", band, "4000", "3000", "--sigma", "22", "--mean", str(mean)], check=True)
        bands.append(band)
    joined, blurred, cast = (os.path.join(folder, n) for n in ("joined.v", "blurred.v", "cast.v"))
    subprocess.run(["vips", "bandjoin", " ".join(bands), joined], check=True)
    subprocess.run(["vips", "gaussblur", joined, blurred, "1.0"], check=True)
    subprocess.run(["vips", "cast", blurred, cast, "uchar"], check=True)
    subprocess.run(["vips", "copy", cast, path + "[Q=92]"], check=True)
    for name in bands + [joined, blurred, cast]:
        os.remove(name)


def main():
    quillon, folder = sys.argv[1], os.path.abspath(sys.argv[2])
    pics = os.path.join(folder, "pics")
    os.makedirs(pics, exist_ok=True)
    site = os.path.join(folder, "Sample Site.qls")
    subprocess.run([quillon, "new", site], check=True, stdout=subprocess.DEVNULL)
    banner = os.path.join(pics, "banner.png")
    png(banner, 1200, 160, (46, 110, 60))
    rows = []
    n = 0
    for c, category in enumerate(["Garden", "Kitchen", "Club News"]):
        for s, section in enumerate(["Spring", "Summer", "Autumn"]):
            for a in range(4):
                n += 1
                picture = None
                if n == 1:  # the homepage article: a phone photo, shown on its page and its category's
                    picture = os.path.join(pics, "phone-photo.jpg")
                    phone_photo(picture)
                elif n % 3 == 1:
                    picture = os.path.join(pics, "photo-%d.png" % n)
                    png(picture, 960, 640, ((n * 40) % 200 + 30, (n * 70) % 200 + 30, (n * 90) % 200 + 30))
                body = "\r\n\r\n".join(text(n + p, 60) for p in range(4))
                rows.append((category, section, "%s in %s, part %d" % (section, category.lower(), a + 1),
                             text(n, 30), body, picture, "Picture %d of the %s" % (n, category.lower())))
    db = sqlite3.connect(site)
    with db:
        db.executemany("INSERT INTO Articles (Category, Section, Title, Para, Body, Image, Image_Strap) "
                       "VALUES (?, ?, ?, ?, ?, ?, ?)", rows)
        db.execute("UPDATE Options SET Banner = ?, homepage = 1, Your_Homepage = 'https://example.org/'", (banner,))
    db.close()
    print(site)


if __name__ == "__main__":
    main()
