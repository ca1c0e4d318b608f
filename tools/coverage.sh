#!/usr/bin/env bash
# Line coverage of hash/, kat/, files/ and cli/ by the test suite, with clang's source
# coverage: every program the tests start (genkat, morvsum, katcheck) writes its
# own profile, so code that runs in child processes counts too.
# Usage: tools/coverage.sh [build folder]   (default build-coverage)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-coverage}
flags="-fprofile-instr-generate -fcoverage-mapping"
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="$flags" -DMORV_BUILD_PYTHON=OFF >/dev/null
cmake --build "$build" -j2 >/dev/null
profiles=$PWD/$build/profiles
rm -rf "$profiles" && mkdir -p "$profiles"
# The tests that run a program as the user nobody need to write their profile too.
chmod 777 "$profiles"
LLVM_PROFILE_FILE="$profiles/%p.profraw" ctest --test-dir "$build" -j2 >/dev/null || true
llvm-profdata-14 merge -sparse "$profiles"/*.profraw -o "$build/all.profdata"
llvm-cov-14 report "$build/tests/morv_tests" -object "$build/kat/genkat" \
  -object "$build/cli/morvsum" -object "$build/cli/katcheck" -instr-profile="$build/all.profdata" \
  "$PWD/hash" "$PWD/kat" "$PWD/files" "$PWD/cli"
