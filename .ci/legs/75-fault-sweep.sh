#!/usr/bin/env bash
# The fault sweep: genkat, morvsum and katcheck built (Release) and run once per
# I/O call that they make, with that one call failing (tools/fault_sweep.py, which
# says what passes). Prints the runs per program, call and error. About 90 s.
set -euo pipefail
cd "$(dirname "$0")/../.."
source .ci/lib.sh

ensure_packages cmake make g++ python3 strace

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cmake -S . -B "$work/build" -DCMAKE_BUILD_TYPE=Release -DMORV_BUILD_TESTS=OFF >/dev/null
cmake --build "$work/build" -j2 --target genkat morvsum katcheck >/dev/null
python3 tools/fault_sweep.py "$work/build" -j2
