#!/usr/bin/env bash
# Everything cross-built for 64-bit Windows with MinGW-w64 and the whole C++ test
# suite run under wine, once, all tests in one process (a wine start per test
# would take minutes). Then the KAT files both ways: genkat.exe on data/ writes
# what the platform's text mode makes of the Linux genkat's files (CRLF line
# ends), katcheck built for Linux accepts genkat.exe's files, and katcheck.exe
# the Linux ones. 2.7 minutes of CPU time (7 minutes of wall time on 2 busy cores).
set -euo pipefail
cd "$(dirname "$0")/../.."
source .ci/lib.sh

ensure_packages cmake make g++ g++-mingw-w64-x86-64-posix wine wine64 libgtest-dev

out=$PWD/build-windows
# The prefix that the toolchain file gives the tests' discovery. The first start
# makes it, which takes a while, so it comes before the build, whose discovery
# runs the test program under wine with a time limit.
export WINEPREFIX=$out/wine-prefix WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml=
wineboot --init && wineserver --wait
cross_build cmake/windows-mingw-w64.cmake "$out"
wine "$out/tests/morv_tests.exe" --gtest_brief=1

echo "-- the KAT files both ways"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
cmake -S . -B "$out/linux" -DMORV_BUILD_TESTS=OFF >/dev/null
cmake --build "$out/linux" -j2 --target genkat katcheck >/dev/null
mkdir "$work/windows" "$work/linux"
cp data/*.txt "$work/windows/"
cp data/*.txt "$work/linux/"
(cd "$work/windows" && wine "$out/kat/genkat.exe" >/dev/null) || fail "genkat.exe failed"
(cd "$work/linux" && "$out/linux/kat/genkat" >/dev/null) || fail "genkat failed"
files=()
for d in 224 256 384 512; do
  for kind in ShortMsgKAT LongMsgKAT ExtremelyLongMsgKAT MonteCarlo; do
    name=${kind}_$d.txt
    files+=("$name")
    sed 's/$/\r/' "$work/linux/$name" | cmp -s - "$work/windows/$name" ||
      fail "genkat.exe's $name is not the Linux file with CRLF line ends"
  done
done
echo "ok: genkat.exe writes the Linux files with CRLF line ends"
(cd "$work/windows" && "$out/linux/cli/katcheck" -q "${files[@]}") || fail "katcheck rejected genkat.exe's files"
echo "ok: katcheck accepts genkat.exe's files"
(cd "$work/linux" && wine "$out/cli/katcheck.exe" -q "${files[@]}") || fail "katcheck.exe rejected genkat's files"
echo "ok: katcheck.exe accepts genkat's files"
