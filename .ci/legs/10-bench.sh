#!/usr/bin/env bash
# The benchmarks build and run (briefly: CI's machines are too noisy for figures;
# tools/bench.sh and tools/bench_cli.sh measure them): the library's, then
# morvsum beside its peers on small files. About 1 minute.
set -euo pipefail
cd "$(dirname "$0")/../.."
source .ci/lib.sh
ensure_packages cmake make g++ libbenchmark-dev libssl-dev hyperfine b3sum coreutils time

cmake -S . -B build-bench-ci -DMORV_BUILD_BENCH=ON -DMORV_BUILD_TESTS=OFF >/dev/null
cmake --build build-bench-ci -j2 --target morv_bench morv_count_instructions
build-bench-ci/bench/morv_bench --benchmark_filter='/(64|1024)$' --benchmark_min_time=0.01
build-bench-ci/bench/morv_count_instructions | while read -r width kernel; do
  build-bench-ci/bench/morv_count_instructions "$width" "$kernel" 1000
done
RUNS=1 LARGE_MIB=2 SMALL_FILES=100 BASE=none CHART= tools/bench_cli.sh
