#!/usr/bin/env bash
# Turns the figures of dbs_compare (its .dat file) into a bar chart of SQLite's time over DBS's per task.
# Usage: bench/plot_compare.sh build/dbs_compare.dat docs/bench/compare.png "machine description"
set -euo pipefail
dat=${1:-dbs_compare.dat}
png=${2:-compare.png}
machine=${3:-$(nproc) cores, $(uname -m)}
gnuplot <<GP
set terminal pngcairo size 1000,520 font "DejaVu Sans,10" noenhanced
set output "${png}"
set title "DBS vs SQLite: how many times faster DBS is (SQLite time / DBS time) - ${machine}"
set style data histograms
set style fill solid 0.8 border -1
set boxwidth 0.7
set logscale y 10
set yrange [0.1:*]
set grid ytics
set xtics rotate by -25 scale 0
set ylabel "speed-up (log scale)"
set key off
plot "${dat}" using 5:xtic(2) lc rgb "#2b7bb9", 1 with lines lc rgb "#cc3333" dt 2 notitle
GP
echo "wrote ${png}"
