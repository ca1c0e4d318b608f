#!/usr/bin/env bash
# The Python module: built by CMake, with its pytest suite run by ctest; then
# installed as docs/python.md says, from a fresh clone into a virtual environment,
# where it must give morvsum's digest and pass the same suite; then the
# benchmark script runs once (briefly: figures come from a quiet machine).
set -euo pipefail
cd "$(dirname "$0")/../.."
source .ci/lib.sh

ensure_packages cmake make g++ git python3-dev python3-venv python3-wheel python3-setuptools python3-pybind11 \
  pybind11-dev python3-pytest libbenchmark-dev libssl-dev

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

echo "-- CMake build and ctest"
cmake -S . -B build-python-ci -DMORV_BUILD_BENCH=ON >"$work/configure.log" || { cat "$work/configure.log"; exit 1; }
if grep "Python module not built" "$work/configure.log"; then fail "the module was not configured"; fi
cmake --build build-python-ci -j2 --target morv_python morvsum morv_bench >/dev/null
ctest --test-dir build-python-ci -R '^python_module$' --output-on-failure

echo "-- the install lines of docs/python.md, on a fresh clone"
repo=$PWD
git clone -q --no-local . "$work/clone"
(
  cd "$work/clone"
  /usr/bin/python3 -m venv --system-site-packages .venv && .venv/bin/pip install -q --no-build-isolation ./python
  got=$(.venv/bin/python -c "import morv; print(morv.morv512(b'abc').hexdigest())")
  expected=$(printf abc | "$repo/build-python-ci/cli/morvsum" | cut -d' ' -f1)
  [ "$got" = "$expected" ] || fail "the module gives $got, morvsum $expected"
  echo "ok: the installed module gives morvsum's digest"
  PYTHONDONTWRITEBYTECODE=1 .venv/bin/python -m pytest -q -p no:cacheprovider python/tests
  .venv/bin/python python/bench_morv.py --rounds 1 --core "$repo/build-python-ci/bench/morv_bench"
)
