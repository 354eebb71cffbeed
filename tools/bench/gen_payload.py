#!/usr/bin/env python3
"""Seeded payload folders for scripts/bench.

The same seed and kind always give the same names, sizes, bytes and times.
Each payload folder holds:
  files/         the tree that kzppack packs
  manifest.txt   one line per file, in the package's order (sorted names):
                 "<size> <dos date> <dos time> <attributes> <relative name>"
                 with '/' separators, as the entry names in the package;
                 bare_writer.exe replays it
  stamp          the parameters it was made with; a folder whose stamp
                 matches is reused as it is

Kinds:
  large   256 MiB in 64 files of varied sizes, half text-like (compressible),
          half random (incompressible), in a few nested folders
  small   10,000 files of 64 B to 32 KiB, half text, half random, in
          100 nested folders
  tiny    65,535 files of 0 to 100 bytes
  open8k  8,000 files of 0 to 100 bytes
  gib     1 GiB in 32 files, half text-like, half random (packing benchmark)
  one     one text-like file of 256 MiB: nothing to share between threads
The tiny kinds put at most 1,000 files in one folder: Wine's file creation
slows down quadratically in one huge folder.

Usage: gen_payload.py --seed N --kind KIND --out FOLDER
"""

import argparse
import math
import os
import random
import shutil
import sys
import time

GENERATOR_VERSION = 1
LARGE_TOTAL = 256 * 1024 * 1024
LARGE_FILES = 64
GIB_TOTAL = 1024 * 1024 * 1024
GIB_FILES = 32
SMALL_FILES = 10_000
TINY_FILES = {"tiny": 65_535, "open8k": 8_000}
ONE_FILE_SIZE = 256 * 1024 * 1024
FOLDER_CAPACITY = 1_000
TEXT_POOL_SIZE = 4 * 1024 * 1024
TEXT_SLICE = 64 * 1024
ATTRIBUTE_ARCHIVE = 0x20

# Every file gets this modification time (local time), so the DOS stamps in
# the package and the manifest do not depend on when the payload was made.
FIXED_LOCAL_TIME = (2024, 3, 14, 15, 9, 26)

LARGE_FOLDERS = [
    "",
    "bin",
    "docs",
    "docs/manual",
    "docs/manual/images",
    "data",
    "data/level1",
    "data/level1/level2",
    "media/video",
]


def make_words(rng):
    letters = "etaoinshrdlucmfwypvbgkqjxz"
    weights = [26 - i for i in range(len(letters))]
    return ["".join(rng.choices(letters, weights, k=rng.randint(2, 10))) for _ in range(3000)]


def make_text_pool(rng):
    """A few MiB of word-like lines: deflate shrinks it to about a third."""
    words = make_words(rng)
    parts = []
    size = 0
    while size < TEXT_POOL_SIZE:
        line = " ".join(rng.choices(words, k=rng.randint(4, 16))) + "\r\n"
        parts.append(line)
        size += len(line)
    return "".join(parts).encode("ascii")[:TEXT_POOL_SIZE]


def text_bytes(rng, pool, size):
    """Slices of the pool taken at random places; a slice is longer than
    deflate's 32 KiB window, so the repeats cannot be seen across slices."""
    out = bytearray()
    while len(out) < size:
        take = min(TEXT_SLICE, size - len(out))
        start = rng.randrange(0, len(pool) - take + 1)
        out += pool[start:start + take]
    return bytes(out)


def random_bytes(rng, size):
    return rng.randbytes(size)


def log_uniform(rng, low, high):
    return int(math.exp(rng.uniform(math.log(low), math.log(high))))


def plan_large(rng, total=LARGE_TOTAL, count=LARGE_FILES):
    """(name, size, is_text) triples that add up to exactly the total."""
    weights = [math.exp(rng.uniform(math.log(4 * 1024), math.log(24 * 1024 * 1024)))
               for _ in range(count)]
    scale = total / sum(weights)
    sizes = [max(1, int(w * scale)) for w in weights]
    sizes[-1] += total - sum(sizes)
    plan = []
    for i, size in enumerate(sizes):
        folder = LARGE_FOLDERS[rng.randrange(len(LARGE_FOLDERS))]
        is_text = i % 2 == 0
        name = f"file{i:03d}.{'txt' if is_text else 'bin'}"
        plan.append((f"{folder}/{name}" if folder else name, size, is_text))
    return plan


def plan_small(rng):
    plan = []
    for i in range(SMALL_FILES):
        folder = f"s{i // 1000:02d}/t{(i // 100) % 10:02d}"
        is_text = rng.random() < 0.5
        size = log_uniform(rng, 64, 32 * 1024)
        plan.append((f"{folder}/f{i:05d}.{'txt' if is_text else 'dat'}", size, is_text))
    return plan


def plan_tiny(rng, count):
    leaves = math.ceil(count / (FOLDER_CAPACITY * 0.9))
    per_leaf = math.ceil(count / leaves)
    plan = []
    for i in range(count):
        leaf = i // per_leaf
        plan.append((f"d{leaf // 10:02d}/e{leaf % 10}/n{i:05d}.txt", rng.randint(0, 100), True))
    return plan


def dos_stamp(local_time):
    year, month, day, hour, minute, second = local_time
    date = ((year - 1980) << 9) | (month << 5) | day
    clock = (hour << 11) | (minute << 5) | (second // 2)
    return date, clock


def stamp_text(seed, kind):
    return f"generator={GENERATOR_VERSION} seed={seed} kind={kind}\n"


def generate(seed, kind, out):
    stamp_path = os.path.join(out, "stamp")
    if os.path.exists(stamp_path):
        with open(stamp_path) as f:
            if f.read() == stamp_text(seed, kind):
                return False
    if os.path.exists(out):
        shutil.rmtree(out)
    files_root = os.path.join(out, "files")
    os.makedirs(files_root)

    # One stream per kind: the kinds do not shift each other's bytes.
    rng = random.Random(f"{seed}:{kind}")
    pool = make_text_pool(rng)
    if kind == "large":
        plan = plan_large(rng)
    elif kind == "gib":
        plan = plan_large(rng, GIB_TOTAL, GIB_FILES)
    elif kind == "small":
        plan = plan_small(rng)
    elif kind == "one":
        plan = [("one/single.txt", ONE_FILE_SIZE, True)]
    else:
        plan = plan_tiny(rng, TINY_FILES[kind])

    mtime = time.mktime(FIXED_LOCAL_TIME + (0, 0, -1))
    dos_date, dos_time = dos_stamp(FIXED_LOCAL_TIME)
    made_folders = set()
    for name, size, is_text in plan:
        path = os.path.join(files_root, name)
        folder = os.path.dirname(path)
        if folder not in made_folders:
            os.makedirs(folder, exist_ok=True)
            made_folders.add(folder)
        data = text_bytes(rng, pool, size) if is_text else random_bytes(rng, size)
        with open(path, "wb") as f:
            f.write(data)
        os.utime(path, (mtime, mtime))

    # kzppack sorts the names as byte strings; the manifest follows suit.
    with open(os.path.join(out, "manifest.txt"), "w", newline="\n") as f:
        for name, size, _ in sorted(plan, key=lambda item: item[0].encode()):
            f.write(f"{size} {dos_date} {dos_time} {ATTRIBUTE_ARCHIVE} {name}\n")
    with open(stamp_path, "w") as f:
        f.write(stamp_text(seed, kind))
    return True


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--seed", type=int, required=True)
    parser.add_argument("--kind", choices=["large", "small", "tiny", "open8k", "gib", "one"], required=True)
    parser.add_argument("--out", required=True)
    args = parser.parse_args()
    made = generate(args.seed, args.kind, args.out)
    print(f"gen_payload: {args.kind} seed {args.seed}: {'made' if made else 'reused'} {args.out}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
