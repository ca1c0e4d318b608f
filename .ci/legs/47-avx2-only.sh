#!/usr/bin/env bash
# The hash on a CPU with AVX2 and no AVX-512, whichever CPU CI has: the test
# program runs under qemu-x86_64 emulating a Haswell, so the kernels are chosen
# at run time as on such a machine (the batch mode's lanes on avx2, the
# AVX-512 rows reported skipped). Only the hash's tests: the tools' rows start
# the tools outside the emulator. Seconds once the test program is built.
set -euo pipefail
cd "$(dirname "$0")/../.."
source .ci/lib.sh

ensure_packages cmake make g++ qemu-user libgtest-dev

cmake -S . -B build >/dev/null
cmake --build build -j2 --target morv_tests >/dev/null
hash_tests='Batch.*:Hasher.*:Init.*:Misuse.*:SplitInvariance.*:HashFiles.*'
hash_tests+=':Kernels/*:Known/*:LaneKernels/*'
qemu-x86_64 -cpu Haswell-v4 build/tests/morv_tests --gtest_brief=1 --gtest_filter="$hash_tests" |
  tee build/avx2-only.log
# The emulated CPU must be the one the leg is for: the AVX-512 rows skip.
grep -q 'cannot run the lane kernel avx512' build/avx2-only.log ||
  { echo "the emulated CPU ran the AVX-512 kernels: not an AVX2-only run"; exit 1; }
