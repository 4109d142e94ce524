#!/usr/bin/env python3
"""Builds a synthetic benchmark tree of sparse files (little disk, gigabytes of
apparent sizes) in one of three shapes:

  mixed  about 20,000 folders and 400,000 files, four folders of 25,000
         files each (the default)
  wide   about 20,000 folders and 400,000 files where many folders hold
         hundreds of subfolders, depth up to 8, a tenth of the names
         non-ASCII
  flat   one folder of 200,000 files

  make_tree.py TREE [SHAPE]"""
import os
import random
import sys

def main():
    root = sys.argv[1]
    shape = sys.argv[2] if len(sys.argv) > 2 else "mixed"
    if os.path.exists(os.path.join(root, ".complete")):
        return
    random.seed(7)
    os.makedirs(root, exist_ok=True)
    counts = {"folders": 0, "files": 0}

    def folder(path):
        os.mkdir(path)
        counts["folders"] += 1
        return path

    def make_files(path, count, prefix):
        for i in range(count):
            name = os.path.join(path, "%s_%06d.dat" % (prefix, i))
            fd = os.open(name, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o644)
            os.ftruncate(fd, random.randrange(0, 1 << 20))
            os.close(fd)
        counts["files"] += count

    # A tenth of the names in other scripts, as a user's files have them.
    foreign = ["dössier", "résumé", "файлы", "文件夹", "ファイル", "übersicht", "καλός", "наброски"]
    def name(prefix, i):
        if i % 10 == 3:
            return "%s_%s_%d" % (foreign[i % len(foreign)], prefix, i)
        return "%s_%d" % (prefix, i)

    if shape == "mixed":
        for top in range(20):
            top_dir = folder(os.path.join(root, "project_%02d" % top))
            for mid in range(10):
                mid_dir = folder(os.path.join(top_dir, "module_%02d" % mid))
                for leaf in range(99):
                    make_files(folder(os.path.join(mid_dir, "dir_%03d" % leaf)), 15, "file")
        for big in range(4):
            make_files(folder(os.path.join(root, "huge_%d" % big)), 25000, "item")
    elif shape == "wide":
        for top in range(10):
            top_dir = folder(os.path.join(root, name("area", top)))
            for hub in range(200):
                hub_dir = folder(os.path.join(top_dir, name("hub", hub)))
                make_files(hub_dir, 8, name("doc", hub))
                for leaf in range(8):
                    leaf_dir = folder(os.path.join(hub_dir, name("part", leaf)))
                    make_files(leaf_dir, 24, "item")
                # A chain down to depth 8 under every fourth hub.
                if hub % 4:
                    continue
                chain = hub_dir
                for depth in range(3, 8):
                    chain = folder(os.path.join(chain, name("level", depth)))
                    if depth == 7:
                        make_files(chain, 1, "deep")
    elif shape == "flat":
        make_files(folder(os.path.join(root, "all")), 200000, "file")
    else:
        sys.exit("unknown shape " + shape)
    open(os.path.join(root, ".complete"), "w").close()
    print("built %s (%s): %d folders, %d files" % (root, shape, counts["folders"], counts["files"]))

main()
