"""The module's speed beside its peers, measured in one run, rounds interleaved.

    .venv/bin/python python/bench_morv.py --core build-bench-g++/bench/morv_bench [--rounds 11]

Throughput at 1 MiB and 16 MiB, one call each, beside the C++ core: morv_bench's Morv512 and
Morv1024 rows (HashMessage, the library as its users link it) on the same bytes. Time of
morv.morv512(b).digest() for a 64-byte b beside hashlib.sha512(b).digest(), and of
morv.hash_many(messages) for 10,000 messages of 64 bytes beside a loop of morv512(m).digest(). Medians over the rounds;
a ratio is the median of each round's ratio, whose two figures were taken moments apart. Times are
CPU times, as morv_bench's are, so that other work on the machine does not count.
"""
import argparse
import hashlib
import json
import random
import statistics
import subprocess
import time
import timeit

import morv

SIZES = {1 << 20: "1 MiB", 16 << 20: "16 MiB"}
WIDTHS = (512, 1024)
MANY = 10_000


def bench_bytes(size):
    """The bytes morv_bench hashes: byte i is i * 131 + 7, which repeats every 256 bytes."""
    block = bytes((i * 131 + 7) & 255 for i in range(256))
    return (block * (size // 256 + 1))[:size]


def module_rate(digest_bits, data, seconds):
    """MB/s of morv.new(digest_bits, data).digest() over at least the given time."""
    calls, start = 0, time.process_time()
    while (elapsed := time.process_time() - start) < seconds or calls == 0:
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
    return timeit.Timer(call, timer=time.process_time).timeit(number) / number * 1e9


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--core", help="morv_bench, built by tools/bench.sh (without it: the module's figures only)")
    parser.add_argument("--rounds", type=int, default=11)
    parser.add_argument("--seconds", type=float, default=0.2, help="time per figure and round")
    args = parser.parse_args()

    data = {size: bench_bytes(size) for size in SIZES}
    short = bench_bytes(64)
    many = [bench_bytes(64 + i)[i:] for i in range(MANY)]  # 64 bytes each, all different
    module, core, latency = {}, {}, {"morv": [], "sha512": [], "hash_many": [], "loop": []}
    def run_core():
        for key, rate in core_rates(args.core, args.seconds).items():
            core.setdefault(key, []).append(rate)

    def run_module():
        for bits in WIDTHS:
            for size in SIZES:
                module.setdefault((bits, size), []).append(module_rate(bits, data[size], args.seconds))

    order = random.Random(1)
    for _ in range(args.rounds):
        # Which goes first changes from round to round, so that neither always follows the other.
        for run in order.sample([run_core, run_module], 2) if args.core else [run_module]:
            run()
        latency["morv"].append(nanoseconds(lambda: morv.morv512(short).digest()))
        latency["sha512"].append(nanoseconds(lambda: hashlib.sha512(short).digest()))
        latency["hash_many"].append(nanoseconds(lambda: morv.hash_many(many), number=20) / MANY)
        latency["loop"].append(nanoseconds(lambda: [morv.morv512(m).digest() for m in many], number=20) / MANY)

    print(f"medians of {args.rounds} rounds, MB/s (10^6 bytes per second)")
    print(f"{'digest':>8} {'size':>7} {'module':>8} {'core':>8} {'module/core':>12}")
    nan = [float("nan")] * args.rounds
    for key, rates in module.items():
        theirs = core.get(key, nan)
        ratio = statistics.median(m / c for m, c in zip(rates, theirs))
        print(f"{key[0]:>8} {SIZES[key[1]]:>7} {statistics.median(rates):>8.0f} {statistics.median(theirs):>8.0f} "
              f"{ratio:>12.3f}")
    ratio = statistics.median(m / s for m, s in zip(latency["morv"], latency["sha512"]))
    print(f"64-byte input: morv.morv512(b).digest() {statistics.median(latency['morv']):.0f} ns, "
          f"hashlib.sha512(b).digest() {statistics.median(latency['sha512']):.0f} ns, ratio {ratio:.2f}")
    ratio = statistics.median(loop / lanes for lanes, loop in zip(latency["hash_many"], latency["loop"]))
    print(f"{MANY:,} messages of 64 bytes: morv.hash_many {statistics.median(latency['hash_many']):.0f} ns a message, "
          f"morv512(m).digest() in a loop {statistics.median(latency['loop']):.0f} ns, {ratio:.2f}x")


if __name__ == "__main__":
    main()
