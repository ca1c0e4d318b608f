"""The module's speed beside its peers, measured in one run, rounds interleaved.

    .venv/bin/python python/bench_morv.py --core build-bench-g++/bench/morv_bench [--rounds 11]

Throughput at 1 MiB and 16 MiB, one call each, beside the C++ core: morv_bench's Morv512 and
Morv1024 rows (HashMessage, the library as its users link it) on the same bytes. Time of
morv.morv512(b).digest() for a 64-byte b beside hashlib.sha512(b).digest(). Medians over the rounds.
"""
import argparse
import hashlib
import json
import statistics
import subprocess
import time
import timeit

import morv

SIZES = {1 << 20: "1 MiB", 16 << 20: "16 MiB"}
WIDTHS = (512, 1024)


def bench_bytes(size):
    """The bytes morv_bench hashes: byte i is i * 131 + 7, which repeats every 256 bytes."""
    block = bytes((i * 131 + 7) & 255 for i in range(256))
    return (block * (size // 256 + 1))[:size]


def module_rate(digest_bits, data, seconds):
    """MB/s of morv.new(digest_bits, data).digest() over at least the given time."""
    calls, start = 0, time.perf_counter()
    while (elapsed := time.perf_counter() - start) < seconds or calls == 0:
        morv.new(digest_bits, data).digest()
        calls += 1
    return calls * len(data) / elapsed / 1e6


def core_rates(core, seconds):
    """MB/s of morv_bench's rows, keyed by (digest_bits, size)."""
    pattern = f"^Morv({'|'.join(map(str, WIDTHS))})/({'|'.join(map(str, SIZES))})$"
    out = subprocess.run([core, f"--benchmark_filter={pattern}", f"--benchmark_min_time={seconds}",
                          "--benchmark_format=json"], capture_output=True, text=True, check=True).stdout
    return {tuple(map(int, row["name"][len("Morv"):].split("/"))): row["bytes_per_second"] / 1e6
            for row in json.loads(out)["benchmarks"]}


def nanoseconds(call, number=20000):
    return timeit.timeit(call, number=number) / number * 1e9


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--core", help="morv_bench, built by tools/bench.sh (without it: the module's figures only)")
    parser.add_argument("--rounds", type=int, default=11)
    parser.add_argument("--seconds", type=float, default=0.2, help="time per figure and round")
    args = parser.parse_args()

    data = {size: bench_bytes(size) for size in SIZES}
    short = bench_bytes(64)
    module, core, latency = {}, {}, {"morv": [], "sha512": []}
    for _ in range(args.rounds):
        if args.core:
            for key, rate in core_rates(args.core, args.seconds).items():
                core.setdefault(key, []).append(rate)
        for bits in WIDTHS:
            for size in SIZES:
                module.setdefault((bits, size), []).append(module_rate(bits, data[size], args.seconds))
        latency["morv"].append(nanoseconds(lambda: morv.morv512(short).digest()))
        latency["sha512"].append(nanoseconds(lambda: hashlib.sha512(short).digest()))

    print(f"medians of {args.rounds} rounds, MB/s (10^6 bytes per second)")
    print(f"{'digest':>8} {'size':>7} {'module':>8} {'core':>8} {'module/core':>12}")
    for (bits, size), rates in module.items():
        mine = statistics.median(rates)
        theirs = statistics.median(core[bits, size]) if core else float("nan")
        print(f"{bits:>8} {SIZES[size]:>7} {mine:>8.0f} {theirs:>8.0f} {mine / theirs:>12.3f}")
    morv_ns, sha_ns = (statistics.median(latency[name]) for name in ("morv", "sha512"))
    print(f"64-byte input: morv.morv512(b).digest() {morv_ns:.0f} ns, hashlib.sha512(b).digest() {sha_ns:.0f} ns, "
          f"ratio {morv_ns / sha_ns:.2f}")


if __name__ == "__main__":
    main()
