#!/usr/bin/env bash
# The Python module: built by CMake, with its pytest suite run by ctest; then, on a
# fresh clone, the wheel of docs/python.md built once and installed without an index
# into a plain virtual environment (no system site packages) with an empty
# environment, so no compiler, no build tool and no network: only the module, its
# stubs and its dist-info may arrive, and the known-answer script must pass there.
# The same wheel then goes into an environment that sees Debian's pytest, for the
# suite on the installed module, the cluster example's test (docs/cluster.md: Dask
# worker processes on this machine, checked by morvsum) and one run of each benchmark
# script (briefly: figures come from a quiet machine).
set -euo pipefail
cd "$(dirname "$0")/../.."
source .ci/lib.sh

ensure_packages cmake make g++ git python3-dev python3-pip python3-venv python3-wheel python3-setuptools \
  python3-pytest python3-numpy python3-distributed libbenchmark-dev libssl-dev

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

echo "-- CMake build and ctest"
cmake -S . -B build-python-ci -DMORV_BUILD_BENCH=ON >"$work/configure.log" || { cat "$work/configure.log"; exit 1; }
if grep "Python module not built" "$work/configure.log"; then fail "the module was not configured"; fi
cmake --build build-python-ci -j2 --target morv_python morvsum morv_bench >/dev/null
ctest --test-dir build-python-ci -R '^python_module$' --output-on-failure
repo=$PWD
git clone -q --no-local . "$work/clone"
cd "$work/clone"

echo "-- the wheel, built once"
/usr/bin/python3 -m pip wheel -q --no-deps --no-build-isolation -w dist ./python
wheel=$(echo dist/morv-*.whl)
/usr/bin/python3 -m zipfile -l "$wheel"
# The module, its stubs, and a dist-info with both license texts and the license's SPDX expression.
/usr/bin/python3 - "$wheel" <<'PY' || fail "the wheel holds other files, or lacks a license"
import email, fnmatch, sys, zipfile
wheel = zipfile.ZipFile(sys.argv[1])
top = {name.split("/")[0] for name in wheel.namelist()}
info = next(name for name in top if name.endswith(".dist-info"))
assert len(top) == 3 and "morv.pyi" in top and fnmatch.filter(top, "morv.cpython-*.so"), top
for text in ("LICENSE-MIT", "LICENSE-APACHE"):
    assert wheel.read(f"{info}/{text}") == open(text, "rb").read(), text
assert email.message_from_bytes(wheel.read(f"{info}/METADATA"))["License"] == "MIT OR Apache-2.0"
PY

echo "-- installed into a plain virtual environment, offline, with an empty environment"
/usr/bin/python3 -m venv "$work/plain"
site=$("$work/plain/bin/python" -c 'import sysconfig; print(sysconfig.get_paths()["platlib"])')
ls "$site" >"$work/site-before"
env -i HOME="$work" "$work/plain/bin/pip" install -q --no-index "$wheel"
added=$(ls "$site" | comm -13 "$work/site-before" - | tr '\n' ' ')
echo "added to site-packages: $added"
[[ "$added" == "morv-"*".dist-info morv.cpython-"*".so morv.pyi " ]] || fail "the wheel installed more than the module"
env -i "$work/plain/bin/python" python/tests/known_answers.py | tee "$work/known-answers.log"
grep -q "^morv .* from $site/" "$work/known-answers.log" || fail "the script did not use the installed module"

echo "-- the suite and the benchmark on the installed wheel"
/usr/bin/python3 -m venv --system-site-packages "$work/tests"
"$work/tests/bin/pip" install -q --no-index "$wheel"
got=$("$work/tests/bin/python" -c "import morv; print(morv.morv512(b'abc').hexdigest())")
expected=$(printf abc | "$repo/build-python-ci/cli/morvsum" | cut -d' ' -f1)
[ "$got" = "$expected" ] || fail "the module gives $got, morvsum $expected"
echo "ok: the installed module gives morvsum's digest"
PYTHONDONTWRITEBYTECODE=1 "$work/tests/bin/python" -m pytest -q -p no:cacheprovider python/tests
echo "-- the cluster example, on 1 and 2 worker processes"
"$work/tests/bin/python" -c "import distributed" || fail "Dask's distributed is missing: the example's test would be skipped"
MORVSUM="$repo/build-python-ci/cli/morvsum" PYTHONDONTWRITEBYTECODE=1 \
  "$work/tests/bin/python" -m pytest -q -p no:cacheprovider examples/test_cluster_checksums.py
"$work/tests/bin/python" python/bench_morv.py --rounds 1 --core "$repo/build-python-ci/bench/morv_bench"
"$work/tests/bin/python" python/bench_files.py --mib 4 --rounds 1
