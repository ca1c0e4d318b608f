"""examples/cluster_checksums.py on a cluster of worker processes on this machine: its checksum file holds
the lines that morvsum prints for the tree's files, which `morvsum -c` checks, and what it cannot hash it
names. Run by CI's Python leg, with MORVSUM set to the build's morvsum."""
import os
import random
import shutil
import subprocess
import sys
from pathlib import Path

import pytest

pytest.importorskip("distributed", reason="Dask's distributed is not installed (Debian: python3-distributed)")

EXAMPLE = Path(__file__).with_name("cluster_checksums.py")
MORVSUM = os.environ.get("MORVSUM") or shutil.which("morvsum")
# Names that morvsum escapes, or that are not UTF-8, among files of unequal sizes in nested folders.
NAMES = [b"a b", b"back\\slash", b"new\nline", b"cr\r", b"\xff", b"sub/deep/empty", b"sub/x"] + [
    b"sub/%d.bin" % i for i in range(24)]


def make(folder, names):
    rng = random.Random(1)
    for name in names:
        path = os.path.join(os.fsencode(folder), name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(rng.randbytes(0 if name.endswith(b"empty") else rng.randrange(300_000)))


def run(folder, *options):
    return subprocess.run([sys.executable, EXAMPLE, folder.name, "--task-mib", "1", *options], cwd=folder.parent,
                          capture_output=True, timeout=300)


@pytest.mark.skipif(MORVSUM is None, reason="no morvsum: set MORVSUM to the build's cli/morvsum")
@pytest.mark.parametrize("options", [["--workers", "1"], ["--workers", "2", "-l", "256"]])
def test_writes_morvsums_lines_of_the_tree(tmp_path, options):
    tree = tmp_path / "tree"
    make(tree, NAMES)
    result = run(tree, *options)
    assert result.returncode == 0, result.stderr.decode()
    names = [os.path.join(b"tree", n) for n in sorted(NAMES)]
    morvsum = subprocess.run([MORVSUM, *options[2:], *names], cwd=tmp_path, capture_output=True, check=True)
    assert result.stdout == morvsum.stdout
    check = subprocess.run([MORVSUM, "-c", "--quiet"], input=result.stdout, cwd=tmp_path, capture_output=True)
    assert (check.returncode, check.stdout, check.stderr) == (0, b"", b"")
    # Several partitions, and the job's time, on standard error.
    parts, workers = result.stderr.decode().splitlines()[-1].split()[0:4:3]
    assert (int(parts) > 2, workers) == (True, options[1])


def test_names_what_it_cannot_hash_and_fails(tmp_path):
    tree = tmp_path / "tree"
    make(tree, [b"a", b"b"])
    os.mkfifo(tree / "fifo")
    (tree / "dangling").symlink_to("nowhere")
    (tree / "folder link").symlink_to(".")
    (tree / "unreadable").symlink_to("/proc/self/mem")  # a regular file whose first read fails with EIO
    result = run(tree)
    assert result.returncode == 1
    assert [line.split(b"  ")[1] for line in result.stdout.splitlines()] == [b"tree/a", b"tree/b"]
    assert [line for line in result.stderr.decode().splitlines() if line.startswith("cluster_checksums:")] == [
        "cluster_checksums: tree/dangling: No such file or directory",
        "cluster_checksums: tree/fifo: not a regular file",
        "cluster_checksums: tree/folder link: not a regular file",
        "cluster_checksums: tree/unreadable: Input/output error"]
