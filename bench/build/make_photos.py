#!/usr/bin/env python3
"""Makes COUNT different 4000x3000 phone-like JPEG photos (about 4.5 MB each) for the picture
benchmark, and gives every fifth article of a site one of them.

  make_photos.py FOLDER COUNT SITE.qls

A few base photos are drawn with the imaging library's command-line tool (coloured noise, a little
blurred, which compresses like a detailed photo) and given a phone's EXIF (orientation, GPS,
camera serial number) with exiftool; each photo is then a base with a comment segment of its own
number, so every file has its own bytes (and its own SHA-256) while they cost the same to decode.
"""
import os
import sqlite3
import subprocess
import sys

BASES = 4


def run(*argv):
    subprocess.run(argv, check=True, stdout=subprocess.DEVNULL)


def base_photo(folder, k):
    path = os.path.join(folder, "base-%d.jpg" % k)
    if os.path.exists(path):
        return path
    bands = []
    for b, mean in enumerate((128 - k * 9, 112 + k * 5, 90 + k * 7)):
        band = os.path.join(folder, "band-%d-%d.v" % (k, b))
        run("vips", "gaussnoise", band, "4000", "3000", "--sigma", "22", "--mean", str(mean))
        bands.append(band)
    joined, blurred = os.path.join(folder, "joined.v"), os.path.join(folder, "blurred.v")
    run("vips", "bandjoin", " ".join(bands), joined)
    run("vips", "gaussblur", joined, blurred, "1.0")
    run("vips", "cast", blurred, path + ".v", "uchar")
    run("vips", "copy", path + ".v", path + "[Q=92]")
    run("exiftool", "-q", "-q", "-overwrite_original", "-n", "-Orientation=1", "-GPSLatitude=51.5",
        "-GPSLatitudeRef=N", "-GPSLongitude=0.12", "-GPSLongitudeRef=W", "-SerialNumber=SN%d" % k,
        "-Make=Phone", "-Model=Camera", path)
    for name in bands + [joined, blurred, path + ".v"]:
        os.remove(name)
    return path


def main():
    folder, count, site = os.path.abspath(sys.argv[1]), int(sys.argv[2]), sys.argv[3]
    os.makedirs(folder, exist_ok=True)
    bases = []
    for k in range(BASES):
        with open(base_photo(folder, k), "rb") as f:
            bases.append(f.read())
    paths = []
    for i in range(count):
        data = bases[i % BASES]
        comment = b"photo %d" % i
        segment = b"\xff\xfe" + (len(comment) + 2).to_bytes(2, "big") + comment
        path = os.path.join(folder, "IMG_%05d.jpg" % i)
        if not os.path.exists(path):  # the same bytes as a call before
            with open(path, "wb") as f:
                f.write(data[:2] + segment + data[2:])
        paths.append(path)
    db = sqlite3.connect(site)
    with db:
        ids = [row[0] for row in db.execute("SELECT ArtID FROM Articles ORDER BY ArtID")]
        db.execute("UPDATE Articles SET Image = NULL")
        for i, path in enumerate(paths):
            db.execute("UPDATE Articles SET Image = ?, Image_Strap = ? WHERE ArtID = ?",
                       (path, "Photo %d" % i, ids[(i * 5) % len(ids)]))
    db.close()
    print("%d photos of %d bytes each (about) in %s" % (count, len(bases[0]), folder))


if __name__ == "__main__":
    main()
