"""Writes a generated web folder, as a build leaves it, of files with realistic sizes.

usage: generate_web.py WEBFOLDER [FILES]
FILES (default 1,000) in the shares of 600 article pages (4-14 KB), 60 category pages (5-9 KB),
140 section pages (4-8 KB) and 200 pictures (10-120 KB) per thousand, reproducible from a fixed seed.
"""
import os
import random
import sys


def page(rng, size):
    paragraph = "<p>Lorem ipsum dolor sit amet, consectetur adipiscing elit, sed do eiusmod tempor.</p>\r\n"
    body = paragraph * (size // len(paragraph) + 1)
    return ("<html><head><title>Page</title></head><body>\r\n" + body[:size] + "</body></html>\r\n").encode()


def main():
    web = sys.argv[1]
    scale = (int(sys.argv[2]) if len(sys.argv) > 2 else 1000) / 1000
    rng = random.Random(1000)
    plan = [
        ("articles", "art-%d.htm", round(600 * scale), 4000, 14000, True),
        ("categories", "cat-category-%d.htm", round(60 * scale), 5000, 9000, True),
        ("sections", "sect-category-section-%d.htm", round(140 * scale), 4000, 8000, True),
        ("images", "picture-%d.jpg", round(200 * scale), 10000, 120000, False),
    ]
    for folder, pattern, count, low, high, is_page in plan:
        os.makedirs(os.path.join(web, folder), exist_ok=True)
        for i in range(1, count + 1):
            size = rng.randint(low, high)
            data = page(rng, size) if is_page else rng.randbytes(size)
            with open(os.path.join(web, folder, pattern % i), "wb") as out:
                out.write(data)


if __name__ == "__main__":
    main()
