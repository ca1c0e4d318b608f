#!/usr/bin/env bash
# The library as its users get it: installed into a temporary prefix, once
# static and once shared (in a multiarch lib folder), with examples/hash_file.cpp
# and hash_many.cpp built against each prefix through find_package and through
# pkg-config, and the C interface's test (tests/c/) built from C through
# pkg-config; the shared prefix's programs and consumers run with no loader
# path, and Python's ctypes hashes with its libmorv. The two components install
# their parts only. Then the project added as a subdirectory of another, which
# builds the library alone and installs nothing. Every build of the example
# must print the known answer of the same input.
set -euo pipefail
cd "$(dirname "$0")/../.."
source .ci/lib.sh

ensure_packages cmake make gcc g++ pkg-config python3 binutils

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

# The input: the 64-byte chunk of the streamed known answers, 1000 times, so
# that the example reads it in several pieces.
read -r chunk expected < <(awk '/^# Streamed/ { s = 1 } s && $1 == 256 && $3 == 1000 { print $2, $4 }' \
  tests/data/hash_vectors.txt) || fail "no streamed 256-bit known answer"
python3 -c 'import sys; sys.stdout.buffer.write(bytes.fromhex(sys.argv[1]) * 1000)' "$chunk" >"$work/input"
expected=$(tr 'A-F' 'a-f' <<<"$expected")

# check <what> <program>: the program's digest of the input is the known answer.
check() {
  local got
  got=$("$2" "$work/input" | cut -d' ' -f1)
  [ "$got" = "$expected" ] || fail "$1: got $got, expected $expected"
  echo "ok: $1"
}
# check_many <what> <program>: the lane example, given the input nine times (more
# than the lanes hold), prints the known answer on each of its lines.
check_many() {
  local got
  got=$("$2" "$work/input" "$work/input" "$work/input" "$work/input" "$work/input" "$work/input" \
    "$work/input" "$work/input" "$work/input" | grep -v '^lanes:' | cut -d' ' -f1 | sort -u)
  [ "$got" = "$expected" ] || fail "$1: got $got, expected $expected"
  echo "ok: $1"
}

# No loader path anywhere below: programs find the shared library by their RPATH.
unset LD_LIBRARY_PATH
multiarch=lib/$(gcc -dumpmachine)

for kind in static shared; do
  echo "-- $kind library"
  shared=$([ $kind = shared ] && echo ON || echo OFF)
  libdir=$([ $kind = shared ] && echo "$multiarch" || echo lib)
  build=$work/build-$kind
  prefix=$work/prefix-$kind
  cmake -S . -B "$build" -DMORV_BUILD_TESTS=OFF -DBUILD_SHARED_LIBS=$shared -DCMAKE_INSTALL_LIBDIR="$libdir" \
    >/dev/null
  cmake --build "$build" -j2 >/dev/null
  cmake --install "$build" --prefix "$prefix" >/dev/null
  export PKG_CONFIG_PATH=$prefix/$libdir/pkgconfig
  version=$(pkg-config --modversion morv)

  # The public headers only, the licenses, and none of the project's warning flags.
  headers=$(cd "$prefix/include/morv" && echo *)
  [ "$headers" = "hasher.h morv.h morv_c.h morv_export.h" ] || fail "installed headers: $headers"
  [ -f "$prefix/share/doc/morv/LICENSE-MIT" ] && [ -f "$prefix/share/doc/morv/LICENSE-APACHE" ] ||
    fail "the licenses are not installed"
  if grep -rq -e -Werror -e -Wall "$prefix/$libdir/cmake/morv"; then fail "warning flags in the package"; fi
  if [ $kind = shared ]; then
    # Hidden visibility: the library exports the functions of morv.h and those
    # of morv_c.h, all of them, and nothing else.
    exports=$(nm -DC --defined-only "$prefix/$libdir/libmorv.so" | awk '$2 == "T" || $2 == "W" { $1 = $2 = ""; print }')
    others=$(grep -vE '^  (morv::((Init|Update|Final)(512|1024)?|HashMessages?|Batch(Init|Update|Final|KernelName)|KernelName)\(|morv_[a-z_]+$)' <<<"$exports" || true)
    [ -z "$others" ] || fail "exported beyond the interface: $others"
    declared=$(grep -oE '\bmorv_[a-z_]+\(' "$prefix/include/morv/morv_c.h" | tr -d '(' | sort)
    exported=$(grep -oE '^  morv_[a-z_]+$' <<<"$exports" | tr -d ' ' | sort)
    [ "$declared" = "$exported" ] || fail "morv_c.h declares $(echo $declared), the library exports $(echo $exported)"
    echo "ok: the exports are morv.h's and morv_c.h's $(wc -w <<<"$exported") functions"

    # The installed programs find the library from their own place.
    readelf -d "$prefix/bin/morvsum" | grep -q "R.*PATH.*\[\$ORIGIN/../$multiarch\]" ||
      fail "morvsum's RPATH: $(readelf -d "$prefix/bin/morvsum" | grep PATH)"
    got=$("$prefix/bin/morvsum" -l 256 "$work/input" | cut -d' ' -f1)
    [ "$got" = "$expected" ] || fail "the installed morvsum: got $got, expected $expected"
    echo "ok: the installed morvsum, shared"
    result=$(python3 tests/c/morv_ctypes.py "$prefix/$libdir/libmorv.so" tests/data/hash_vectors.txt "$version") ||
      fail "ctypes: $result"
    echo "ok: Python's ctypes, shared: ${result##*$'\n'}"
  fi

  # The C interface from C: a C99 program (with one C++ source that reports the
  # core's layout), linked as C.
  # shellcheck disable=SC2046  # pkg-config's output is meant to split into words
  gcc -std=c99 -Wall -Wextra -pedantic -Werror -c tests/c/morv_c_test.c $(pkg-config --cflags morv) \
    -o "$work/c_test-$kind.o"
  # shellcheck disable=SC2046
  g++ -std=c++20 -Wall -Wextra -Wpedantic -Werror -c tests/c/core_layout.cpp $(pkg-config --cflags morv) \
    -o "$work/core_layout-$kind.o"
  # shellcheck disable=SC2046
  gcc "$work/c_test-$kind.o" "$work/core_layout-$kind.o" $(pkg-config --libs morv) \
    -Wl,-rpath,"$(pkg-config --variable=libdir morv)" -o "$work/c_test-$kind"
  result=$("$work/c_test-$kind" tests/data/hash_vectors.txt "$version") || fail "the C interface, $kind: $result"
  echo "ok: the C interface from C, $kind: ${result##*$'\n'}"

  cmake -S examples -B "$work/examples-$kind" -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
  cmake --build "$work/examples-$kind" >/dev/null
  check "find_package, $kind" "$work/examples-$kind/hash_file"
  check_many "find_package, lanes, $kind" "$work/examples-$kind/hash_many"

  # shellcheck disable=SC2046
  g++ -std=c++20 -Wall -Wextra -Wpedantic -Werror examples/hash_file.cpp $(pkg-config --cflags --libs morv) \
    -Wl,-rpath,"$(pkg-config --variable=libdir morv)" -o "$work/hash_file-pkg-config-$kind"
  check "pkg-config, $kind" "$work/hash_file-pkg-config-$kind"
  g++ -std=c++20 -Wall -Wextra -Wpedantic -Werror examples/hash_many.cpp $(pkg-config --cflags --libs morv) \
    -Wl,-rpath,"$(pkg-config --variable=libdir morv)" -o "$work/hash_many-pkg-config-$kind"
  check_many "pkg-config, lanes, $kind" "$work/hash_many-pkg-config-$kind"
done

echo "-- the components"
cmake --install "$work/build-static" --component library --prefix "$work/library" >/dev/null
cmake --install "$work/build-static" --component tools --prefix "$work/tools" >/dev/null
library=$(cd "$work/library" && find . -type f | sort | tr '\n' ' ')
tools=$(cd "$work/tools" && find . -type f | sort | tr '\n' ' ')
[ "$(cd "$work/library" && echo *)" = "include lib share" ] && [ ! -e "$work/library/share/man" ] ||
  fail "the library component: $library"
[ "$tools" = "./bin/genkat ./bin/katcheck ./bin/morvsum ./share/man/man1/genkat.1 ./share/man/man1/katcheck.1 ./share/man/man1/morvsum.1 " ] ||
  fail "the tools component: $tools"
echo "ok: the library component has no program, the tools component only the programs"

echo "-- added as a subdirectory"
mkdir "$work/super"
cat >"$work/super/CMakeLists.txt" <<CMAKE
cmake_minimum_required(VERSION 3.20)
project(super LANGUAGES CXX)
add_subdirectory("$PWD" morv)
add_executable(hash_file "$PWD/examples/hash_file.cpp")
target_link_libraries(hash_file PRIVATE morv::hash)
add_executable(hash_many "$PWD/examples/hash_many.cpp")
target_link_libraries(hash_many PRIVATE morv::hash)
CMAKE
cmake -S "$work/super" -B "$work/super-build" >/dev/null
cmake --build "$work/super-build" -j2 >/dev/null
programs=$(find "$work/super-build/morv" -type f \( -name genkat -o -name morvsum -o -name katcheck \
  -o -name 'libmorv_kat*' \) | tr '\n' ' ')
[ -z "$programs" ] || fail "built as a subdirectory: $programs"
echo "ok: the library alone built as a subdirectory"
check "add_subdirectory" "$work/super-build/hash_file"
check_many "add_subdirectory, lanes" "$work/super-build/hash_many"
cmake --install "$work/super-build" --prefix "$work/super-prefix" >/dev/null
[ ! -e "$work/super-prefix" ] || fail "installed as a subdirectory: $(find "$work/super-prefix" -type f)"
echo "ok: nothing installed as a subdirectory"
