#!/usr/bin/env bash
# Builds the benchmarks in Release and prints the throughput table, the
# instruction count of each kernel's ProcessBlocks, and draws docs/throughput.png.
#   tools/bench.sh            g++ (or $CXX)
#   CXX=clang++ tools/bench.sh
set -euo pipefail
cd "$(dirname "$0")/.."
compiler=${CXX:-g++}
build=build-bench-$(basename "$compiler")
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_COMPILER="$compiler" \
  -DMORV_BUILD_BENCH=ON -DMORV_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target morv_bench morv_count_instructions >/dev/null

json="$build/bench.json"
"$build/bench/morv_bench" --benchmark_repetitions="${REPETITIONS:-5}" --benchmark_min_time="${MIN_TIME:-0.2}" \
  --benchmark_enable_random_interleaving=true --benchmark_report_aggregates_only=true \
  --benchmark_out="$json" --benchmark_out_format=json >/dev/null
python3 tools/bench_report.py "$json" "$compiler"

# Instructions per byte of each kernel's ProcessBlocks: the difference of two runs removes start-up costs.
if command -v valgrind >/dev/null; then
  count() {
    valgrind --tool=callgrind --callgrind-out-file=/dev/null "$build/bench/morv_count_instructions" "$@" 2>&1 |
      awk '/Collected/ {print $4}'
  }
  "$build/bench/morv_count_instructions" | while read -r width kernel; do
    small=$(count "$width" "$kernel" 10000)
    large=$(count "$width" "$kernel" 30000)
    echo "$width-bit ProcessBlocks, $kernel kernel: $(python3 -c \
      "print(f'{($large - $small) / (20000 * $width // 8):.2f}')") instructions per byte (callgrind)"
  done
fi

if command -v gnuplot >/dev/null; then
  gnuplot -e "data='$build/throughput.dat'; out='docs/throughput.png'" tools/bench_chart.gp
  echo "chart: docs/throughput.png"
fi
