#!/usr/bin/env python3
"""Prints the benchmark's medians as a table, a row per kernel and per peer, with the ratios
that the performance aims are stated in, and writes the data file that tools/bench_chart.gp
draws (beside the JSON file)."""
import json
import pathlib
import sys

TABLE_SIZES = (16, 64, 1 << 10, 64 << 10, 16 << 20)
PEERS = (("Sha512", "OpenSSL SHA-512"), ("Blake2b512", "OpenSSL BLAKE2b-512"))


def medians(path):
    runs = json.loads(pathlib.Path(path).read_text())
    out = {}
    for b in runs["benchmarks"]:
        if b.get("aggregate_name") == "median":
            name, arg = b["run_name"].split("/")[:2]
            out[(name, int(arg))] = b["bytes_per_second"] / 1e6
    return runs["context"], out


def size_label(size):
    return f"{size >> 20} MiB" if size >= 1 << 20 else f"{size >> 10} KiB" if size >= 1 << 10 else f"{size} B"


def rows(mbs, chosen):
    """(benchmark name, label): the kernels forced one by one, the library as users run it
    (its chosen kernels), then the peers."""
    names = sorted({name for name, _ in mbs})
    out = []
    for width in (512, 1024):
        for name in names:
            if name.startswith(f"Morv{width}:"):
                out.append((name, f"morv {width}, {name.split(':', 1)[1]} kernel"))
        out.append((f"Morv{width}", f"morv {width} as chosen ({chosen.get(width, '?')})"))
    return out + list(PEERS)


def main():
    context, mbs = medians(sys.argv[1])
    compiler = sys.argv[2] if len(sys.argv) > 2 else "?"
    chosen = dict(zip((512, 1024), (k.split(" ")[0] for k in context.get("morv kernels", "? ?").split(", "))))
    print(f"{context['date']}, {context['num_cpus']} CPUs at {context['mhz_per_cpu']} MHz, {compiler}; "
          "medians in MB/s (1 MB = 10^6 bytes)\n")
    table = rows(mbs, chosen)
    print("| implementation | " + " | ".join(size_label(s) for s in TABLE_SIZES) + " |")
    print("|---|" + "---:|" * len(TABLE_SIZES))
    for name, label in table:
        print(f"| {label} | " + " | ".join(f"{mbs[(name, s)]:.0f}" for s in TABLE_SIZES) + " |")

    def ratio(a, b, size):
        return mbs[(a, size)] / mbs[(b, size)]

    print("\nRatios in this run:")
    fastest = max((name for name, _ in table if name.startswith("Morv1024:")),
                  key=lambda name: mbs[(name, 16 << 20)])
    for size in (64 << 10, 16 << 20):
        print(f"  {size_label(size)}: {fastest} / Morv512 {ratio(fastest, 'Morv512', size):.2f}, "
              f"/ Morv1024:portable {ratio(fastest, 'Morv1024:portable', size):.2f}, "
              f"/ SHA-512 {ratio(fastest, 'Sha512', size):.2f}; "
              f"Morv512 / SHA-512 {ratio('Morv512', 'Sha512', size):.2f}")
    for width in (512, 1024):
        sizes = sorted(s for name, s in mbs if name == f"Morv{width}")
        if width == 1024:
            sizes = [s for s in sizes if s <= 1 << 10]
        worst = min(ratio(f"Morv{width}", f"Morv{width}:portable", s) for s in sizes)
        print(f"  Morv{width} as chosen / its portable kernel, {size_label(sizes[0])} to "
              f"{size_label(sizes[-1])}: {worst:.2f} at worst")

    largest = 16 << 20
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

    # The chart draws the kernels and the peers; the chosen kernels are among them.
    drawn = [(name, label) for name, label in table if " as chosen " not in label]
    data = pathlib.Path(sys.argv[1]).with_name("throughput.dat")
    sizes = sorted({s for name, s in mbs if name == "Morv512"})
    header = "size " + " ".join(f'"{label}"' for _, label in drawn)
    data.write_text(header + "\n" + "".join(
        f"{s} " + " ".join(f"{mbs[(name, s)]:.1f}" for name, _ in drawn) + "\n" for s in sizes))


if __name__ == "__main__":
    main()
