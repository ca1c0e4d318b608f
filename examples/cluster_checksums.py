"""Checksums of a folder tree hashed on a Dask cluster, in one file that `morvsum -c` checks.

    python3 examples/cluster_checksums.py FOLDER [--workers N | --scheduler ADDRESS] [-l BITS] > SUMS
    morvsum -c SUMS

The files under FOLDER go out in partitions, each hashed by a worker with morv.hash_files (eight
files at a time on its lanes), and the digests come back to be written in morvsum's line format,
in the order of the names, as `morvsum` given every file of the tree would write them. --workers
starts a cluster of that many worker processes on this machine; --scheduler joins a running one,
whose workers must import morv and see the tree at the same absolute path. A file that cannot be
hashed, or anything that is neither a folder nor a regular file, is named on standard error, left
out of the checksums, and makes the status 1. The time of the job, the cluster's start excluded,
goes to standard error.
"""
import argparse
import contextlib
import os
import stat
import sys
import time

import morv
from dask.distributed import Client, LocalCluster

LANES = 8  # files hashed side by side by one hash_files call
MAX_FILES_PER_TASK = 4096


def walk(folder):
    """The tree under folder (bytes): {name: size} of its regular files, and [(name, why)] for the rest but
    folders, and for folders that could not be read."""
    files, others = {}, []
    for top, folders, names in os.walk(folder, onerror=lambda e: others.append((e.filename, e.strerror))):
        # A link to a folder is listed with the folders but not followed: it is named, as a file would be.
        for name in names + [f for f in folders if os.path.islink(os.path.join(top, f))]:
            path = os.path.join(top, name)
            try:
                info = os.stat(path)
            except OSError as e:
                others.append((path, e.strerror))
                continue
            if stat.S_ISREG(info.st_mode):
                files[path] = info.st_size
            else:
                others.append((path, "not a regular file"))
    return files, others


def partitions(files, task_bytes):
    """The names in partitions of similar sizes, largest first: each at least LANES files (so that one call
    fills the lanes) unless the files run out, and closed once it holds task_bytes or MAX_FILES_PER_TASK."""
    parts, part, size = [], [], 0
    for name in sorted(files, key=files.get, reverse=True):
        part.append(name)
        size += files[name]
        if len(part) >= LANES and (size >= task_bytes or len(part) >= MAX_FILES_PER_TASK):
            parts.append(part)
            part, size = [], 0
    return parts + [part] if part else parts


def hash_partition(paths, digest_bits):
    """On a worker: (hex digest, None) or (None, the error's text) for each path."""
    try:
        return [(d.hex(), None) for d in morv.hash_files(paths, digest_bits)]
    except OSError:  # hash_files raises for the first failure: one at a time, to tell which fail and why
        outcomes = []
        for path in paths:
            try:
                outcomes.append((morv.hash_files([path], digest_bits)[0].hex(), None))
            except OSError as e:
                outcomes.append((None, e.strerror))
        return outcomes


def escaped(name):
    """The name with a backslash or a line end escaped, as morvsum writes it, so that it stays one line."""
    return name.replace(b"\\", b"\\\\").replace(b"\n", b"\\n").replace(b"\r", b"\\r")


def checksum_line(hex_digest, name):
    """morvsum's line, marked with a backslash when the name is escaped."""
    mark = b"\\" if escaped(name) != name else b""
    return mark + f"{hex_digest}  ".encode() + escaped(name) + b"\n"


def checksums(client, folder, digest_bits, task_bytes, out):
    """Writes the lines of the tree's files to out, in the order of their names; the partitions' count, and
    the names that have no line, with why."""
    files, failed = walk(os.fsencode(folder))
    parts = partitions(files, task_bytes)
    # Absolute paths, which a worker on another machine opens where the tree is mounted at the same place.
    tasks = client.map(hash_partition, [[os.path.abspath(n) for n in part] for part in parts],
                       digest_bits=digest_bits, pure=False)
    outcomes = {}
    for part, digests in zip(parts, client.gather(tasks)):
        outcomes.update(zip(part, digests))
    for name in sorted(files):
        hex_digest, error = outcomes[name]
        if error is None:
            out.write(checksum_line(hex_digest, name))
        else:
            failed.append((name, error))
    return len(parts), sorted(failed)


def local_or(scheduler, workers):
    """What Client connects to: the scheduler's address, or a cluster of worker processes on this machine."""
    if scheduler:
        return contextlib.nullcontext(scheduler)
    return LocalCluster(n_workers=workers, threads_per_worker=1, processes=True, dashboard_address=None)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("folder")
    where = parser.add_mutually_exclusive_group()
    where.add_argument("--workers", type=int, default=2, help="worker processes on this machine (default 2)")
    where.add_argument("--scheduler", help="the address of a running cluster's scheduler, such as tcp://host:8786")
    parser.add_argument("-l", "--length", type=int, default=512, help="the digest length in bits, as morvsum's -l")
    parser.add_argument("--task-mib", type=int, default=64, help="the size of a partition (default 64 MiB)")
    args = parser.parse_args()
    if not os.path.isdir(args.folder):
        parser.error(f"{args.folder}: not a folder")
    if args.workers < 1 or args.task_mib < 1:
        parser.error("--workers and --task-mib take 1 or more")
    try:
        morv.new(args.length)
    except ValueError as e:
        parser.error(f"-l: {e}")

    with local_or(args.scheduler, args.workers) as cluster, Client(cluster) as client:
        workers = len(client.scheduler_info()["workers"])
        start = time.perf_counter()
        try:
            parts, failed = checksums(client, args.folder, args.length, args.task_mib << 20, sys.stdout.buffer)
            sys.stdout.flush()
        except OSError as e:
            sys.exit(f"cluster_checksums: standard output: {e.strerror}")
        seconds = time.perf_counter() - start
    for name, error in failed:
        print(f"cluster_checksums: {escaped(name).decode(errors='backslashreplace')}: {error}", file=sys.stderr)
    print(f"{parts} partitions on {workers} workers: {seconds:.2f} s", file=sys.stderr)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
