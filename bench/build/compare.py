#!/usr/bin/env python3
"""Times `quillon build` against `hugo` on the same content, alternating runs.

Every run writes into a fresh folder (quillon: a fresh base folder; hugo: a fresh destination), so
neither pays for deleting the previous tree; nothing is deleted until all runs are done, since
deleting large trees slows the writes that follow on some disks. Each run starts after a sync.
Wall time is measured around the whole process; peak memory is GNU time's maximum resident set.
"""
import argparse
import os
import statistics
import subprocess
import time


def timed(argv, scratch, label):
    report = os.path.join(scratch, label + ".time")
    os.sync()
    start = time.monotonic()
    subprocess.run(["/usr/bin/time", "-f", "%M", "-o", report] + argv, check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    wall = time.monotonic() - start
    with open(report) as f:
        peak_kib = int(f.read().split()[-1])
    return wall, peak_kib / 1024.0


def tree(folder):
    files = size = 0
    for root, _, names in os.walk(folder):
        for name in names:
            files += 1
            size += os.path.getsize(os.path.join(root, name))
    return files, size


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--runs", type=int, default=5)
    ap.add_argument("--scratch", required=True)
    ap.add_argument("--quillon", required=True)
    ap.add_argument("--site", required=True)
    ap.add_argument("--hugo-site", required=True)
    a = ap.parse_args()

    ours, theirs, peaks, ratios = [], [], [], []
    for run in range(a.runs + 1):  # run 0 warms the caches and is not counted
        base = os.path.join(a.scratch, "base.%d" % run)
        q_wall, q_peak = timed([a.quillon, "build", a.site, "--base", base], a.scratch, "quillon")
        h_wall, _ = timed(["hugo", "--quiet", "-s", a.hugo_site, "-d", os.path.join(a.scratch, "hugo.%d" % run)],
                          a.scratch, "hugo")
        if run == 0:
            files, size = tree(os.path.join(base, "TempInternetFiles"))
            print("quillon writes %d files, %d bytes" % (files, size))
            continue
        ours.append(q_wall)
        theirs.append(h_wall)
        peaks.append(q_peak)
        ratios.append(h_wall / q_wall)
        print("run %d: quillon %.3f s (%.1f MiB), hugo %.3f s" % (run, q_wall, q_peak, h_wall))

    print("median quillon build: %.3f s (min %.3f, max %.3f)" % (statistics.median(ours), min(ours), max(ours)))
    print("median hugo:          %.3f s (min %.3f, max %.3f)" % (statistics.median(theirs), min(theirs), max(theirs)))
    print("ratio hugo / quillon: %.1fx (median of paired runs)" % statistics.median(ratios))
    print("quillon peak memory:  %.1f MiB (largest of the runs)" % max(peaks))


if __name__ == "__main__":
    main()
