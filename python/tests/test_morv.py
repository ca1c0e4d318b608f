"""The module through the repo's known answers, and the hashlib behaviours it promises."""
import array
import copy
import functools
import hashlib
import os
import pickle
import re
import sys
from concurrent.futures import ThreadPoolExecutor
from pathlib import Path

import pytest

import morv
from known_answers import known_answers

try:
    import numpy
except ImportError:  # then the integers with __index__ are only those of Index below
    numpy = None


@pytest.mark.parametrize("digest_bits,message,bits,digest", known_answers())
def test_known_answers_by_bits_by_bytes_and_by_the_named_constructor(digest_bits, message, bits, digest):
    by_bits, by_bytes = morv.new(digest_bits), morv.new(digest_bits)
    by_bits.update_bits(message, bits)
    by_bytes.update(message[:bits // 8])
    by_bytes.update_bits(message[bits // 8:], bits % 8)
    assert by_bits.hexdigest() == by_bytes.hexdigest() == digest
    if bits % 8 == 0 and hasattr(morv, f"morv{digest_bits}"):  # morv384 is 384 bits, and so on
        assert getattr(morv, f"morv{digest_bits}")(message).hexdigest() == digest


@pytest.mark.parametrize("digest_bits,size,block", [(8, 1, 64), (512, 64, 64), (520, 65, 128), (65536, 8192, 128)])
def test_attributes_and_repr_as_hashlibs(digest_bits, size, block):
    hasher = morv.new(digest_bits)
    assert (type(hasher), hasher.name, hasher.digest_size, hasher.block_size, len(hasher.digest())) == (
        morv.Hash, f"morv-{digest_bits}", size, block, size)
    assert repr(hasher) == f"<morv-{digest_bits} morv.Hash object @ {id(hasher):#x}>"  # as <sha256 _hashlib.HASH ...>


def test_object_keeps_its_message_and_copies_are_independent():
    hasher = morv.morv256(b"ab")
    copy, first = hasher.copy(), hasher.digest()
    copy.update(b"c")
    assert hasher.digest() == first
    hasher.update(bytearray(b"c"))
    assert hasher.digest() == copy.digest() == morv.morv256(memoryview(b"abc")).digest()
    assert morv.morv256(array.array("I", [7, 9])).digest() == morv.morv256(array.array("I", [7, 9]).tobytes()).digest()


def test_dropped_objects_give_back_their_reference_to_the_type():
    before = sys.getrefcount(morv.Hash)
    for _ in range(10):
        morv.morv256(b"a").copy().digest()
    after = sys.getrefcount(morv.Hash)  # outside the assert, whose rewriting holds a reference
    assert after == before


def test_partial_byte_ends_the_message_and_bit_counts_beyond_the_data_are_refused():
    ended = morv.new()
    ended.update_bits(b"\xff", 3)
    copy = ended.copy()
    for call in (lambda: morv.new().update_bits(b"ab", -1), lambda: morv.new().update_bits(b"ab", 17),
                 lambda: copy.update(b""), lambda: ended.update_bits(b"", 0)):
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


@pytest.mark.parametrize("digest_bits", [8, 224, 512, 520, 1024])
def test_hash_many_gives_what_new_gives_one_by_one(digest_bits):
    sizes = [0, 1, 63, 64, 65, 0, 200, 1000, 5000, 128, 0] * 3 + [3000]  # more than the lanes, unequal
    buffers = [bytes((7 * i + n) & 255 for i in range(n)) for n in sizes]
    buffers[1], buffers[2], buffers[3] = bytearray(buffers[1]), memoryview(buffers[2]), array.array("B", buffers[3])
    assert morv.hash_many(buffers, digest_bits) == [morv.new(digest_bits, b).digest() for b in buffers]
    assert morv.hash_many(iter(buffers), digest_bits=digest_bits) == morv.hash_many(buffers, digest_bits)
    assert morv.hash_many([], digest_bits) == []


@pytest.mark.parametrize("make", [functools.partial(morv.new, 512), morv.morv224, morv.morv256, morv.morv384, morv.morv512, morv.morv1024])
def test_constructors_take_hashlibs_keywords(make):
    expected = make(b"abc").digest()
    assert make(data=b"abc").digest() == make(string=b"abc").digest() == expected
    assert make(data=b"abc", usedforsecurity=False).digest() == make(string=b"abc", usedforsecurity=False).digest() == expected
    for wrong in (lambda: make(b"a", string=b"b"), lambda: make(data=b"a", string=b"b")):
        with pytest.raises(TypeError, match="^'data' and 'string' are mutually exclusive$"):
            wrong()
    with pytest.raises(TypeError):  # keyword only, as in hashlib
        make(b"", False)


def same_errors():
    """(morv's call, hashlib's) for each row of hashlib_errors.table."""
    for line in (Path(__file__).with_name("hashlib_errors.table")).read_text().splitlines():
        if line.strip() and not line.startswith("#"):
            call, _, hashlib_call = (part.strip() for part in line.partition(" | "))
            yield pytest.param(call, hashlib_call or call, id=call)


HASHLIB_NAMES = {"openssl_sha256": "morv256", "_hashlib.HASH": "morv.Hash", "HASH": "Hash"}


@pytest.mark.parametrize("call,hashlib_call", same_errors())
def test_errors_in_hashlibs_words(call, hashlib_call):
    with pytest.raises(Exception) as expected:
        eval(hashlib_call, {"hashlib": hashlib, "h": hashlib.sha256(), "morv": morv, "os": os, "pickle": pickle, "copy": copy})
    message = str(expected.value)
    for name, ours in HASHLIB_NAMES.items():
        message = message.replace(name, ours)
    with pytest.raises(expected.type, match=f"^{re.escape(message)}$"):
        eval(call, {"morv": morv, "h": morv.morv256(), "pickle": pickle, "copy": copy})


class Index:
    """An integer that is not an int, as NumPy's are."""

    def __init__(self, value):
        self.value = value

    def __index__(self):
        return self.value


@pytest.mark.parametrize("integer", [Index] + ([numpy.int64, numpy.uint16] if numpy else []))
def test_integers_with_index_are_taken_where_an_int_is(integer):
    expected, partial = morv.morv256(b"abc").digest(), morv.new()
    partial.update_bits(b"\xa0", 3)
    assert morv.new(integer(256), b"abc").digest() == morv.new(digest_bits=integer(256), data=b"abc").digest() == expected
    assert morv.hash_many([b"abc"], integer(256)) == morv.hash_many([b"abc"], digest_bits=integer(256)) == [expected]
    hasher = morv.new()
    hasher.update_bits(b"\xa0", integer(3))
    assert hasher.digest() == partial.digest()
    with pytest.raises(ValueError, match="^digest_bits must be a multiple of 8 from 8 to 65536, not 7$"):
        morv.new(integer(7))


def test_version_is_the_projects():
    cmake = (Path(__file__).resolve().parents[2] / "CMakeLists.txt").read_text()
    assert morv.__version__ == re.search(r"project\(morv VERSION ([\d.]+)", cmake)[1]
