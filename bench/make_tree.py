#!/usr/bin/env python3
"""Builds the synthetic benchmark tree: about 20,000 folders and 400,000 files,
four of the folders holding 25,000 files each. Files are sparse, so the tree
takes little disk while its apparent sizes add up to gigabytes."""
import os
import random
import sys

def main():
    root = sys.argv[1]
    if os.path.exists(os.path.join(root, ".complete")):
        return
    random.seed(7)
    os.makedirs(root, exist_ok=True)
    folders = 0
    files = 0

    def make_files(folder, count, prefix):
        nonlocal files
        for i in range(count):
            path = os.path.join(folder, "%s_%06d.dat" % (prefix, i))
            fd = os.open(path, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o644)
            os.ftruncate(fd, random.randrange(0, 1 << 20))
            os.close(fd)
        files += count

    for top in range(20):
        top_dir = os.path.join(root, "project_%02d" % top)
        os.mkdir(top_dir)
        folders += 1
        for mid in range(10):
            mid_dir = os.path.join(top_dir, "module_%02d" % mid)
            os.mkdir(mid_dir)
            folders += 1
            for leaf in range(99):
                leaf_dir = os.path.join(mid_dir, "dir_%03d" % leaf)
                os.mkdir(leaf_dir)
                folders += 1
                make_files(leaf_dir, 15, "file")
    for big in range(4):
        big_dir = os.path.join(root, "huge_%d" % big)
        os.mkdir(big_dir)
        folders += 1
        make_files(big_dir, 25000, "item")
    open(os.path.join(root, ".complete"), "w").close()
    print("built %s: %d folders, %d files" % (root, folders, files))

main()
