"""morv.hash_files: files on the lanes against new() on their bytes, with open()'s errors."""
import os
import pathlib
import subprocess
import sys

import pytest

import morv


def open_files():
    return len(os.listdir("/proc/self/fd"))


# Lengths around the 64 KiB chunks, unequal, more files than lanes; on both states, and in a lane's own context.
SIZES = [0, 1, 65535, 65536, 65537, 3 * 65536 + 5, 64, 200_000, 63, 1000, 131072]


@pytest.mark.parametrize("digest_bits", [8, 256, 512, 520, 4096])
def test_gives_what_new_gives_for_each_files_bytes(tmp_path, digest_bits):
    contents = [os.urandom(n) for n in SIZES]
    names = [f"{i}.bin".encode() for i in range(len(SIZES) - 2)] + [b"\xff not utf-8", "\u00e9t\u00e9".encode()]
    for name, content in zip(names, contents):
        (tmp_path / os.fsdecode(name)).write_bytes(content)
    # Every way open() takes a path: str, bytes, os.PathLike, and a name that is not UTF-8 as os.listdir gives it.
    paths = [os.fsdecode(bytes(tmp_path) + b"/" + n) for n in names]
    paths[1], paths[2], paths[-1] = os.fsencode(paths[1]), pathlib.Path(paths[2]), os.fsencode(paths[-1])
    before = open_files()
    # And the same path twice.
    expected = [morv.new(digest_bits, c).digest() for c in contents + contents[:1]]
    assert morv.hash_files(paths + paths[:1], digest_bits) == expected
    assert morv.hash_files([], digest_bits=digest_bits) == []
    assert open_files() == before


def unreadable(tmp_path):
    if os.geteuid() == 0:
        pytest.skip("root reads a file whatever its mode")
    path = tmp_path / "unreadable"
    path.write_bytes(b"secret")
    path.chmod(0)
    return path


@pytest.mark.parametrize("form", [str, os.fsencode, pathlib.Path])
@pytest.mark.parametrize("bad,error", [(lambda d: d / "missing", FileNotFoundError), (lambda d: d, IsADirectoryError),
                                       (unreadable, PermissionError), (lambda d: "a\0b", ValueError)])
def test_raises_what_open_raises_once_every_file_is_closed(tmp_path, bad, error, form):
    good = tmp_path / "good"
    good.write_bytes(b"abc")
    path = form(bad(tmp_path))
    with pytest.raises(error) as expected:
        open(path, "rb")
    before = open_files()
    with pytest.raises(error) as raised:
        morv.hash_files([good] * 9 + [path, tmp_path / "missing too"])  # the first failure in order
    assert open_files() == before
    assert (str(raised.value), raised.value.args, getattr(raised.value, "filename", None)) == (
        str(expected.value), expected.value.args, getattr(expected.value, "filename", None))


@pytest.mark.parametrize("paths", ["a", b"a", pathlib.Path("a")])
def test_refuses_a_path_for_the_list_of_paths(paths):
    with pytest.raises(TypeError, match=f"^paths must be an iterable of paths, not {type(paths).__name__}$"):
        morv.hash_files(paths)


def run(script, **env):
    return subprocess.run([sys.executable, "-c", script], capture_output=True, text=True, timeout=30,
                          env={**os.environ, **env})


def test_reads_without_the_gil(tmp_path):
    # A FIFO whose writer is a thread of the same process: with the GIL held, hash_files would wait in
    # open() and read() for a writer that never runs.
    fifo = tmp_path / "fifo"
    os.mkfifo(fifo)
    script = f"""if True:
        import threading, morv
        def write():
            with open({str(fifo)!r}, "wb") as f:
                f.write(b"abc")
        threading.Thread(target=write).start()
        print(morv.hash_files([{str(fifo)!r}])[0].hex())"""
    try:
        assert run(script).stdout.strip() == morv.morv512(b"abc").hexdigest()
    except subprocess.TimeoutExpired:
        pytest.fail("hash_files held the GIL while it read")


def test_memory_error_when_the_chunks_cannot_be_had():
    # Allocations of 128 KiB and more mapped, so that the eight chunks need address space beyond the limit.
    script = """if True:
        import os, resource, morv
        size = int(open("/proc/self/statm").read().split()[0]) * resource.getpagesize()
        resource.setrlimit(resource.RLIMIT_AS, (size + (256 << 10), resource.RLIM_INFINITY))
        small = morv.hash_many([b"abc"])
        try:
            morv.hash_files([])
        except MemoryError:
            print("MemoryError")
        resource.setrlimit(resource.RLIMIT_AS, (resource.RLIM_INFINITY, resource.RLIM_INFINITY))
        print(morv.hash_files([os.devnull]) == morv.hash_many([b""]))"""
    result = run(script, GLIBC_TUNABLES="glibc.malloc.mmap_threshold=131072")
    assert (result.stdout.split(), result.returncode) == (["MemoryError", "True"], 0), result.stderr
