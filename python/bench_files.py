"""morv.hash_files beside hashlib.file_digest called per file, in one run, rounds interleaved.

    .venv/bin/python python/bench_files.py [--files 8] [--mib 64] [--rounds 11] [--dir /tmp]

Writes the files once (random bytes, fixed seed) into a new folder under --dir, reads each once so
that the page cache holds them, then in each round times morv.hash_files(paths) and
[hashlib.file_digest(open(p, "rb"), morv.morv512).digest() for p in paths], in an order that changes
from round to round, and checks that both give the same digests. Both run on the calling thread:
hash_files reads eight files at a time into the lanes, file_digest one file at a time through
update. Prints medians of the wall and CPU times (CPU: the process's user and system time, so
that other work on a shared machine counts less) and the median of each round's ratio, whose two
figures were taken moments apart.
"""
import argparse
import hashlib
import os
import random
import resource
import statistics
import tempfile
import time

import morv


def write_files(folder, count, size):
    rng = random.Random(1)
    paths = [os.path.join(folder, f"{i}.bin") for i in range(count)]
    for path in paths:
        with open(path, "wb") as f:
            for _ in range(size >> 20):
                f.write(rng.randbytes(1 << 20))
    return paths


def cpu_seconds():
    usage = resource.getrusage(resource.RUSAGE_SELF)
    return usage.ru_utime + usage.ru_stime


def timed(call):
    """(wall seconds, CPU seconds, result) of one call."""
    wall, cpu = time.perf_counter(), cpu_seconds()
    result = call()
    return time.perf_counter() - wall, cpu_seconds() - cpu, result


def per_file(paths):
    digests = []
    for path in paths:
        with open(path, "rb") as f:
            digests.append(hashlib.file_digest(f, morv.morv512).digest())
    return digests


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--files", type=int, default=8)
    parser.add_argument("--mib", type=int, default=64, help="the size of each file")
    parser.add_argument("--rounds", type=int, default=11)
    parser.add_argument("--dir", default=None, help="where the files go (default: the temporary folder)")
    args = parser.parse_args()

    with tempfile.TemporaryDirectory(dir=args.dir) as folder:
        paths = write_files(folder, args.files, args.mib << 20)
        expected = per_file(paths)  # also brings the files into the page cache
        runs = {"hash_files": lambda: morv.hash_files(paths), "file_digest": lambda: per_file(paths)}
        wall, cpu = {name: [] for name in runs}, {name: [] for name in runs}
        order = random.Random(1)
        for _ in range(args.rounds):
            for name in order.sample(sorted(runs), 2):
                seconds, cpu_time, digests = timed(runs[name])
                if digests != expected:
                    raise SystemExit(f"{name} gave other digests than file_digest")
                wall[name].append(seconds)
                cpu[name].append(cpu_time)

    total = args.files * args.mib << 20
    print(f"{args.files} files of {args.mib} MiB, medians of {args.rounds} rounds, "
          f"load average {os.getloadavg()[0]:.1f} at the end")
    print(f"{'call':<34} {'wall ms':>8} {'CPU ms':>8} {'MB/s (wall)':>12}")
    for name, label in (("hash_files", "morv.hash_files(paths)"),
                        ("file_digest", "hashlib.file_digest per file")):
        print(f"{label:<34} {statistics.median(wall[name]) * 1e3:>8.0f} {statistics.median(cpu[name]) * 1e3:>8.0f} "
              f"{total / statistics.median(wall[name]) / 1e6:>12.0f}")
    for kind, times in (("wall", wall), ("CPU", cpu)):
        ratio = statistics.median(p / h for h, p in zip(times["hash_files"], times["file_digest"]))
        print(f"hash_files is {ratio:.2f}x file_digest per file ({kind} time, median of the rounds' ratios)")


if __name__ == "__main__":
    main()
