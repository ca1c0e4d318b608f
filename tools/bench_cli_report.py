#!/usr/bin/env python3
"""Prints tools/bench_cli.sh's hyperfine medians as a table, the figures that the targets are stated in
beside their aims, and the peak memory; writes the data file that tools/bench_cli_chart.gp draws.
    bench_cli_report.py RESULTS MACHINE KERNELS LARGE_MIB SMALL_FILES SCALE_FILES (a list, maybe empty)"""
import json
import pathlib
import statistics
import sys

JOBS = ("hash-large", "check-large", "hash-small", "check-small")
PEERS = ("b2sum", "sha512sum", "b3sum", "b3sum --num-threads=1")


def rounds(results, job, cpu):
    """{command: [seconds of each round]} of the job's rounds: wall time, or user and system time."""
    times = {}
    for path in sorted(results.glob(f"{job}.*.json")):
        for r in json.loads(path.read_text())["results"]:
            seconds = r["user"] + r["system"] if cpu else r["times"][0]
            # A floor of a microsecond keeps the ratios of a quick run on tiny files finite.
            times.setdefault(r["command"], []).append(max(seconds, 1e-6))
    return times


class Job:
    def __init__(self, results, job, cpu=False):
        self.times = rounds(results, job, cpu)

    def __getitem__(self, command):  # the median time
        return statistics.median(self.times[command])

    def __contains__(self, command):
        return command in self.times

    def __iter__(self):
        return iter(self.times)

    def ratio(self, a, b):
        """The median of the rounds' ratios a / b: each pair was timed moments apart."""
        return statistics.median(x / y for x, y in zip(self.times[a], self.times[b]))


def main():
    results, machine, kernels, large_mib, small_files, scale_files = sys.argv[1:7]
    results = pathlib.Path(results)
    t = {job: Job(results, job) for job in JOBS}
    one = Job(results, "one-file")
    runs = len(t["hash-large"].times["morvsum --threads=1"])
    morvsums = [name for name in ("morvsum --threads=1", "morvsum --threads=2", "morvsum --all") if name in t["hash-large"]]
    every = "morvsum --all" if "morvsum --all" in morvsums else "morvsum --threads=2"
    small_mb = sum(f.stat().st_size for f in results.parent.glob("data-*/small/*")) / 1e6
    labels = {"hash-large": f"hash 8 files of {large_mib} MiB", "check-large": "check (`-c`) the same 8 files",
              "hash-small": f"hash {small_files} files of 0-128 KiB ({small_mb:.0f} MB)",
              "check-small": f"check (`-c`) the same {small_files} files"}

    print(f"{machine}; {kernels}\nwall time, medians of {runs} rounds, each command once a round in a new order "
          "(hyperfine, after a warm-up round: files in the page cache), seconds; a ratio of two commands of one job "
          "is the median of the rounds' ratios\n")
    columns = morvsums + list(PEERS)
    print("| job | " + " | ".join(f"`{c}`" for c in columns) + " |")
    print("|---|" + "---:|" * len(columns))
    for job in JOBS:
        print(f"| {labels[job]} | " + " | ".join(f"{t[job][c]:.3f}" for c in columns) + " |")
    print("\nCPU time (user and system), medians of the same rounds, seconds:\n")
    print("| job | " + " | ".join(f"`{c}`" for c in columns) + " |")
    print("|---|" + "---:|" * len(columns))
    for job in JOBS:
        cpu = Job(results, job, cpu=True)
        print(f"| {labels[job]} | " + " | ".join(f"{cpu[c]:.3f}" for c in columns) + " |")

    def row(what, figure, aim, met):
        print(f"| {what} | {figure:.2f} | {aim} | {'yes' if met else 'no'} |")

    print("\n| figure | measured | aim | met |\n|---|---:|---|---|")
    for size in ("large", "small"):
        r = t[f"check-{size}"]["morvsum --threads=1"] / t[f"hash-{size}"]["morvsum --threads=1"]  # two jobs: medians
        row(f"`-c` to hashing, one worker each, {size} files", r, "1.1 at most", r <= 1.1)
    for job in JOBS:
        r = t[job].ratio("morvsum --threads=2", "morvsum --threads=1")
        row(f"two workers to one, {labels[job]}", r, "0.6 at most", r <= 0.6)
    for job in ("hash-large", "check-large"):
        r = t[job].ratio(every, "b3sum")
        row(f"all workers to `b3sum` (all threads), {labels[job]}", r, "1.5 at most", r <= 1.5)
    for job in ("hash-small", "check-small"):
        best = min(("b3sum", "b3sum --num-threads=1"), key=lambda c: t[job][c])
        r = t[job].ratio(every, best)
        row(f"all workers to `b3sum`'s best (1 or all threads), {labels[job]}", r, "1.0 at most", r <= 1.0)
    for job, aim in (("hash-large", 4), ("check-large", 4), ("hash-small", 2), ("check-small", 2)):
        r = t[job].ratio("b2sum", every)
        row(f"`b2sum` to all workers, {labels[job]}", r, f"{aim} at least", r >= aim)
    for name in ("morvsum --all", "morvsum --threads=1") if "morvsum before" in one else ():
        r = one.ratio(name, "morvsum before")
        row(f"one file of {large_mib} MiB, `{name}` to the morvsum before (medians of {2 * runs})", r,
            "1.0 at most", r <= 1.0)
    print("\n`b3sum` with all threads to one thread: " + ", ".join(
        f"{labels[job]} {t[job].ratio('b3sum', 'b3sum --num-threads=1'):.2f}" for job in JOBS))
    print("one file alone: " + ", ".join(f"`{name}` {one[name]:.3f} s" for name in one))

    mixed = Job(results, "hash-mixed")
    print(f"\none file of {large_mib} MiB, then the {small_files} small files: " + ", ".join(
        f"`{name}` {mixed[name]:.3f} s" for name in mixed) +
        f"; two workers to one {mixed.ratio('morvsum --threads=2', 'morvsum --threads=1'):.2f}")

    counts = [int(n) for n in scale_files.split()]
    if counts:
        scale = ("morvsum --threads=1", "morvsum --all", "b3sum")
        print(f"\nthe cost as the work grows, files of {large_mib} MiB, wall time (medians, seconds) and all "
              "workers to one (the median of the rounds' ratios):\n")
        print("| files | " + " | ".join(f"{mode} `{c}`" for mode in ("hash", "check") for c in scale) +
              " | hash, all to 1 | check, all to 1 |")
        print("|---:|" + "---:|" * (2 * len(scale) + 2))
        rows = []
        for n in counts:
            hashed, checked = Job(results, f"scale-hash-{n}"), Job(results, f"scale-check-{n}")
            rows.append((n, hashed, checked))
            print(f"| {n} | " + " | ".join(f"{job[c]:.3f}" for job in (hashed, checked) for c in scale) + " | " +
                  " | ".join(f"{job.ratio('morvsum --all', 'morvsum --threads=1'):.2f}" for job in (hashed, checked))
                  + " |")
        (results / "scale.dat").write_text("files " + " ".join(f'"{mode} {c}"' for mode in ("hash", "check")
                                                                for c in scale) + "\n" + "".join(
            f"{n} " + " ".join(f"{job[c]:.4f}" for job in (hashed, checked) for c in scale) + "\n"
            for n, hashed, checked in rows))

    print("\npeak memory of morvsum, all workers (maximum resident set):")
    for line in (results / "rss").read_text().split("\n"):
        if line:
            mode, size, kib = line.split()
            print(f"  {mode} {labels[f'hash-{size}'].split(' ', 1)[1]}: {int(kib) / 1024:.1f} MiB")

    chart = [("morvsum --threads=1", "morvsum, 1 worker"), (every, "morvsum, all workers"), ("b2sum", "b2sum"),
             ("sha512sum", "sha512sum"), ("b3sum", "b3sum, all threads"), ("b3sum --num-threads=1", "b3sum, 1 thread")]
    short = {"hash-large": f"hash 8 x {large_mib} MiB", "check-large": f"check 8 x {large_mib} MiB",
             "hash-small": f"hash {small_files} small", "check-small": f"check {small_files} small"}
    (results / "chart.dat").write_text("job " + " ".join(f'"{label}"' for _, label in chart) + "\n" + "".join(
        f'"{short[job]}" ' + " ".join(f"{t[job][c]:.4f}" for c, _ in chart) + "\n" for job in JOBS))


if __name__ == "__main__":
    main()
