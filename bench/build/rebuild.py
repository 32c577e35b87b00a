#!/usr/bin/env python3
"""Rebuilds against Hugo and the floor writer, in one run.

1. Full build: `quillon build` into a fresh base folder against `floorwrite` writing the same tree
   (our own output's paths and real bytes) into a fresh folder, alternating.
2. Rebuild: one article's main text edited, then `quillon build` into the same base folder,
   against the floor of a rebuild (`floorwrite` writing the files that changed plus `cp -al`
   linking the rest of the tree into a new folder), then Hugo's full builds of the same content.
3. Peak memory of a build whose one page has a main text of --big-mib MiB (memory.py).
Each run starts after a sync; wall time around the whole process, peak memory by GNU time.
"""
import argparse
import os
import shutil
import sqlite3
import statistics

from compare import timed  # the same whole-process timer as the full-build comparison
from memory import big_page_peaks


def listed(base):
    """The build's list of files: path -> sha256."""
    files = {}
    with open(os.path.join(base, "QuillonEngine_built.txt"), encoding="utf-8", errors="surrogateescape") as f:
        next(f)
        for line in f:
            if line.startswith("@"):  # a picture that pages show, not a file
                continue
            parts = line.rstrip("\n").split(" ", 8)
            files[parts[8]] = parts[1]
    return files


def manifest(web, paths, scratch, name):
    """floorwrite's manifest and pack of these paths of the web folder."""
    tsv, pack = os.path.join(scratch, name + ".tsv"), os.path.join(scratch, name + ".pack")
    with open(tsv, "w") as m, open(pack, "wb") as p:
        for path in paths:
            with open(os.path.join(web, path), "rb") as f:
                data = f.read()
            m.write("%d\t%s\n" % (len(data), path))
            p.write(data)
    return tsv, pack


def median(values):
    return statistics.median(values)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--runs", type=int, default=5)
    ap.add_argument("--scratch", required=True)
    ap.add_argument("--quillon", required=True)
    ap.add_argument("--site", required=True)
    ap.add_argument("--hugo-site")
    ap.add_argument("--floorwrite", required=True)
    ap.add_argument("--big-mib", type=int, default=50)
    a = ap.parse_args()
    s = a.scratch
    q = [a.quillon, "build", a.site, "--base"]

    # 1. Full builds into fresh folders against the floor writing the same tree.
    first = os.path.join(s, "full.0")
    timed(q + [first], s, "q")
    web = os.path.join(first, "TempInternetFiles")
    paths = sorted(listed(first))
    tsv, pack = manifest(web, paths, s, "all")
    print("quillon writes %d listed files, %d bytes" % (len(paths), os.path.getsize(pack)))
    full, floor_full = [], []
    for run in range(1, a.runs + 1):
        full.append(timed(q + [os.path.join(s, "full.%d" % run)], s, "q")[0])
        floor_full.append(timed([a.floorwrite, tsv, os.path.join(s, "floor.%d" % run), pack], s, "f")[0])
    for run in range(0, a.runs + 1):
        shutil.rmtree(os.path.join(s, "full.%d" % run), ignore_errors=True)
        shutil.rmtree(os.path.join(s, "floor.%d" % run), ignore_errors=True)

    # 2. Rebuilds after one edit into the same base folder.
    base = os.path.join(s, "base")
    timed(q + [base], s, "q")
    db = sqlite3.connect(a.site)
    ids = [r[0] for r in db.execute("SELECT ArtID FROM Articles ORDER BY ArtID")]
    rebuild, hugo, floor_re, changed_counts, peaks = [], [], [], [], []
    for run in range(a.runs + 1):  # run 0 warms the caches and is not counted
        before = listed(base)
        db.execute("UPDATE Articles SET Body = Body || ? WHERE ArtID = ?", (" edit %d." % run, ids[len(ids) // 3 + run]))
        db.commit()
        wall, peak = timed(q + [base], s, "q")
        after = listed(base)
        changed = sorted(p for p, h in after.items() if before.get(p) != h)
        # The floor of a rebuild: link the unchanged tree into a new folder, write the changed files.
        web = os.path.join(base, "TempInternetFiles")
        ctsv, cpack = manifest(web, changed, s, "changed")
        dest = os.path.join(s, "floor-re.%d" % run)
        link_wall = timed(["cp", "-al", web, dest], s, "l")[0]
        for p in changed:
            os.unlink(os.path.join(dest, p))
        write_wall = timed([a.floorwrite, ctsv, dest, cpack], s, "f")[0]
        if run == 0:
            continue
        rebuild.append(wall)
        peaks.append(peak)
        floor_re.append(link_wall + write_wall)
        changed_counts.append(len(changed))
        print("run %d: rebuild %.3f s (%d files changed, %.1f MiB), floor %.3f s (link %.3f + write %.3f)" %
              (run, wall, len(changed), peak, link_wall + write_wall, link_wall, write_wall))
    db.close()
    # Hugo's full builds of the same content, after the rebuilds rather than between them: a run of
    # Hugo writes and frees gigabytes, and the command timed right after it would pay for that.
    if a.hugo_site:
        for run in range(a.runs + 1):  # run 0 warms the caches and is not counted
            h_wall = timed(["hugo", "--quiet", "-s", a.hugo_site, "-d", os.path.join(s, "hugo.%d" % run)], s, "h")[0]
            if run > 0:
                hugo.append(h_wall)
                print("hugo run %d: %.3f s" % (run, h_wall))

    print("full build:   quillon %.3f s, floorwrite %.3f s, ratio %.2fx (target <= 1.5x)" %
          (median(full), median(floor_full), median(full) / median(floor_full)))
    print("rebuild:      quillon %.3f s (min %.3f, max %.3f), %s files changed" %
          (median(rebuild), min(rebuild), max(rebuild), "/".join(map(str, changed_counts))))
    print("              floor (link + write changed) %.3f s, ratio %.2fx (target <= 2x)" %
          (median(floor_re), median(rebuild) / median(floor_re)))
    if hugo:
        print("              hugo full build %.3f s, hugo / rebuild %.1fx (target >= 10x)" %
              (median(hugo), median(hugo) / median(rebuild)))
    print("rebuild peak memory: %.1f MiB" % max(peaks))

    # 3. One page with a very large main text.
    big_page_peaks(a.quillon, a.site, s, a.big_mib)

if __name__ == "__main__":
    main()
