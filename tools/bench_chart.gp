# Throughput against message size, from the data file that bench_report.py writes.
# gnuplot -e "data='build-bench-g++/throughput.dat'; out='docs/throughput.png'" tools/bench_chart.gp
set terminal pngcairo size 900,560 font "sans,11"
set output out
set title "Throughput by message size (higher is better)"
set xlabel "message size (bytes)"
set ylabel "MB/s"
set logscale x 2
set format x "%.0s%cB"
set xtics 4
set key top left
set grid
plot data using 1:2 with linespoints lw 2 title "morv, 512-bit state (digest 512)", \
     data using 1:3 with linespoints lw 2 title "morv, 1024-bit state (digest 1024)", \
     data using 1:4 with linespoints lw 2 title "OpenSSL SHA-512", \
     data using 1:5 with linespoints lw 2 title "OpenSSL BLAKE2b-512"
