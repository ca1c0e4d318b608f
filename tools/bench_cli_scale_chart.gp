# Seconds as the work grows, from the data file that bench_cli_report.py writes:
# one row per count of files, one column per tool and mode, titled in its first line.
# gnuplot -e "data='build-bench-cli/results/scale.dat'; out='docs/morvsum-scale.png'; machine='...'; mib=64" tools/bench_cli_scale_chart.gp
set terminal pngcairo size 1000,520 font "sans,11"
set output out
set title sprintf("morvsum and b3sum as the work grows, files of %d MiB from the page cache (lower is better)\n", mib).machine
set xlabel "files"
set ylabel "seconds (median)"
set logscale x 2
set logscale y 2
set grid
set key outside right top
plot for [i=2:*] data using 1:i with linespoints title columnheader(i)
