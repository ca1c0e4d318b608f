"""The C interface from Python through ctypes, against the independent known
answers (read by python/tests/known_answers.py): each vector through morv_init,
morv_update, morv_update_bits and morv_final, and through morv_hash when it is
whole bytes.

    python3 morv_ctypes.py path/to/libmorv.so tests/data/hash_vectors.txt VERSION
"""
import ctypes
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "python/tests"))
from known_answers import known_answers  # noqa: E402


class Context(ctypes.Structure):
    """morv_context as <morv/morv_c.h> declares it."""
    _fields_ = [("words", ctypes.c_uint64 * 37)]


def load(path):
    lib = ctypes.CDLL(path)
    ctx, size, data = ctypes.POINTER(Context), ctypes.c_size_t, ctypes.c_void_p
    for name, arguments in {"morv_init": [ctx, ctypes.c_int], "morv_update": [ctx, data, size],
                            "morv_update_bits": [ctx, data, size], "morv_final": [ctx, ctypes.c_char_p],
                            "morv_hash": [ctypes.c_int, data, size, ctypes.c_char_p]}.items():
        getattr(lib, name).argtypes, getattr(lib, name).restype = arguments, ctypes.c_int
    lib.morv_version.restype = ctypes.c_char_p
    return lib


def failures(lib, vectors, version):
    """One line for each call that does not give the known answer, and how many calls were checked."""
    found, checked = [], 0
    for bits, message, count, expected in known_answers(vectors, every_length=True):
        ctx, digest, size = Context(), ctypes.create_string_buffer((bits + 7) // 8), (bits + 7) // 8
        result = lib.morv_init(ctypes.byref(ctx), bits) | lib.morv_update(ctypes.byref(ctx), message, count // 8)
        result |= lib.morv_update_bits(ctypes.byref(ctx), message[count // 8:], count % 8)
        calls = [("init, update, final", result | lib.morv_final(ctypes.byref(ctx), digest), digest.raw)]
        if count % 8 == 0:
            whole = ctypes.create_string_buffer(size)
            calls.append(("morv_hash", lib.morv_hash(bits, message, len(message), whole), whole.raw))
        found += [f"morv-{bits} of {count} bits: {what}" for what, result, raw in calls
                  if result != 0 or raw.hex() != expected]
        checked += len(calls)
    if lib.morv_hash(-1, b"abc", 3, ctypes.create_string_buffer(1)) != 1:
        found.append("a negative length not refused")
    if lib.morv_version().decode() != version:
        found.append("morv_version")
    return found, checked + 2


def main(library, vectors, version):
    found, checked = failures(load(library), vectors, version)
    for what in found:
        print(f"FAIL: {what}")
    print(f"{checked - len(found)} passed, {len(found)} failed")
    return 1 if found or checked < 50 else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))
