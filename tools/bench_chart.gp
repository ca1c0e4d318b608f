# Throughput against message size, from the data file that bench_report.py writes:
# one column per implementation, titled in its first line.
# gnuplot -e "data='build-bench-g++/throughput.dat'; out='docs/throughput.png'" tools/bench_chart.gp
set terminal pngcairo size 900,560 font "sans,11"
set output out
set title "Throughput by message size (higher is better)"
set xlabel "message size (bytes)"
set ylabel "MB/s"
set logscale x 2
set xtics ("16 B" 16, "64 B" 64, "256 B" 256, "1 KiB" 1024, "4 KiB" 4096, "16 KiB" 16384, \
           "64 KiB" 65536, "256 KiB" 262144, "1 MiB" 1048576, "4 MiB" 4194304, "16 MiB" 16777216)
set xrange [12:22e6]
set yrange [0:*]
set key bottom right
set grid
plot for [i=2:*] data using 1:i with linespoints lw 2 title columnheader(i)
