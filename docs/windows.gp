# Benefit per second of sample time and utilization over time, one line per
# log, from the table of windows in the file named by `table`, drawn into
# the PNG file named by `picture`. Each point is a window, at its middle; a
# window without samples (empty utilization, no seconds) leaves a gap. The
# benefit of a window is a sum over its samples, whose periods need not fill
# it (the last window of a log is partial), so it is drawn per second of
# the window's sample time. docs/windows.png is
#   build/default/runtally-table --window=0.2 examples/*.log >/tmp/windows.tsv
#   gnuplot -e 'table = "/tmp/windows.tsv"; picture = "docs/windows.png"' docs/windows.gp
set terminal pngcairo size 900,600 font "sans,10" noenhanced
set output picture
set datafile separator "\t"
set datafile columnheaders
# The table's path in single quotes for the shell, each quote in it as '\''.
quotes_escaped(s) = strstrt(s, "'") == 0 ? s : \
    substr(s, 1, strstrt(s, "'") - 1) . "'\\''" . quotes_escaped(substr(s, strstrt(s, "'") + 1, strlen(s)))
quoted(s) = "'" . quotes_escaped(s) . "'"
# The logs' names, one a line in the order of the table: as gnuplot's word
# lists split on blanks, each name is taken from its own line.
names = "cut -f 1 " . quoted(table) . " | tail -n +2 | uniq"
logs = int(system(names . " | wc -l"))
array log[logs]
do for [i = 1:logs] { log[i] = system(sprintf("%s | sed -n %dp", names, i)) }
middle = '(column("from") + column("to")) / 2'
# A column of log i's rows, NaN elsewhere and where it is empty.
of(i, name) = strcol("log") eq log[i] && strcol(name) ne "" ? column(name) : NaN
set key outside right
set grid
set multiplot layout 2,1
set ylabel "benefit per second of sample time"
plot for [i = 1:logs] table using @middle:(of(i, "benefit") / of(i, "seconds")) with linespoints title log[i]
set ylabel "utilization"
set xlabel "sample time (s)"
plot for [i = 1:logs] table using @middle:(of(i, "utilization")) with linespoints title log[i]
unset multiplot
