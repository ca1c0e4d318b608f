#!/usr/bin/env bash
# The hash tests cross-built for s390x, a big-endian host, and run under qemu-user:
# the digests must not depend on the host's byte order.
set -euo pipefail
cd "$(dirname "$0")/../.."
source .ci/lib.sh

ensure_packages g++-s390x-linux-gnu libc6-dev-s390x-cross qemu-user libgtest-dev

cxx=s390x-linux-gnu-g++
out=build-s390x
gtest=/usr/src/googletest/googletest
mkdir -p "$out"
werror=()
[ -n "${CI:-}" ] && werror=(-Werror)
flags=(-std=c++20 -O2 -Wall -Wextra -Wpedantic -pthread)

# Proof that the target really is big-endian: what the compiler says, and what a
# program that looks at the bytes of a word sees under the emulator.
"$cxx" -dM -E -x c++ /dev/null | grep __BYTE_ORDER__
printf '%s\n' '#include <cstdint>' '#include <cstdio>' '#include <cstring>' \
  'int main() { std::uint32_t w = 0x01020304; unsigned char b[4]; std::memcpy(b, &w, 4);' \
  '  std::printf("first byte in memory: %02x\n", b[0]); return b[0] == 0x01 ? 0 : 1; }' \
  > "$out/byte_order.cpp"
"$cxx" "${flags[@]}" -static "$out/byte_order.cpp" -o "$out/byte_order"
qemu-s390x "$out/byte_order" || { echo "the target is not big-endian"; exit 1; }

# GoogleTest from the sources that libgtest-dev ships, built once.
if [ ! -f "$out/gtest.a" ]; then
  "$cxx" "${flags[@]}" -w -I"$gtest/include" -I"$gtest" -c "$gtest/src/gtest-all.cc" -o "$out/gtest-all.o"
  "$cxx" "${flags[@]}" -w -I"$gtest/include" -c "$gtest/src/gtest_main.cc" -o "$out/gtest_main.o"
  s390x-linux-gnu-ar rcs "$out/gtest.a" "$out/gtest-all.o" "$out/gtest_main.o"
fi

"$cxx" "${flags[@]}" "${werror[@]}" -Ihash -Itests -isystem "$gtest/include" \
  -DMORV_TEST_DATA="\"$PWD/tests/data\"" \
  hash/morv.cpp hash/dispatch.cpp tests/test_util.cpp tests/process_posix.cpp tests/hash_vectors_test.cpp \
  tests/hash_properties_test.cpp tests/hash_kernels_test.cpp "$out/gtest.a" -o "$out/hash_tests"
qemu-s390x -L /usr/s390x-linux-gnu "$out/hash_tests" --gtest_brief=1
