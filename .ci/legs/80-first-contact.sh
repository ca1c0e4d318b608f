#!/usr/bin/env bash
# A new user's first steps: on a machine without GoogleTest, the README's first
# command still builds and runs genkat (sixteen files), while the test command
# fails and names the missing package; and `cmake --install` puts three manual
# pages under share/man/man1 that groff reads without a warning.
set -euo pipefail
cd "$(dirname "$0")/../.."
source .ci/lib.sh

ensure_packages cmake make g++ groff-base

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

echo "-- without GoogleTest"
build=$work/build
cmake -S . -B "$build" -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON >"$work/configure.log"
grep -q "GoogleTest not found" "$work/configure.log" || fail "configure did not say that GoogleTest is missing"
cmake --build "$build" -j2 --target run-kat >/dev/null
written=$(find "$build/kat-output" -name '*_*.txt' | wc -l)
[ "$written" -eq 16 ] || fail "genkat wrote $written files, not 16"
echo "ok: genkat wrote the sixteen files"
cmake --build "$build" -j2 >/dev/null
if ctest --test-dir "$build" --output-on-failure >"$work/ctest.log" 2>&1; then
  fail "the test command passed without the C++ suite"
fi
grep -q "libgtest-dev" "$work/ctest.log" || fail "the failing test run does not name libgtest-dev"
echo "ok: the test command fails and names libgtest-dev"

echo "-- manual pages"
cmake --install "$build" --prefix "$work/prefix" >/dev/null
for page in genkat morvsum katcheck; do
  file=$work/prefix/share/man/man1/$page.1
  [ -f "$file" ] || fail "$page.1 is not installed"
  warnings=$(groff -man -ww -z "$file" 2>&1)
  [ -z "$warnings" ] || fail "$page.1: $warnings"
done
echo "ok: three manual pages, no groff warning"
