#!/usr/bin/env bash
# A long fuzzing campaign: each target in turn on FUZZ_JOBS cores, in chunks,
# until it has run FUZZ_GOAL executions or FUZZ_SECONDS seconds; then what it
# found is merged into its seed corpus in fuzz/corpus/ in the smallest form
# (-merge=1 keeps the seeds and adds the smallest inputs that reach code they
# do not).
# Prints the executions per target; fails when a target failed, keeping the
# input in build-fuzz/artifacts/.
#
#   tools/fuzz_campaign.sh [TARGET...]            (default: every corpus in fuzz/corpus/)
#
# FUZZ_GOAL (10000000), FUZZ_SECONDS (1800 per target), FUZZ_CHUNK (300 s),
# FUZZ_JOBS (2), FUZZ_BUILD (build-fuzz). On a shared machine: FUZZ_LOCK=FILE holds that lock (flock)
# for each chunk and FUZZ_PAUSE=SECONDS waits between chunks, so that others
# waiting for the lock get it; run it under nice -n 19.
set -euo pipefail
cd "$(dirname "$0")/.."

goal=${FUZZ_GOAL:-10000000}
budget=${FUZZ_SECONDS:-1800}
chunk=${FUZZ_CHUNK:-300}
jobs=${FUZZ_JOBS:-2}
build=${FUZZ_BUILD:-build-fuzz}
targets=("$@")
if ((${#targets[@]} == 0)); then
  for corpus in fuzz/corpus/*/; do targets+=("$(basename "$corpus")"); done
fi

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  -DMORV_BUILD_FUZZ=ON -DMORV_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j"$jobs" --target "${targets[@]/#/fuzz_}" >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$build/artifacts"
[ -z "${FUZZ_LOCK:-}" ] || exec 9>>"$FUZZ_LOCK"
summary=()
failed=()
for target in "${targets[@]}"; do
  cp -r "fuzz/corpus/$target" "$work/$target"
  runs=0 seconds=0 result=ok n=0
  while ((runs < goal && seconds < budget)); do
    ((n == 0)) || sleep "${FUZZ_PAUSE:-0}"
    n=$((n + 1))
    length=$((budget - seconds < chunk ? budget - seconds : chunk))
    [ -z "${FUZZ_LOCK:-}" ] || flock 9
    start=$(date +%s)
    # The jobs share the corpus folder; each reloads what the others add.
    for ((j = 0; j < jobs; ++j)); do
      "$build/fuzz/fuzz_$target" -max_total_time="$length" -timeout=30 -max_len=16384 \
        -malloc_limit_mb=64 -seed=$((n * 100 + j + 1)) -print_final_stats=1 \
        -artifact_prefix="$PWD/$build/artifacts/$target-" "$work/$target" \
        >"$work/$target.$n.$j.log" 2>&1 9>&- &
    done
    status=0
    for ((j = 0; j < jobs; ++j)); do wait -n || status=$?; done
    seconds=$((seconds + $(date +%s) - start))
    [ -z "${FUZZ_LOCK:-}" ] || flock -u 9
    for log in "$work/$target.$n".*.log; do
      executed=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
      runs=$((runs + ${executed:-0}))
    done
    echo "fuzz_$target: chunk $n, ${seconds}s, $runs executions"
    if ((status != 0)); then
      result=FAILED
      failed+=("$target")
      tail -n 40 "$work/$target.$n".*.log
      break
    fi
  done
  before=$(ls "fuzz/corpus/$target" | wc -l)
  # New edges only, not new hit counts of known ones: that keeps the corpus a
  # few dozen inputs.
  "$build/fuzz/fuzz_$target" -merge=1 -use_counters=0 -max_len=16384 "fuzz/corpus/$target" \
    "$work/$target" >"$work/$target.merge.log" 2>&1
  summary+=("$(printf '%-16s %-6s %6ss %12s executions %8s a second a core, corpus %3s -> %s' \
    "$target" "$result" "$seconds" "$runs" "$((runs / (seconds > 0 ? seconds : 1) / jobs))" \
    "$before" "$(ls "fuzz/corpus/$target" | wc -l)")")
done
printf '%s\n' "== fuzz campaign" "${summary[@]}"
if ((${#failed[@]})); then
  echo "targets that failed: ${failed[*]} (inputs in $build/artifacts/)"
  exit 1
fi
