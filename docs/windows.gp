# Benefit and utilization over time, one line per log, from the table of
# windows in the file named by `table`, drawn into the PNG file named by
# `picture`. Each point is a window, at its middle. docs/windows.png is
#   build/default/runtally-table --window=0.2 examples/*.log >/tmp/windows.tsv
#   gnuplot -e 'table = "/tmp/windows.tsv"; picture = "docs/windows.png"' docs/windows.gp
set terminal pngcairo size 900,600 font "sans,10"
set output picture
set datafile separator "\t"
set datafile columnheaders
logs = system("cut -f 1 '" . table . "' | tail -n +2 | uniq")
middle = '(column("from") + column("to")) / 2'
of(log, name) = strcol("log") eq log ? column(name) : NaN
set key outside right
set grid
set multiplot layout 2,1
set ylabel "benefit in the window"
plot for [log in logs] table using @middle:(of(log, "benefit")) with linespoints title log
set ylabel "utilization"
set xlabel "sample time (s)"
plot for [log in logs] table using @middle:(of(log, "utilization")) with linespoints title log
unset multiplot
