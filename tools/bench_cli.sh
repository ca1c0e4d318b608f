#!/usr/bin/env bash
# morvsum beside b2sum, sha512sum and b3sum on the jobs users run, timed by
# hyperfine in one run from the page cache: hashing and checking (-c) 8 files of
# 64 MiB and 2000 files of 0 to 128 KiB; the cost as the work grows, 1 to 32
# files of 64 MiB, hashed and checked by morvsum with one and all workers and
# by b3sum; one 64 MiB file among the small ones, with one and two workers; one
# file alone against the morvsum of BASE (main by default); and morvsum's peak
# memory. Prints the tables with the targets, and draws docs/morvsum.png and
# docs/morvsum-scale.png. Needs hyperfine, b3sum, GNU time and, for the
# charts, gnuplot (Debian: hyperfine b3sum time gnuplot-nox).
#   tools/bench_cli.sh                  figures to quote (RUNS=5); on a machine that
#                                       is busy with other work, under nice -n -19
#   RUNS=1 LARGE_MIB=2 SMALL_FILES=100 BASE=none CHART= tools/bench_cli.sh   a quick run, as CI does
#   SCALE_FILES="8 16" tools/bench_cli.sh   other counts of files as the work grows ("" for none)
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${RUNS:-5}
large_mib=${LARGE_MIB:-64}
small_files=${SMALL_FILES:-2000}
scale_files=${SCALE_FILES-1 2 4 8 16 32}
# 8 files of large_mib for the large jobs, and as many more as the largest count asks.
large_files=8
for n in $scale_files; do [ "$n" -le "$large_files" ] || large_files=$n; done
build=build-bench-cli
out=$build/results
rm -rf "$out" && mkdir -p "$out"

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DMORV_BUILD_TESTS=OFF -DMORV_BUILD_PYTHON=OFF >/dev/null
cmake --build "$build" -j2 --target morvsum >/dev/null
morvsum=$PWD/$build/cli/morvsum

# The morvsum to compare one file alone with, built the same way (BASE=none: no comparison).
base=${BASE:-$(git rev-parse -q --verify main || git rev-parse -q --verify origin/main || echo none)}
before=
if [ "$base" != none ]; then
  rm -rf "$build/base-src" && mkdir -p "$build/base-src"
  git archive "$base" | tar -x -C "$build/base-src"
  cmake -S "$build/base-src" -B "$build/base" -DCMAKE_BUILD_TYPE=Release -DMORV_BUILD_TESTS=OFF \
    -DMORV_BUILD_PYTHON=OFF >/dev/null
  cmake --build "$build/base" -j2 --target morvsum >/dev/null
  before=$PWD/$build/base/cli/morvsum
fi

# The files, from a fixed seed; made again only when the sizes change.
# The large files beyond the first 8 go to more/, after the small ones, so that
# large/ and small/ hold the same bytes whatever the count.
data=$build/data-$large_mib-$small_files-$large_files
if [ ! -d "$data" ]; then
  rm -rf "$build"/data-*
  python3 - "$data" "$large_mib" "$small_files" "$large_files" <<'EOF'
import pathlib, random, sys
root, large_mib, small_files, large_files = pathlib.Path(sys.argv[1]), *map(int, sys.argv[2:5])
rng = random.Random(20)
for folder in ("large", "small", "more"):
    (root / folder).mkdir(parents=True)
for i in range(8):
    (root / "large" / f"f{i}").write_bytes(rng.randbytes(large_mib << 20))
for i in range(small_files):
    (root / "small" / f"s{i:04d}").write_bytes(rng.randbytes(rng.randint(0, 128 << 10)))
for i in range(8, large_files):
    (root / "more" / f"f{i:02d}").write_bytes(rng.randbytes(large_mib << 20))
EOF
fi
results=$PWD/$out
cd "$data"
for set in large small; do
  "$morvsum" $set/* >$set.morv
  b2sum $set/* >$set.b2
  sha512sum $set/* >$set.sha512
  b3sum $set/* >$set.b3
done

cpus=$(nproc)
workers=(--threads=1 --threads=2)
[ "$cpus" -eq 2 ] || workers+=("")  # all workers, when they are not 2

# Each round runs every command of a job once, in a new order, so that a change
# in the machine's load meets all of them alike; the report takes medians of the
# rounds and of each round's ratios. The first round warms the page cache.
rounds() {  # JOB ROUNDS NAME COMMAND [NAME COMMAND]...
  local job=$1 count=$2 round order i args
  shift 2
  local commands=("$@") pairs=$(($# / 2))
  for round in $(seq 0 "$count"); do
    order=$(seq 0 $((pairs - 1)) | shuf --random-source=<(yes "$job $round"))
    args=()
    for i in $order; do args+=(-n "${commands[2 * i]}" "${commands[2 * i + 1]}"); done
    hyperfine -N --style none --runs 1 --export-json "$results/$job.$round.json" "${args[@]}" \
      >/dev/null 2>>"$results/hyperfine.log"
  done
  rm "$results/$job.0.json"
}
time_job() {  # JOB SET hash|check: every command on the set of files
  local job=$1 set=$2 mode=$3 commands=() w
  input() { if [ "$mode" = check ]; then echo "-c $set.$1"; else echo $set/*; fi; }
  for w in "${workers[@]}"; do commands+=("morvsum ${w:---all}" "$morvsum $w $(input morv)"); done
  commands+=(b2sum "b2sum $(input b2)" sha512sum "sha512sum $(input sha512)"
             b3sum "b3sum $(input b3)" "b3sum --num-threads=1" "b3sum --num-threads 1 $(input b3)")
  rounds "$job" "$runs" "${commands[@]}"
}
time_job hash-large large hash
time_job check-large large check
time_job hash-small small hash
time_job check-small small check

# The cost as the work grows: the first n large files, morvsum with one and all
# workers and b3sum with all threads, hashing and checking.
all_large=(large/* more/*)
for n in $scale_files; do
  set=("${all_large[@]:0:n}")
  "$morvsum" "${set[@]}" >scale-$n.morv
  b3sum "${set[@]}" >scale-$n.b3
  rounds scale-hash-$n "$runs" "morvsum --threads=1" "$morvsum --threads=1 ${set[*]}" \
    "morvsum --all" "$morvsum ${set[*]}" b3sum "b3sum ${set[*]}"
  rounds scale-check-$n "$runs" "morvsum --threads=1" "$morvsum --threads=1 -c scale-$n.morv" \
    "morvsum --all" "$morvsum -c scale-$n.morv" b3sum "b3sum -c scale-$n.b3"
done

# One huge file first among the small ones: its lane runs on while the others end.
mixed=(large/f0 small/*)
mixed_commands=()
for w in "${workers[@]}"; do mixed_commands+=("morvsum ${w:---all}" "$morvsum $w ${mixed[*]}"); done
rounds hash-mixed "$runs" "${mixed_commands[@]}"
rounds one-file $((2 * runs)) ${before:+"morvsum before" "$before large/f0"} \
  "morvsum --all" "$morvsum large/f0" "morvsum --threads=1" "$morvsum --threads=1 large/f0"

# Peak memory (maximum resident set) of morvsum with all its workers.
for set in large small; do
  /usr/bin/time -f "hash $set %M" -a -o "$results/rss" "$morvsum" $set/* >/dev/null
  /usr/bin/time -f "check $set %M" -a -o "$results/rss" "$morvsum" -c $set.morv >/dev/null
done
cd - >/dev/null

cpu() { sed -n "s/^$1\s*: //p" /proc/cpuinfo | head -1; }
features=$(cpu flags | tr ' ' '\n' | grep -xE 'avx2|avx512f|avx512vl' | tr '\n' ' ')
machine="$(cpu 'model name') (family $(cpu 'cpu family'), model $(cpu model); ${features% }), $cpus CPUs"
python3 tools/bench_cli_report.py "$out" "$machine" "$("$morvsum" --version | sed -n 2p)" "$large_mib" \
  "$small_files" "$scale_files"
chart=${CHART-docs/morvsum.png}  # CHART= draws nothing
if [ -n "$chart" ] && command -v gnuplot >/dev/null; then
  gnuplot -e "data='$out/chart.dat'; out='$chart'; machine='$machine'" tools/bench_cli_chart.gp
  echo "chart: $chart"
  if [ -n "$scale_files" ]; then
    gnuplot -e "data='$out/scale.dat'; out='${chart%.png}-scale.png'; machine='$machine'; mib=$large_mib" \
      tools/bench_cli_scale_chart.gp
    echo "chart: ${chart%.png}-scale.png"
  fi
fi
