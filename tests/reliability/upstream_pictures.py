#!/usr/bin/python3
"""Runs every picture of a seed folder (scripts/fetch-test-pictures) through
kuvo-batch, each in its own run under a memory limit and a timeout.

Usage: upstream_pictures.py KUVO_BATCH SEED_FOLDER

Every picture becomes a 640 x 480 JPEG, a size any source can be fitted to.
Fails when a run crashes or hangs, or when a picture that Pillow decodes
completely was not saved. Pictures Pillow cannot read whole (damaged on
purpose, or a format it lacks) only have to be survived.
"""
import concurrent.futures
import os
import resource
import subprocess
import sys
import tempfile

from PIL import Image, ImageFile

MEMORY_LIMIT = 4 << 30  # address space of one run: a picture at the area guard fits
TIMEOUT = 120           # seconds for one picture; a normal one takes well under one
EXTENSIONS = (".jpg", ".jpeg", ".jpe", ".png", ".gif", ".tif", ".tiff", ".bmp", ".webp", ".heic", ".heif", ".avif")

ImageFile.LOAD_TRUNCATED_IMAGES = False


def pillow_reads_whole(path):
    # verify() checks what load() lets pass, such as PNG checksums.
    try:
        with Image.open(path) as im:
            im.verify()
        with Image.open(path) as im:
            im.load()
        return True
    except Exception:  # any refusal, bomb guard included, means "not whole"
        return False


def limit_memory():
    resource.setrlimit(resource.RLIMIT_AS, (MEMORY_LIMIT, MEMORY_LIMIT))


def run_one(kuvo_batch, path, work):
    out = tempfile.mkdtemp(dir=work)
    try:
        run = subprocess.run([kuvo_batch, "--quiet", "-j", "1", "-o", out, "--size", "custom", "--width", "640",
                              "--height", "480", path],
                             stdin=subprocess.DEVNULL, capture_output=True, timeout=TIMEOUT,
                             preexec_fn=limit_memory)
    except subprocess.TimeoutExpired:
        return f"hang (more than {TIMEOUT} s)"
    if run.returncode < 0:
        return f"crash (signal {-run.returncode}): {run.stderr.decode(errors='replace')[-400:]}"
    if run.returncode not in (0, 1):
        return f"exit code {run.returncode}: {run.stderr.decode(errors='replace')[-400:]}"
    saved = os.listdir(out)
    if not saved and pillow_reads_whole(path):
        return "not saved, though Pillow reads it whole: " + run.stderr.decode(errors="replace").strip()[-400:]
    return None


def main():
    kuvo_batch, seeds = sys.argv[1], sys.argv[2]
    pictures = sorted(os.path.join(root, name) for root, _, names in os.walk(seeds)
                      for name in names if name.lower().endswith(EXTENSIONS))
    if not pictures:
        sys.exit(f"no pictures in {seeds}")
    with tempfile.TemporaryDirectory() as work, \
            concurrent.futures.ThreadPoolExecutor(max_workers=min(2, os.cpu_count() or 1)) as pool:
        results = list(pool.map(lambda p: (p, run_one(kuvo_batch, p, work)), pictures))
    failures = [(p, why) for p, why in results if why]
    for path, why in failures:
        print(f"{os.path.relpath(path, seeds)}: {why}")
    print(f"{len(pictures)} pictures, {len(failures)} failures")
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
