"""The module through the repo's known answers, and the hashlib behaviours it promises."""
import array
import copy
import functools
import hashlib
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
    assert (type(hasher), hasher.name, hasher.digest_size, hasher.block_size, len(hasher.digest())) == (
        morv.Hash, f"morv-{digest_bits}", size, block, size)


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


@pytest.mark.parametrize("make", [functools.partial(morv.new, 512), morv.morv224, morv.morv256, morv.morv384, morv.morv512, morv.morv1024])
def test_constructors_take_the_data_by_hashlibs_names(make):
    expected = make(b"abc").digest()
    assert make(data=b"abc").digest() == make(string=b"abc").digest() == expected
    assert make(string=b"abc", usedforsecurity=False).digest() == expected
    for both in (lambda: make(b"a", string=b"b"), lambda: make(data=b"a", string=b"b")):
        with pytest.raises(TypeError, match="^'data' and 'string' are mutually exclusive$"):
            both()


# A call on morv and, where it differs, its counterpart on hashlib, with h a hash object of each: both
# raise the same error, word for word once hashlib's names are morv's. One line each, and no object
# made but by a constructor, nor a type changed.
SAME_ERRORS = [
    ("morv.morv256(b'a', b'b')", "hashlib.sha256(b'a', b'b')"),
    ("morv.morv256(x=1)", "hashlib.sha256(x=1)"),
    ("morv.new('256')", "hashlib.shake_128().digest('4')"),
    ("h.update_bits(b'a', 1.0)", "hashlib.shake_128().digest(1.0)"),
    ("h.update()", None),
    ("h.update(data=b'')", None),
    ("h.update(b'', b'')", None),
    ("h.digest(1)", None),
    ("h.hexdigest(x=1)", None),
    ("h.copy(1)", None),
    ("type(h)()", None),
    ("type(h).__new__(type(h))", None),
    ("object.__new__(type(h))", None),
    ("type(h).update(5, b'')", None),
    ("setattr(type(h), 'x', 1)", None),
    ("setattr(type(h), 'update', len)", None),
    ("delattr(type(h), 'update')", None),
    ("setattr(h, 'x', 1)", None),
    ("pickle.dumps(h)", None),
    ("copy.copy(h)", None),
]
HASHLIB_NAMES = {"openssl_sha256": "morv256", "_hashlib.HASH": "morv.Hash", "HASH": "Hash"}


@pytest.mark.parametrize("call,hashlib_call", SAME_ERRORS)
def test_errors_in_hashlibs_words(call, hashlib_call):
    with pytest.raises(Exception) as expected:
        eval(hashlib_call or call, {"hashlib": hashlib, "h": hashlib.sha256(), "pickle": pickle, "copy": copy})
    message = str(expected.value)
    for name, ours in HASHLIB_NAMES.items():
        message = message.replace(name, ours)
    with pytest.raises(expected.type, match=f"^{re.escape(message)}$"):
        eval(call, {"morv": morv, "h": morv.morv256(), "pickle": pickle, "copy": copy})


def test_repr_names_the_hash_as_hashlibs_does():
    for h in (morv.morv256(), morv.new(8), hashlib.sha256()):
        assert repr(h) == f"<{h.name} {type(h).__module__}.{type(h).__qualname__} object @ {id(h):#x}>"


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
