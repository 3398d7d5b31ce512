# Benefit and utilization over time, one line per log, from the table that
#   build/default/runtally-table --window=0.2 examples/*.log >windows.tsv
# writes; draws docs/windows.png. Each point is a window, at its middle.
set terminal pngcairo size 900,600 font "sans,10"
set output "docs/windows.png"
set datafile separator "\t"
set datafile columnheaders
logs = system("cut -f 1 windows.tsv | tail -n +2 | uniq")
middle = '(column("from") + column("to")) / 2'
of(log, name) = strcol("log") eq log ? column(name) : NaN
set key outside right
set grid
set multiplot layout 2,1
set ylabel "benefit in the window"
plot for [log in logs] "windows.tsv" using @middle:(of(log, "benefit")) with linespoints title log
set ylabel "utilization"
set xlabel "sample time (s)"
plot for [log in logs] "windows.tsv" using @middle:(of(log, "utilization")) with linespoints title log
unset multiplot
