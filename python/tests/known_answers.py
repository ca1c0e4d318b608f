"""The repository's known answers (tests/data/hash_vectors.txt) at the digest lengths the module takes.

Run as a script, it checks the morv that it imports against every one, with nothing but the standard
library, as where the wheel is installed into a plain virtual environment:

    .venv/bin/python python/tests/known_answers.py
"""
import sys
from pathlib import Path

VECTORS = Path(__file__).resolve().parents[2] / "tests/data/hash_vectors.txt"


def known_answers(vectors=VECTORS, every_length=False):
    """(digest_bits, message, message_bits, hex digest) for each vector whose digest length new() takes, or
    for every vector (the C interface takes any length)."""
    for streamed, text in enumerate(Path(vectors).read_text().split("# Streamed")):
        for f in (line.split() for line in text.splitlines() if line[:1].isdigit()):
            message = bytes.fromhex(f[1]) * int(f[2]) if streamed else bytes.fromhex(f[2].strip("-"))
            if every_length or int(f[0]) % 8 == 0 and int(f[0]) >= 8:
                yield int(f[0]), message, 8 * len(message) if streamed else int(f[1]), f[3].strip("-").lower()


def main():
    import morv

    failed = 0
    answers = list(known_answers())
    for digest_bits, message, bits, digest in answers:
        hasher = morv.new(digest_bits)
        hasher.update_bits(message, bits)
        if hasher.hexdigest() != digest:
            failed += 1
            print(f"FAIL: morv-{digest_bits} of {bits} bits: {hasher.hexdigest()}, expected {digest}")
    print(f"morv {morv.__version__} from {morv.__file__}")
    print(f"{len(answers) - failed} passed, {failed} failed")
    return 1 if failed or not answers else 0


if __name__ == "__main__":
    sys.exit(main())
