"""The C interface from Python through ctypes, against the independent known
answers: each vector through morv_hash (whole bytes) and through morv_init,
morv_update, morv_update_bits and morv_final; the streamed ones chunk by chunk.

    python3 morv_ctypes.py path/to/libmorv.so tests/data/hash_vectors.txt VERSION
"""
import ctypes
import sys


class Context(ctypes.Structure):
    """morv_context as <morv/morv_c.h> declares it."""
    _fields_ = [("words", ctypes.c_uint64 * 37)]


def load(path):
    lib = ctypes.CDLL(path)
    ctx = ctypes.POINTER(Context)
    calls = {
        "morv_init": [ctx, ctypes.c_int],
        "morv_update": [ctx, ctypes.c_void_p, ctypes.c_size_t],
        "morv_update_bits": [ctx, ctypes.c_void_p, ctypes.c_size_t],
        "morv_final": [ctx, ctypes.c_char_p],
        "morv_hash": [ctypes.c_int, ctypes.c_void_p, ctypes.c_size_t, ctypes.c_char_p],
    }
    for name, arguments in calls.items():
        getattr(lib, name).argtypes = arguments
        getattr(lib, name).restype = ctypes.c_int
    lib.morv_version.restype = ctypes.c_char_p
    return lib


def known_answers(path):
    streamed = False
    with open(path) as lines:
        for number, line in enumerate(lines, 1):
            streamed = streamed or line.startswith("# Streamed")
            if not line.strip() or line.startswith("#"):
                continue
            fields = line.split()
            bits = int(fields[0])
            if streamed:
                yield number, bits, bytes.fromhex(fields[1]), int(fields[2]), True, fields[3]
            else:
                message = b"" if fields[2] == "-" else bytes.fromhex(fields[2])
                yield number, bits, message, int(fields[1]), False, fields[3]


def main(library, vectors, version):
    lib = load(library)
    failed = []
    passed = 0

    def check(ok, what):
        nonlocal passed
        if ok:
            passed += 1
        else:
            failed.append(what)

    for number, bits, message, count, streamed, expected in known_answers(vectors):
        expected = b"" if expected == "-" else bytes.fromhex(expected)
        size = (bits + 7) // 8
        ctx = Context()
        digest = ctypes.create_string_buffer(size)
        result = lib.morv_init(ctypes.byref(ctx), bits)
        if streamed:
            for _ in range(count):
                result |= lib.morv_update(ctypes.byref(ctx), message, len(message))
        else:
            result |= lib.morv_update(ctypes.byref(ctx), message, count // 8)
            result |= lib.morv_update_bits(ctypes.byref(ctx), message[count // 8:], count % 8)
        result |= lib.morv_final(ctypes.byref(ctx), digest)
        check(result == 0 and digest.raw == expected, f"line {number}: init, update, final")
        if not streamed and count % 8 == 0:
            digest = ctypes.create_string_buffer(size)
            result = lib.morv_hash(bits, message, len(message), digest)
            check(result == 0 and digest.raw == expected, f"line {number}: morv_hash")

    check(lib.morv_hash(-1, b"abc", 3, ctypes.create_string_buffer(1)) == 1, "a negative length refused")
    check(lib.morv_version().decode() == version, "morv_version")
    for what in failed:
        print(f"FAIL: {what}")
    print(f"{passed} passed, {len(failed)} failed")
    return 1 if failed or passed < 50 else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))
