#!/usr/bin/env python3
"""Writes the default KAT inputs in data/: the same bytes on every run (fixed seed)."""
import pathlib
import random

SEED = 20261206
HEADER = "# {name}\n# Algorithm Name: MORV\n# Principal Submitter: The morv developers\n\n"


def message_hex(rng, bits):
    """Random bytes for a message of `bits` bits; the unused low bits of the last byte are zero."""
    n = (bits + 7) // 8
    if n == 0:
        return "00"
    data = bytearray(rng.getrandbits(8) for _ in range(n))
    if bits % 8:
        data[-1] &= (0xFF00 >> (bits % 8)) & 0xFF
    return data.hex().upper()


def records(rng, lengths):
    return "".join(f"Len = {bits}\nMsg = {message_hex(rng, bits)}\n\n" for bits in lengths)


def main():
    rng = random.Random(SEED)
    out = pathlib.Path(__file__).resolve().parent.parent / "data"
    out.mkdir(exist_ok=True)

    short = range(0, 2049)
    # About 64 long messages from 2056 to 34304 bits: whole bytes mostly, some not.
    long_lengths = sorted({2056, 34304} | {rng.randrange(2056, 34305) for _ in range(62)})
    long_lengths = [b if i % 4 else b - b % 8 for i, b in enumerate(long_lengths)]
    text = "".join(rng.choice("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789")
                   for _ in range(64))
    seed = "%0256X" % rng.getrandbits(1024)

    files = {
        "ShortMsgKAT.txt": records(rng, short),
        "LongMsgKAT.txt": records(rng, long_lengths),
        "ExtremelyLongMsgKAT.txt": f"Repeat = 16777216\nText = {text}\n",
        "MonteCarlo.txt": f"Seed = {seed}\n",
    }
    for name, body in files.items():
        (out / name).write_text(HEADER.format(name=name) + body, newline="\n")


if __name__ == "__main__":
    main()
