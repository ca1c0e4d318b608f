#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a bounded time on a
# copy of its seed corpus (the repo stays unchanged). Any crash, sanitizer report
# or failed check fails the leg; the input that caused it is kept in
# build-fuzz/artifacts/. FUZZ_SECONDS sets the time per target (default 30).
set -euo pipefail
cd "$(dirname "$0")/../.."
source .ci/lib.sh

ensure_packages cmake make clang libclang-rt-14-dev

seconds=${FUZZ_SECONDS:-30}
cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  -DMORV_BUILD_FUZZ=ON -DMORV_BUILD_TESTS=OFF
cmake --build build-fuzz -j2 --target \
  fuzz_hash_split fuzz_kernels fuzz_batch fuzz_kat_generators fuzz_katcheck

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p build-fuzz/artifacts
failed=()
summary=()
for corpus in fuzz/corpus/*/; do
  target=$(basename "$corpus")
  cp -r "$corpus" "$work/$target"
  seeds=$(ls "$work/$target" | wc -l)
  echo "== fuzz_$target for ${seconds}s on $seeds seeds"
  # Inputs larger than the biggest valid record find nothing new; a single run
  # above 30 s is a hang, and one allocation of 64 MiB a fault: no input of
  # 16 KiB needs it.
  if build-fuzz/fuzz/fuzz_"$target" -max_total_time="$seconds" -timeout=30 -max_len=16384 \
      -malloc_limit_mb=64 \
      -artifact_prefix="$PWD/build-fuzz/artifacts/$target-" -print_final_stats=1 \
      "$work/$target" > "$work/$target.log" 2>&1; then
    result=ok
  else
    result=FAILED
    failed+=("$target")
    tail -n 60 "$work/$target.log"
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/$target.log")
  summary+=("$(printf '%-24s %-6s %10s runs, corpus %3s -> %s' "$target" "$result" "${runs:-?}" "$seeds" \
    "$(ls "$work/$target" | wc -l)")")
done
printf '%s\n' "== fuzz summary" "${summary[@]}"
if ((${#failed[@]})); then
  echo "fuzz targets that failed: ${failed[*]} (inputs in build-fuzz/artifacts/)"
  exit 1
fi
