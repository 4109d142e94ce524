#!/usr/bin/env python3
"""Builds a small home-like folder tree for the screenshot of a scanned
folder: a few folders with files of plausible names and sizes. Files are
sparse, so the tree takes little disk."""
import os
import random
import sys

TREE = {
    "Documents": {"Reports": 14, "Letters": 9, "Taxes 2023": 6, "": 5},
    "Pictures": {"Holidays 2022": 120, "Garden": 40, "Family": 75, "Scans": 12, "": 8},
    "Music": {"Jazz": 30, "Classical": 45, "Podcasts": 18},
    "Videos": {"Birthday": 4, "": 3},
    "Downloads": {"": 25},
    "Projects": {"website": 60, "notes": 20},
}
LOOSE_STEMS = {
    "Documents": "document", "Pictures": "picture", "Music": "track", "Videos": "video",
    "Downloads": "download", "Projects": "note",
}
EXTENSIONS = {
    "Documents": ".pdf", "Pictures": ".jpg", "Music": ".ogg", "Videos": ".mp4",
    "Downloads": ".zip", "Projects": ".txt",
}
TYPICAL = {
    ".pdf": 400_000, ".jpg": 3_500_000, ".ogg": 6_000_000, ".mp4": 450_000_000,
    ".zip": 30_000_000, ".txt": 8_000,
}

def main():
    root = sys.argv[1]
    random.seed(11)
    for top, folders in TREE.items():
        extension = EXTENSIONS[top]
        for folder, count in folders.items():
            path = os.path.join(root, top, folder)
            os.makedirs(path, exist_ok=True)
            for i in range(count):
                name = os.path.join(path, "%s %03d%s" % (folder or LOOSE_STEMS[top], i + 1, extension))
                with open(name, "wb") as file:
                    file.truncate(int(TYPICAL[extension] * random.uniform(0.2, 1.8)))

main()
