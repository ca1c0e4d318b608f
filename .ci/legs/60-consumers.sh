#!/usr/bin/env bash
# The library as its users get it: installed into a temporary prefix, once
# static and once shared, with examples/hash_file.cpp and hash_many.cpp built against each prefix
# through find_package and through pkg-config; then the project added as a
# subdirectory of another, which builds the example and installs nothing. Every
# build of the example must print the known answer of the same input.
set -euo pipefail
cd "$(dirname "$0")/../.."
source .ci/lib.sh

ensure_packages cmake make g++ pkg-config python3 binutils

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

for kind in static shared; do
  echo "-- $kind library"
  shared=$([ $kind = shared ] && echo ON || echo OFF)
  build=$work/build-$kind
  prefix=$work/prefix-$kind
  cmake -S . -B "$build" -DMORV_BUILD_TESTS=OFF -DBUILD_SHARED_LIBS=$shared -DCMAKE_INSTALL_LIBDIR=lib >/dev/null
  cmake --build "$build" -j2 >/dev/null
  cmake --install "$build" --prefix "$prefix" >/dev/null

  # The public headers only, and none of the project's warning flags.
  headers=$(cd "$prefix/include/morv" && echo *)
  [ "$headers" = "hasher.h morv.h morv_export.h" ] || fail "installed headers: $headers"
  if grep -rq -e -Werror -e -Wall "$prefix/lib/cmake/morv"; then fail "warning flags in the package"; fi
  if [ $kind = shared ]; then
    # Hidden visibility: the library exports the functions of morv.h and nothing else.
    others=$(nm -DC --defined-only "$prefix/lib/libmorv.so" | awk '$2 == "T" || $2 == "W"' |
      grep -vE ' morv::((Init|Update|Final)(512|1024)?|HashMessages?|Batch(Init|Update|Final|KernelName)|KernelName)\(' || true)
    [ -z "$others" ] || fail "exported beyond the interface: $others"
  fi

  cmake -S examples -B "$work/examples-$kind" -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
  cmake --build "$work/examples-$kind" >/dev/null
  check "find_package, $kind" "$work/examples-$kind/hash_file"
  check_many "find_package, lanes, $kind" "$work/examples-$kind/hash_many"

  export PKG_CONFIG_PATH=$prefix/lib/pkgconfig
  # shellcheck disable=SC2046  # pkg-config's output is meant to split into words
  g++ -std=c++20 -Wall -Wextra -Wpedantic -Werror examples/hash_file.cpp $(pkg-config --cflags --libs morv) \
    -Wl,-rpath,"$(pkg-config --variable=libdir morv)" -o "$work/hash_file-pkg-config-$kind"
  check "pkg-config, $kind" "$work/hash_file-pkg-config-$kind"
  g++ -std=c++20 -Wall -Wextra -Wpedantic -Werror examples/hash_many.cpp $(pkg-config --cflags --libs morv) \
    -Wl,-rpath,"$(pkg-config --variable=libdir morv)" -o "$work/hash_many-pkg-config-$kind"
  check_many "pkg-config, lanes, $kind" "$work/hash_many-pkg-config-$kind"
done

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
cmake --build "$work/super-build" -j2 --target hash_file hash_many >/dev/null
check "add_subdirectory" "$work/super-build/hash_file"
check_many "add_subdirectory, lanes" "$work/super-build/hash_many"
cmake --install "$work/super-build" --prefix "$work/super-prefix" >/dev/null
[ ! -e "$work/super-prefix" ] || fail "installed as a subdirectory: $(find "$work/super-prefix" -type f)"
echo "ok: nothing installed as a subdirectory"
