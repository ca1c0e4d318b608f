# Seconds per job and tool, from the data file that bench_cli_report.py writes:
# one row per job, one column per tool, titled in its first line.
# gnuplot -e "data='build-bench-cli/results/chart.dat'; out='docs/morvsum.png'; machine='...'" tools/bench_cli_chart.gp
set terminal pngcairo size 1000,520 font "sans,11"
set output out
set title "morvsum and its peers from the page cache (lower is better)\n".machine
set ylabel "seconds (median)"
set style data histograms
set style histogram clustered gap 1
set style fill solid 0.85 border -1
set boxwidth 0.9
set yrange [0:*]
set grid ytics
set key outside right top
set xtics scale 0 font ",10"
plot for [i=2:*] data using i:xtic(1) title columnheader(i)
