"""The module through the repo's known answers, and the hashlib behaviours it promises."""
import array
import hashlib
import re
from concurrent.futures import ThreadPoolExecutor
from pathlib import Path

import pytest

import morv


def known_answers():  # (digest_bits, message, message_bits, hex digest) at the digest lengths the module takes
    lines = (Path(__file__).resolve().parents[2] / "tests/data/hash_vectors.txt").read_text().split("# Streamed")
    for streamed, text in enumerate(lines):
        for f in (line.split() for line in text.splitlines() if line[:1].isdigit()):
            message = bytes.fromhex(f[1]) * int(f[2]) if streamed else bytes.fromhex(f[2].strip("-"))
            if int(f[0]) % 8 == 0 and int(f[0]) >= 8:
                yield int(f[0]), message, 8 * len(message) if streamed else int(f[1]), f[3].lower()


def hexdigest(digest_bits, message, bits, step):
    hasher = morv.new(digest_bits)
    for start in range(0, bits // 8, step):
        hasher.update(message[start:min(start + step, bits // 8)])
    hasher.update_bits(message[bits // 8:], bits % 8)
    return hasher.hexdigest()


@pytest.mark.parametrize("digest_bits,message,bits,digest", known_answers())
def test_known_answers_one_call_one_update_byte_by_byte(digest_bits, message, bits, digest):
    one_call = morv.new(digest_bits)
    one_call.update_bits(message, bits)
    shorthand = getattr(morv, f"morv{digest_bits}", lambda data: morv.new(digest_bits, data))
    assert one_call.hexdigest() == digest and (bits % 8 or shorthand(message).hexdigest() == digest)
    one_update, byte_by_byte = (hexdigest(digest_bits, message, bits, step) for step in (max(bits // 8, 1), 1))
    assert one_update == byte_by_byte == digest


@pytest.mark.parametrize("digest_bits,size,block", [(8, 1, 64), (512, 64, 64), (520, 65, 128), (65536, 8192, 128)])
def test_attributes(digest_bits, size, block):
    hasher = morv.new(digest_bits)
    assert (hasher.name, hasher.digest_size, hasher.block_size, len(hasher.digest())) == (
        f"morv-{digest_bits}", size, block, size)


def test_object_keeps_its_message_and_copies_are_independent():
    hasher = morv.morv256(b"ab")
    copy, first = hasher.copy(), hasher.digest()
    copy.update(b"c")
    assert hasher.digest() == first
    hasher.update(bytearray(b"c"))
    assert hasher.digest() == copy.digest() == morv.morv256(memoryview(b"abc")).digest()
    assert morv.morv256(array.array("I", [7, 9])).digest() == morv.morv256(array.array("I", [7, 9]).tobytes()).digest()


@pytest.mark.parametrize("data", ["abc", 5, None, memoryview(b"abcdef")[::2]])
def test_refuses_what_hashlib_refuses_as_hashlib_does(data):
    with pytest.raises(Exception) as expected:
        hashlib.sha512().update(data)
    for call in (morv.morv512, morv.new(512).update, lambda d: morv.new().update_bits(d, 0)):
        with pytest.raises(expected.type, match=f"^{re.escape(str(expected.value))}$"):
            call(data)


def test_value_errors_and_partial_byte_ends_the_message():
    ended = morv.new()
    ended.update_bits(b"\xff", 3)
    copy = ended.copy()
    for call in [lambda b=b: morv.new(b) for b in (0, -8, 7, 65544, 2**70)] + [
            lambda: morv.new().update_bits(b"ab", -1), lambda: morv.new().update_bits(b"ab", 17),
            lambda: copy.update(b""), lambda: ended.update_bits(b"", 0)]:
        with pytest.raises(ValueError):
            call()
    assert copy.digest() == ended.digest()


def test_threads_match_sequential_runs():
    chunks = [bytes([i]) * 100_000 for i in range(8)]
    with ThreadPoolExecutor(4) as pool:
        assert list(pool.map(lambda c: morv.morv512(c).digest(), chunks)) == [morv.morv512(c).digest() for c in chunks]
        # One object fed one byte value in pieces on both sides of the GIL threshold: any order is one message.
        shared, sizes = morv.morv1024(), [1, 64, 2047, 2048, 100_000] * 20
        list(pool.map(lambda n: shared.update(b"a" * n), sizes))
    assert shared.digest() == morv.morv1024(b"a" * sum(sizes)).digest()


@pytest.mark.parametrize("digest_bits", sorted({bits for bits, *_ in known_answers()}))
def test_hash_many_gives_the_known_answers(digest_bits):
    cases = [(m, d) for bits, m, n, d in known_answers() if bits == digest_bits and n == 8 * len(m)]
    assert cases
    assert [d.hex() for d in morv.hash_many([m for m, _ in cases], digest_bits)] == [d for _, d in cases]


@pytest.mark.parametrize("digest_bits", [8, 224, 512, 520, 1024])
def test_hash_many_gives_what_new_gives_one_by_one(digest_bits):
    sizes = [0, 1, 63, 64, 65, 0, 200, 1000, 5000, 128, 0] * 3 + [3000]  # more than the lanes, unequal
    buffers = [bytes((7 * i + n) & 255 for i in range(n)) for n in sizes]
    buffers[1], buffers[2], buffers[3] = bytearray(buffers[1]), memoryview(buffers[2]), array.array("B", buffers[3])
    assert morv.hash_many(buffers, digest_bits) == [morv.new(digest_bits, b).digest() for b in buffers]
    assert morv.hash_many(iter(buffers), digest_bits=digest_bits) == morv.hash_many(buffers, digest_bits)
    assert morv.hash_many([], digest_bits) == []


def test_hash_many_refuses_as_new_does_and_usedforsecurity_is_hashlibs_keyword():
    for buffers, bits, error in [(["abc"], 512, TypeError), ([b"a", memoryview(b"abcdef")[::2]], 512, BufferError),
                                 (5, 512, TypeError), ([b""], 7, ValueError), ([b""], 65544, ValueError)]:
        with pytest.raises(error):
            morv.hash_many(buffers, bits)
    hashlib.sha512(b"abc", usedforsecurity=False)
    for make in [getattr(morv, f"morv{bits}") for bits in (224, 256, 384, 512, 1024)] + [morv.new]:
        assert make(data=b"abc", usedforsecurity=False).digest() == make(data=b"abc").digest()
    with pytest.raises(TypeError):  # keyword only, as in hashlib
        morv.morv512(b"", False)
