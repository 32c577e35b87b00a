#!/usr/bin/env python3
"""Peak memory of `quillon build` (GNU time's maximum resident set).

1. The whole site given (the 10,000-article site of the generator benchmark): a build into a fresh
   base folder, then a rebuild after one edited article into the same one.
2. A copy of the site cut to a few articles, one of which has a main text of --big-mib MiB (lines
   of text with CR LF line ends, as the editor stores them), in each page style: a build into a
   fresh base folder, then a rebuild of the unchanged site (which hashes the page before keeping it).
Target: under 128 MiB for the large page; the whole site's peak no higher than before.
"""
import argparse
import os
import shutil
import sqlite3

from compare import timed  # the same whole-process timer as the other comparisons

TARGET_MIB = 128


def big_page_site(site, scratch, mib, style):
    """A copy of `site` with 11 articles, the first with a main text of `mib` MiB, in `style`."""
    big = os.path.join(scratch, "big-%s.qls" % style)
    shutil.copyfile(site, big)
    db = sqlite3.connect(big)
    ids = [r[0] for r in db.execute("SELECT ArtID FROM Articles ORDER BY ArtID LIMIT 11")]
    db.execute("DELETE FROM Articles WHERE ArtID > ?", (ids[-1],))
    line = "A line of the main text, long enough to be a paragraph of its own in a page.\r\n"
    db.execute("UPDATE Articles SET Body = ? WHERE ArtID = ?", (line * ((mib << 20) // len(line)), ids[0]))
    db.execute("UPDATE Options SET Page_Style = ?", (style,))
    db.commit()
    db.execute("VACUUM")
    db.close()
    return big


def big_page_peaks(quillon, site, scratch, mib):
    """(style, build wall, build peak, rebuild wall, rebuild peak) for a page of `mib` MiB."""
    rows = []
    for style in ("Classic", "Modern"):
        big = big_page_site(site, scratch, mib, style)
        base = os.path.join(scratch, "big-" + style)
        wall, peak = timed([quillon, "build", big, "--base", base], scratch, "q")
        re_wall, re_peak = timed([quillon, "build", big, "--base", base], scratch, "q")
        page = os.path.getsize(os.path.join(base, "TempInternetFiles", "articles", "art-1.htm"))
        print("%s, a %d MiB main text (page %.1f MiB): build %.2f s, peak %.1f MiB; rebuild %.2f s, peak %.1f MiB "
              "(target < %d MiB)" % (style, mib, page / 1048576.0, wall, peak, re_wall, re_peak, TARGET_MIB))
        rows.append((style, wall, peak, re_wall, re_peak))
        shutil.rmtree(base, ignore_errors=True)
    return rows


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--runs", type=int, default=3)
    ap.add_argument("--scratch", required=True)
    ap.add_argument("--quillon", required=True)
    ap.add_argument("--site", required=True)
    ap.add_argument("--big-mib", type=int, default=50)
    a = ap.parse_args()
    s = a.scratch

    full, rebuild = [], []
    db = sqlite3.connect(a.site)
    ids = [r[0] for r in db.execute("SELECT ArtID FROM Articles ORDER BY ArtID")]
    for run in range(a.runs):
        base = os.path.join(s, "mem.%d" % run)
        full.append(timed([a.quillon, "build", a.site, "--base", base], s, "q")[1])
        db.execute("UPDATE Articles SET Body = Body || ? WHERE ArtID = ?", (" edit %d." % run, ids[len(ids) // 2]))
        db.commit()
        rebuild.append(timed([a.quillon, "build", a.site, "--base", base], s, "q")[1])
        shutil.rmtree(base, ignore_errors=True)
    db.close()
    print("whole site (%d articles): build peak %s MiB, rebuild after one edit peak %s MiB" %
          (len(ids), ", ".join("%.1f" % p for p in full), ", ".join("%.1f" % p for p in rebuild)))
    big_page_peaks(a.quillon, a.site, s, a.big_mib)


if __name__ == "__main__":
    main()
