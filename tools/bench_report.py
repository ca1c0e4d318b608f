#!/usr/bin/env python3
"""Prints the benchmark's medians as a table with the ratio to SHA-512, and writes
the data file that tools/bench_chart.gp draws (beside the JSON file)."""
import json
import pathlib
import sys


def medians(path):
    runs = json.loads(pathlib.Path(path).read_text())
    out = {}
    for b in runs["benchmarks"]:
        if b.get("aggregate_name") == "median":
            name, arg = b["run_name"].split("/")[:2]
            out[(name, int(arg))] = b["bytes_per_second"] / 1e6
    return runs["context"], out


def main():
    context, mbs = medians(sys.argv[1])
    compiler = sys.argv[2] if len(sys.argv) > 2 else "?"
    print(f"{context['date']}, {context['num_cpus']} CPUs at {context['mhz_per_cpu']} MHz, {compiler}; "
          "medians in MB/s (1 MB = 10^6 bytes)\n")
    sizes = sorted({size for (name, size) in mbs if name == "Morv512"})
    print("| message | morv 512 | morv 1024 | SHA-512 | BLAKE2b-512 | morv 512 / SHA-512 | morv 1024 / SHA-512 |")
    print("|---:|---:|---:|---:|---:|---:|---:|")
    rows = []
    for size in sizes:
        m512, m1024 = mbs[("Morv512", size)], mbs[("Morv1024", size)]
        sha, blake = mbs[("Sha512", size)], mbs[("Blake2b512", size)]
        rows.append((size, m512, m1024, sha, blake))
        label = f"{size >> 20} MiB" if size >= 1 << 20 else f"{size >> 10} KiB" if size >= 1 << 10 else f"{size} B"
        print(f"| {label} | {m512:.0f} | {m1024:.0f} | {sha:.0f} | {blake:.0f} | {m512 / sha:.2f} | {m1024 / sha:.2f} |")
    largest = sizes[-1]
    stream = mbs[("Morv512Stream64", largest)]
    print(f"\n64-byte Update stream (16 MiB): {stream:.0f} MB/s, "
          f"{stream / mbs[('Morv512', largest)]:.2f} of one 16 MiB HashMessage, "
          f"{stream / mbs[('Sha512', largest)]:.2f} of SHA-512")
    for digest in (224, 512):
        step = mbs.get(("MonteCarloStep", digest))
        if step:
            print(f"Monte Carlo step (1024-bit message, digest {digest}): {128 / step * 1e3:.0f} ns")
    for layer, core, what in (("Layer512", "Morv512", "hash512"), ("LayerStream64", "Morv512Stream64", "Hasher<512>")):
        for (name, size), value in sorted(mbs.items()):
            if name == layer:
                print(f"C++ layer {what}, {size} B: {value:.0f} MB/s, {value / mbs[(core, size)]:.2f} of the core")
    data = pathlib.Path(sys.argv[1]).with_name("throughput.dat")
    data.write_text("".join(f"{s} {a:.1f} {b:.1f} {c:.1f} {d:.1f}\n" for s, a, b, c, d in rows))


if __name__ == "__main__":
    main()
