#!/usr/bin/env bash
# runtally-table end to end, case by case: exact standard output, standard
# error and exit status; then each format read back by a real parser.
# Usage: table_test.sh PATH-TO-RUNTALLY-TABLE
set -u
table=$(realpath "$1")
source_dir=$(realpath "$(dirname "$0")/../..")
source "$(dirname "$0")/harness.sh"

# sample B MCPU P: one line of the five-value form.
sample() { printf 'L:1, CPU:0.5, B:%s, MCPU:%s, P:%s\n' "$@"; }
for b in 1 2 0 4 1 1 2 2; do sample "$b" 0.5 250000; done >quarter.log
{ sample 1 0.5 1000000; sample 2 0.5 1000000; sample 1 0.25 3000000; sample 3 0.5 1000000; } >gap.log
{ printf 'L:1, CPU:0.5, B:1, MCPU:0.5,\nL:1, CPU:0.5, B:2, MCPU:0.5,\n'; for b in 3 3 1; do sample "$b" 0.5 500000; done; } >no-period.log
{ sample 1 0.5 1000000; sample 2 0.5 -2000000; sample 4 0.5 1000000; sample 1 0.5 1000000; } >back.log
{ sample 1 0.5 1000000; sample 2 0.5 1000000; echo '# restarted'; sample 2 0.5 1000000; } >damaged.log
printf 'L:1, CPU:0.5, B:1, MCPU:0.5\nL:2, CPU:0.5, B:3, MCPU:0.5\nL:3, CPU:0.5, B:2, MCPU:0.5\n' >short.log
# A record, 10,000 line ends, a restart banner: more line ends than a byte
# lane of the line count holds.
{ sample 1 0.5 1000; head -c 10000 /dev/zero | tr '\0' '\n'; echo '# restarted'; sample 1 0.5 1000; } >many-lines.log
{ sample 1 0.5 1000; printf 'L:2, CPU:0.5, \n'; } >partial.log
for i in $(seq 12); do sample 1 0.5 100000; done >tenths.log
sample inf 0.5 1000 >inf.log
sample -inf 0.5 1000 >minus-inf.log
mkdir directory

head=$'log\tfrom\tto\tsamples\tcomplete\tstop\terror\tseconds\tbenefit\tinstability\tutilization\tmissed\tmissed_percent\toutcome\tuncounted'
check "exact windows: periods of 0.25 s, windows of 1 s" 0 "$head
quarter.log	0	1	4				1	1.75	7	0.375	1	25		
quarter.log	1	2	4	true			1	1.5	4	0.5	0	0	whole	0
" "" '"$table" --window=1 quarter.log'

check "empty windows in the middle; a sample's period counts where it starts" 0 "$head
gap.log	0	1	1				1	1	0	0.5	0	0		
gap.log	1	2	1				1	2	1	0.5	0	0		
gap.log	2	3	1				3	3	1	0.25	0	0		
gap.log	3	4	0				0	0	0		0			
gap.log	4	5	0				0	0	0		0			
gap.log	5	6	1	true			1	3	2	0.5	0	0	whole	0
" "" '"$table" --window 1 gap.log'

for b in 1 2 1; do sample "$b" 0.5 8300000; done >bound.log
check "a sample that starts on a bound that no double holds (8.3 s)" 0 "$head
bound.log	0	8.3	1				8.3	8.3	0	0.5	0	0		
bound.log	8.3	16.6	1				8.3	16.6	1	0.5	0	0		
bound.log	16.6	24.9	1	true			8.3	8.3	1	0.5	0	0	whole	0
" "" '"$table" --window=8.3 bound.log'

check "a window larger than the log" 0 "$head
quarter.log	0	100	8	true			2	3.25	11	0.4375	1	12.5	whole	0
" "" '"$table" --window=100 quarter.log'

check "the first samples have no period yet: they weigh no time" 0 "$head
no-period.log	0	1	4				1	3	2	0.5	0	0		
no-period.log	1	2	1	true			0.5	0.5	2	0.5	0	0	whole	0
" "" '"$table" --window=1 no-period.log'

check "a negative period: windows never go back" 0 "$head
back.log	0	1	1				1	1	0	0.5	0	0		
back.log	1	2	3	true			0	1	6	0	0	0	whole	0
" "" '"$table" --window=1 back.log'

check "windows of a tenth of a second: each from is the to before it" 0 "from	to
0	0.1
0.1	0.2
0.2	0.3
0.3	0.4
0.4	0.5
0.5	0.6
0.6	0.7
0.7	0.8
0.8	0.9
0.9	1
1	1.1
1.1	1.2
" "" '"$table" --window=0.1 tenths.log | cut -f 2,3'

check "windows of samples" 0 "$head
quarter.log	0	3	3				0.75	0.75	3	0.3333333333333333	1	33.33333333333333		
quarter.log	3	6	3				0.75	1.5	7	0.5	0	0		
quarter.log	6	8	2	true			0.5	1	1	0.5	0	0	whole	0
" "" '"$table" --window-samples=3 quarter.log'

check "windows of samples, four-value form" 0 'log	from	to	samples	complete	stop	error	benefit	instability	outcome	uncounted
short.log	0	2	2				2	1		
short.log	2	3	1	true			2	1	whole	0
' "" '"$table" --short --window-samples 2 short.log'

check "the last window of a damaged log tells where it stops; a missing log has one row" 1 "$head
damaged.log	0	1	1				1	1	0	0.5	0	0		
damaged.log	1	2	1	false	3:1		1	2	1	0.5	0	0	stopped	1
missing.log	0	1	0	false		No such file or directory	0	0	0		0		unreadable	
" $'runtally-table: missing.log: No such file or directory\n' '"$table" --window=1 damaged.log missing.log'

whole=$'log\tsamples\tcomplete\tstop\terror\tseconds\tbenefit\tinstability\tutilization\tmissed\tmissed_percent\toutcome\tuncounted'
check "whole logs; the period carries from log to log" 0 "$whole
gap.log	4	true			6	9	4	0.375	0	0	whole	0
no-period.log	5	true			3.5	6.5	4	0.5	0	0	whole	0
" "" '"$table" gap.log no-period.log'

check "the four-value form" 1 'log	samples	complete	stop	error	benefit	instability	outcome	uncounted
short.log	3	true			2	1	whole	0
quarter.log	1	false	1:28		1	0	stopped	7
' "" '"$table" --short short.log quarter.log'

check "csv and json" 1 'log,samples,complete,stop,error,seconds,benefit,instability,utilization,missed,missed_percent,outcome,uncounted,log_bytes
damaged.log,2,false,3:1,,2,3,1,0.5,0,0,stopped,1,
{"log":"damaged.log","samples":2,"complete":false,"stop":"3:1","error":null,"seconds":2,"benefit":3,"instability":1,"utilization":0.5,"missed":0,"missed_percent":0,"outcome":"stopped","uncounted":1,"log_bytes":null}
' "" '"$table" --format=csv damaged.log; "$table" --format json damaged.log'

check "standard input, and lists of logs" 1 "$whole
-	8	true			2	3.25	11	0.4375	1	12.5	whole	0
gap.log	4	true			6	9	4	0.375	0	0	whole	0
-	0	false		standard input was read already	0	0	0	0	0	0	unreadable	
" $'runtally-table: -: standard input was read already\n' \
    'printf "gap.log\0-" >list0; "$table" --files0-from=list0 - <quarter.log'
check "a list on standard input" 1 "$whole
gap.log	4	true			6	9	4	0.375	0	0	whole	0
-	0	false		standard input holds the list of logs	0	0	0	0	0	0	unreadable	
" $'runtally-table: -: standard input holds the list of logs\n' 'printf "gap.log\n-\n" | "$table" --files-from=-'

# One log of each outcome, damaged as a crash, a killed run, a power loss
# and a restart banner leave it.
: >empty.log
{ sample 1 0.5 1000000; printf 'L:1, CPU:0.5, B:1, MCPU:0.5, P:56'; } >no-line-end.log
{ sample 1 0.5 1000000; printf '\0\0\0\0'; } >nul-after.log
{ sample 1 0.5 1000000; echo x; sample 1 0.5 1000000; printf '\0\n'; sample 1 0.5 1000000; } >nul-in-rest.log
check "the outcome of each log, and the records not counted after a stop" 1 "log	samples	complete	stop	outcome	uncounted
empty.log	0	false		empty	0
no-line-end.log	2	false	2:34	cut	0
nul-after.log	1	false	2:1	cut	0
damaged.log	2	false	3:1	stopped	1
nul-in-rest.log	1	false	2:1	stopped	1
missing.log	0	false		unreadable	
" $'runtally-table: missing.log: No such file or directory\n' \
    '"$table" empty.log no-line-end.log nul-after.log damaged.log nul-in-rest.log missing.log | cut -f 1-4,12-; exit ${PIPESTATUS[0]}'
for case in "0|--allow-cut-end --allow-empty empty.log no-line-end.log nul-after.log" "1|--allow-cut-end empty.log" \
    "1|--allow-empty no-line-end.log" "1|--allow-cut-end --allow-empty damaged.log"; do
    check "exit status: ${case#*|}" "${case%%|*}" "" "" "\"\$table\" ${case#*|} >/dev/null"
done
check "windows in JSON: the verdict null until a log's last window" 0 '{"log":"no-line-end.log","from":0,"to":1,"samples":1,"complete":null,"stop":null,"error":null,"seconds":1,"benefit":1,"instability":0,"utilization":0.5,"missed":0,"missed_percent":0,"outcome":null,"uncounted":null,"log_bytes":null}
{"log":"no-line-end.log","from":1,"to":2,"samples":1,"complete":false,"stop":"2:34","error":null,"seconds":5.6e-05,"benefit":5.6e-05,"instability":0,"utilization":0.5,"missed":0,"missed_percent":0,"outcome":"cut","uncounted":0,"log_bytes":null}
{"log":"gap.log","from":3,"to":4,"samples":0,"complete":null,"stop":null,"error":null,"seconds":0,"benefit":0,"instability":0,"utilization":null,"missed":0,"missed_percent":null,"outcome":null,"uncounted":null,"log_bytes":null}
' "" '"$table" --allow-cut-end --format=json --window-samples=1 no-line-end.log; "$table" --format=json --window=1 gap.log | sed -n 4p'
check "a window of samples beyond 64 bits: larger than any log" 0 "log	from	to	samples
quarter.log	0	8	8
" "" '"$table" --window-samples=99999999999999999999 quarter.log | cut -f 1-4'
check "an endless stream of NUL bytes ends" 1 "log	samples	complete	stop	outcome	uncounted
/dev/zero	0	false	1:1	stopped	0
" "" 'timeout 20 "$table" /dev/zero | cut -f 1-4,12-; exit ${PIPESTATUS[0]}'
check "a log given as the list of logs: a warning" 1 "log	samples	complete	stop
L:1, CPU:0.5, B:1, MCPU:0.5, P:1000000	0	false	
" "runtally-table: no-line-end.log: warning: its first line is a record: this looks like a log, not a list of logs
runtally-table: L:1, CPU:0.5, B:1, MCPU:0.5, P:1000000: No such file or directory
runtally-table: L:1, CPU:0.5, B:1, MCPU:0.5, P:56: No such file or directory
" '"$table" --files-from=no-line-end.log | cut -f 1-4 | head -n 2; exit ${PIPESTATUS[0]}'
: >no-logs
check "a list that names no log: a usage error, and no header" 2 "" "runtally-table: no log named in the list 'no-logs'
usage: runtally-table [OPTION]... [--] LOG...
   or: runtally-table --merge [OPTION]... [--] TABLE...
Try 'runtally-table --help' for more.
" '"$table" --files-from=no-logs'
check "a log that stops after 10,000 line ends, and one that ends in a record cut off and white space" 1 "$whole
many-lines.log	1	false	10002:1		0.001	0.001	0	0.5	0	0	stopped	1
partial.log	1	false	3:1		0.001	0.001	0	0.5	0	0	cut	0
" "" '"$table" many-lines.log partial.log'
check "a list of logs that cannot be read" 1 "$whole
" $'runtally-table: directory: Is a directory\n' '"$table" --files-from=directory'

# The run's summary: runtally's sums over the logs, whatever their outcome,
# and the logs of each; over no log (tables with no row) no averages.
summary_head=$'logs\tsamples\tmissed\ttotal_benefit\ttotal_instability\ttotal_utilization\taverage_benefit\taverage_instability\taverage_missed\tmissed_frequency_percent\tseconds\twhole_logs\tempty_logs\tcut_logs\tstopped_logs\tunreadable_logs\tuncounted'
check "the summary of one log" 0 "$summary_head
1	8	1	3.25	11	0.4375	3.25	11	1	12.5	2	1	0	0	0	0	0
" "" '"$table" --summary quarter.log'
check "the summary of logs that are empty, cut, stop or cannot be read: each counts as runtally counts it" 1 "$summary_head
5	12	1	7.250056	12	1.4375	1.4500112	2.4	0	2.5	5.000056	1	1	1	1	1	1
" $'runtally-table: missing.log: No such file or directory\n' \
    '"$table" --summary quarter.log empty.log no-line-end.log damaged.log missing.log'
check "the summary of no log: tables with no row" 0 "logs,samples,missed,total_benefit,total_instability,total_utilization,average_benefit,average_instability,average_missed,missed_frequency_percent,seconds,whole_logs,empty_logs,cut_logs,stopped_logs,unreadable_logs,uncounted
0,0,0,0,0,0,,,,,0,0,0,0,0,0,0
" "" ': >no-rows.json; "$table" --merge --summary --format=csv no-rows.json - </dev/null'

# Tables merged: the rows as they were written, from every format and into
# every format, also from tables joined with their headers; the summary of
# the merged tables is that of one run over their logs.
"$table" quarter.log damaged.log "$hostile_name" 'back\slash' 2>/dev/null >first.tsv
"$table" --format=csv gap.log "$hostile_name" 2>/dev/null >second.csv
"$table" --format=json nul-in-rest.log empty.log quarter.log >third.json
check "a merge of a table of each format, the name with control bytes intact" 1 \
    "$("$table" quarter.log damaged.log "$hostile_name" 'back\slash' gap.log "$hostile_name" nul-in-rest.log empty.log \
        quarter.log 2>/dev/null)
" "" '"$table" --merge first.tsv second.csv third.json'
for format in tsv csv json; do
    check "a merge into $format: one run's table" 1 \
        "$("$table" --format=$format quarter.log damaged.log "$hostile_name" 'back\slash' gap.log "$hostile_name" nul-in-rest.log \
            empty.log quarter.log 2>/dev/null)
" "" '"$table" --merge --format='$format' first.tsv second.csv third.json'
done
check "a merge of joined tables, headers repeated, on standard input" 1 \
    "$("$table" quarter.log damaged.log "$hostile_name" 'back\slash' quarter.log damaged.log "$hostile_name" 'back\slash' 2>/dev/null)
" "" 'cat first.tsv first.tsv | "$table" --merge -'
check "the summary of merged tables is one run's" 1 \
    "$("$table" --summary quarter.log damaged.log "$hostile_name" 'back\slash' gap.log "$hostile_name" gap.log "$hostile_name" \
        nul-in-rest.log empty.log quarter.log 2>/dev/null)
" "" 'cat second.csv second.csv | "$table" --merge --summary first.tsv - third.json'
check "a merge's status: 0 where every log passes, as allowed" 0 "" "" \
    '"$table" --allow-empty --merge <("$table" quarter.log empty.log) >/dev/null'

# A table that --merge cannot read ends it, named with its line.
{ head -n 1 first.tsv; sed -n 2p first.tsv | head -c 20; } >cut.tsv
"$table" --window=1 quarter.log >windows.tsv
"$table" --summary quarter.log >summary.tsv
"$table" --short short.log >short.tsv
printf 'name,value\nquarter.log,1\n' >other.csv
sed 's/\t3.25\t/\t3.25x\t/' first.tsv >figure.tsv
sed '1s/"samples":1,/"samples":-1,/' third.json >count.json
sed $'s/,whole,/,wh\eole,/' second.csv >outcome.csv
sed 's/true/false/' first.tsv >complete.tsv
{ head -n 1 first.tsv; sed -n 2p first.tsv | cut -f 1-12; } >fields.tsv
sed '1s/"benefit":1,//' third.json >member.json
for case in "cut.tsv:2: the line has no line end: the table is cut short" \
    "windows.tsv:1: a table of windows (--window, --window-samples): --merge reads tables of one row a log" \
    "summary.tsv:1: a summary (--summary): --merge reads tables of one row a log" \
    "other.csv:1: not a table that runtally-table wrote: no header of its own before this line" \
    "short.tsv:2: a table of the four-value form (--short) after one of five values" \
    "figure.tsv:2: the benefit column holds no figure: '3.25x'" \
    "count.json:1: the samples column holds no count: '-1'" \
    "outcome.csv:2: the outcome 'wh\\x1bole' is none of runtally-table's" \
    "complete.tsv:2: complete and the outcome disagree: complete is true for a whole log alone" \
    "fields.tsv:2: 12 fields where the header has 13 columns" \
    "member.json:1: 13 members where a row of runtally-table has 14"; do
    check "a table --merge cannot read: ${case#*: }" 1 "$(cat first.tsv)
" "runtally-table: ${case}
" '"$table" --merge first.tsv '"${case%%:*}"
done

# The README's recipe across machines, on this one: the logs in four shares
# run by GNU parallel, each as JSON, then merged: in each format, one run's
# table and summary, byte for byte.
if command -v parallel >/dev/null; then
    printf '%s\n' quarter.log gap.log damaged.log no-line-end.log empty.log nul-in-rest.log many-lines.log \
        partial.log missing.log tenths.log inf.log bound.log "$hostile_name" >recipe-logs
    split -n l/4 -d recipe-logs share.
    parallel "\"$table\" --format=json --files-from={} >{}.json 2>/dev/null" ::: share.0?
    for format in tsv csv json; do
        for summary in "" --summary; do
            check "four shares by GNU parallel, merged: one run's ${summary:-table} in $format" 1 \
                "$("$table" $summary --format=$format --files-from=recipe-logs 2>/dev/null)
" "" '"$table" --merge '"$summary"' --format='"$format"' share.0?.json'
        done
    done
elif [[ ${CI:-} == true ]]; then
    echo "FAIL: GNU parallel is not installed, and CI=true: CI must run the recipe across machines (apt-get install parallel)"
    failures=$((failures + 1))
else
    echo "skipped: the recipe across machines: GNU parallel is not installed (Debian package parallel)"
fi

# Several jobs write what one job writes, byte for byte, in the list's
# order: the period carried from the log before, standard input, lists.
printf 'gap.log\nno-period.log\ntenths.log\n-\nmissing.log\nbound.log\nquarter.log\nno-period.log\ntenths.log\n' >jobs-list
for options in "--window=0.5" "--summary" "--format=json --window-samples=2" ""; do
    check "--jobs=3 $options: the output of one job" 1 "$("$table" $options --files-from=jobs-list <damaged.log 2>/dev/null)
" $'runtally-table: missing.log: No such file or directory\n' \
        '"$table" --jobs=3 '"$options"' --files-from=jobs-list <damaged.log'
done
# The log before is slow to come: the second job must wait for its period.
check "--jobs=2: a log's first samples wait for the period of the log before" 0 \
    "$(cat gap.log quarter.log | "$table" - no-period.log)
" "" '{ cat gap.log; sleep 0.3; cat quarter.log; } | "$table" --jobs=2 - no-period.log'

# Compressed logs, in each format the build reads: the same rows, byte for
# byte, as the logs uncompressed (the log column aside), also as several
# streams one after the other and on standard input; a truncated archive
# and a damaged one are unreadable, as their library tells it, and the
# samples read before the fault stand.
# Long enough for a block of each format (bzip2's are 900 kB) before its middle.
awk 'BEGIN { for (i = 1; i <= 80000; i++) printf "L:1, CPU:0.5, B:%d, MCPU:0.5, P:%d\n", i % 7, 1000 + i }' >long.log
cat quarter.log gap.log >joined.log
formats_read_by "$table"
for format in "${formats[@]}"; do
    # shellcheck disable=SC2086  # the entry's words
    set -- $format
    kind=$1 suffix=$2
    shift 2
    # Named on the command line, so that gzip writes the name in its header.
    for log in quarter damaged long; do "$@" $log.log >$log.log$suffix; done
    "$@" <gap.log >gap.part
    cat quarter.log$suffix gap.part >joined.log$suffix
    check "$kind logs give the rows of the logs uncompressed, several streams one after the other too" 0 "" "" \
        'for log in quarter damaged long joined; do
             cmp <("$table" --window-samples=100 $log.log | cut -f 2-) <("$table" --window-samples=100 $log.log$suffix | cut -f 2-) || exit 1
         done'
    check "a $kind log on standard input, labelled" 0 "log	samples	complete
quarter.log$suffix	8	true
" "" '"$table" --label="quarter.log$suffix" - <quarter.log$suffix | cut -f 1-3'
    size=$(stat -c %s long.log$suffix)
    head -c $((size / 2)) long.log$suffix >truncated$suffix
    check "a truncated $kind archive: unreadable, the samples before the fault stand" 0 "log	complete	error	outcome
truncated$suffix	false	$kind: unexpected end of file	unreadable
" "runtally-table: truncated$suffix: $kind: unexpected end of file
" '"$table" truncated$suffix | cut -f 1,3,5,12; "$table" truncated$suffix 2>/dev/null | awk -F "\t" "NR == 2 && \$2 == 0 { exit 1 }"'
    { head -c $((size / 2)) long.log$suffix; printf 'damage%.0s' $(seq 100); tail -c +$((size / 2 + 601)) long.log$suffix; } >damaged$suffix
    check "a damaged $kind archive: unreadable, as its library tells it" 0 "damaged$suffix	false	unreadable
" "" '"$table" damaged$suffix 2>err.damaged | tail -n 1 | cut -f 1,3,12; grep -q "^runtally-table: damaged$suffix: $kind: ..." err.damaged'
done
cp quarter.log quarter.log.gz
printf 'BZh91AY&SX\n' >like-bzip2.log
check "a name that says gzip is no gzip log; text that begins like a magic number is text" 0 "log	samples	complete	stop
quarter.log.gz	8	true	
like-bzip2.log	0	false	1:1
" "" '"$table" quarter.log.gz like-bzip2.log | cut -f 1-4'
check "plain text on standard input, labelled, read from its first byte" 0 "log	samples	complete
the log	8	true
" "" 'cat quarter.log | "$table" --label="the log" - | cut -f 1-3'

usage=$'usage: runtally-table [OPTION]... [--] LOG...\n   or: runtally-table --merge [OPTION]... [--] TABLE...\nTry \'runtally-table --help\' for more.\n'
for case in "no log named|" "unknown format 'xml' (tsv, csv or json)|--format=xml a.log" \
    "unknown format 'x\\x1b[31m\\n' (tsv, csv or json)|--format=\$'x\\e[31m\\n' a.log" \
    "a window is a number of seconds, 1e-6 or more: '0'|--window=0 a.log" \
    "a window is a number of seconds, 1e-6 or more: 'inf'|--window=inf a.log" \
    "a window is a number of seconds, 1e-6 or more: '-1'|--window=-1 a.log" \
    "a window is a number of seconds, 1e-6 or more: '0x10'|--window=0x10 a.log" \
    "a window of samples is a whole number, 1 or more: '0'|--window-samples=0 a.log" \
    "one window option at most|--window=1 --window-samples=2 a.log" \
    "--window needs periods, which the four-value form (--short) has not: try --window-samples|--short --window=1 a.log" \
    "standard input ('-') can be read only once|- -" "standard input ('-') can be read only once|--files-from=- -" \
    "only one list of logs can be given|--files-from=a --files0-from=b" \
    "unknown or ambiguous option '--bogus'|--bogus a.log" "option '--format' needs a value|--format" \
    "option '--short' takes no value|--short=1 a.log" "unknown option '-x'|-x a.log" \
    "unknown option '-\\xff'|\$'-\\xff' a.log" \
    "--summary gives runtally's summary; runtally2 (--short) reads one log, and has none|--summary --short a.log" \
    "--summary writes one row for the run, a window option one for each window: not both|--summary --window=1 a.log" \
    "--merge reads tables of one row a log, in the form they were written: no --short or window|--merge --window-samples=2 a.tsv" \
    "--merge reads its tables one after another: no --jobs|--merge --jobs=2 a.tsv" \
    "jobs are a whole number from 1 to 1024: '0'|--jobs=0 a.log" "jobs are a whole number from 1 to 1024: '1025'|--jobs=1025 a.log" \
    "jobs are a whole number from 1 to 1024: '+2'|--jobs=+2 a.log"; do
    problem=${case%%|*}
    check "usage error: $problem" 2 "" "runtally-table: $problem
$usage" "\"\$table\" ${case#*|}"
done
check "-- ends the options" 1 "$whole
-x	0	false		No such file or directory	0	0	0	0	0	0	unreadable	
" $'runtally-table: -x: No such file or directory\n' '"$table" -- -x'
# CSV and JSON, as TSV's tabs would count as control bytes in the scan. The
# name is no UTF-8: escaped, as diagnostics write it, its bytes in log_bytes.
hostile_base64=$(printf '%s' "$hostile_name" | base64 -w 0)
check "a name with control bytes, escaped on both streams" 1 "log,samples,outcome,log_bytes
${hostile_shown},0,unreadable,$hostile_base64
{\"log\":\"${hostile_shown//\\/\\\\}\",\"samples\":0,\"complete\":false,\"stop\":null,\"error\":\"No such file or directory\",\"seconds\":0,\"benefit\":0,\"instability\":0,\"utilization\":0,\"missed\":0,\"missed_percent\":0,\"outcome\":\"unreadable\",\"uncounted\":null,\"log_bytes\":\"$hostile_base64\"}
" "runtally-table: $hostile_shown: No such file or directory
runtally-table: $hostile_shown: No such file or directory
" 'scanned "$table" --format=csv "$hostile_name" | cut -d , -f 1,2,12,14; scanned "$table" --format=json "$hostile_name"'
check "names as CSV and JSON write them: their own text, quoted; control characters as JSON's escapes" 0 'log,samples,log_bytes
"comma,here",0,
"quote""here",0,
back\slash,0,
NA,0,
\t\x7f\xc2\x85,0,CX/ChQ==
{"log":"comma,here","log_bytes":null}
{"log":"quote\"here","log_bytes":null}
{"log":"back\\slash","log_bytes":null}
{"log":"NA","log_bytes":null}
{"log":"\t\u007f\u0085","log_bytes":null}
' "" 'names=(comma,here quote\"here back\\slash NA $'"'"'\t\x7f\xc2\x85'"'"')
    "$table" --format=csv "${names[@]}" 2>/dev/null | sed "s/,false,,No such file or directory,0,0,0,0,0,0,unreadable,,/,/; 1s/,complete,.*,/,/"
    "$table" --format=json "${names[@]}" 2>/dev/null | sed "s/,\"samples\".*,\"log_bytes\"/,\"log_bytes\"/"'
check "help" 0 "usage: runtally-table [OPTION]... [--] LOG...
" "" '"$table" --help | head -n 1'
check "standard output full" 1 "" $'runtally-table: write error: No space left on device\n' '"$table" quarter.log >/dev/full'
{ sample 1 0.5 2147483647; sample 1 0.5 1; } >long-gap.log  # 2^31 windows of a microsecond
check "standard output full ends a long run of windows" 1 "" $'runtally-table: write error: No space left on device\n' \
    'timeout 20 "$table" --window=1e-6 long-gap.log >/dev/full'

# Awkward names, each a log of one sample whose figures are nan. The log
# column escapes each name as diagnostics will (common/names.hpp).
mkdir awkward
for name in $'tab\there' $'new\nline' 'comma,here' 'quote"here' $'bad\xffbyte' 'back\slash' 'ünïcode' \
    $'\e[31mred' $'c1\xc2\x9bcontrol' $'cr\rhere' $'\xe0\x80overlong' $'del\x7fhere' $'c1\xc2\x9flast' \
    $'c1\xc2\xa0after' $'two\xc0\xafoverlong' $'three\xe0\x80\xafoverlong'; do
    printf 'L:1, CPU:0.5, B:-nan, MCPU:0.5, P:1000000\n' >"awkward/$name.log"
done
check "names escaped: one line, valid UTF-8, reversible" 0 'awkward/\x1b[31mred.log
awkward/back\\slash.log
awkward/bad\xffbyte.log
awkward/c1\xc2\x9bcontrol.log
awkward/c1\xc2\x9flast.log
awkward/c1 after.log
awkward/comma,here.log
awkward/cr\rhere.log
awkward/del\x7fhere.log
awkward/new\nline.log
awkward/quote"here.log
awkward/tab\there.log
awkward/three\xe0\x80\xafoverlong.log
awkward/two\xc0\xafoverlong.log
awkward/ünïcode.log
awkward/\xe0\x80overlong.log
' "" 'LC_ALL=C; "$table" awkward/* | tail -n +2 | cut -f 1'

if command -v jq >/dev/null; then
    check "json read back by jq: nan as strings" 0 $'16 -nan\n' "" \
        '"$table" --format=json awkward/* | jq -rs "[length, (map(.benefit) | unique | .[])] | @tsv" | tr "\t" " "'
else
    echo "skipped: jq is not installed (Debian package jq)"
fi

if command -v python3 >/dev/null; then
    check "json read back by Python: inf and -inf as strings" 0 $'\'inf\' \'-inf\'\n' "" '"$table" --format=json inf.log minus-inf.log |
        python3 -c "import json, sys; print(*(repr(json.loads(line)[\"benefit\"]) for line in sys.stdin))"'
    check "every format read back by Python's csv and json, names unescaped to their bytes" 0 "ok
" "" 'python3 - "$table" <<"PYTHON"
import base64, csv, io, json, math, os, re, subprocess, sys

table = sys.argv[1]
paths = sorted(b"awkward/" + name for name in os.listdir(b"awkward"))
escapes = {"n": b"\n", "t": b"\t", "r": b"\r", "\\": b"\\"}

def unescape(text):
    return re.sub(rb"\\(x..|.)", lambda m: bytes.fromhex(m[1][1:].decode()) if m[1].startswith(b"x")
                  else escapes[m[1].decode()], text.encode())

def table_of(form):
    return subprocess.run([table, "--format=" + form, *paths], capture_output=True).stdout.decode("utf-8")

lines = table_of("tsv").split("\n")
header = lines[0].split("\t")
tsv = [dict(zip(header, line.split("\t"), strict=True)) for line in lines[1:-1]]
csv_rows = list(csv.DictReader(io.StringIO(table_of("csv"), newline="")))
json_rows = [json.loads(line) for line in table_of("json").split("\n")[:-1]]
# TSV: the name escaped; CSV and JSON: log_bytes where it is set, the text of log otherwise.
assert [unescape(row["log"]) for row in tsv] == paths
for form, rows in {"csv": csv_rows, "json": json_rows}.items():
    assert [base64.b64decode(row["log_bytes"]) if row["log_bytes"] else row["log"].encode() for row in rows] == paths, form
    plain = [row["log"] for row in rows if not row["log_bytes"]]
    assert "awkward/comma,here.log" in plain and "awkward/back\\slash.log" in plain, form
assert "awkward/tab\there.log" in [row["log"] for row in json_rows if row["log_bytes"] is None]
for form, rows in {"tsv": tsv, "csv": csv_rows, "json": json_rows}.items():
    assert all(math.isnan(float(row["benefit"])) and str(row["benefit"]) == "-nan" for row in rows), form
print("ok")
PYTHON'
else
    echo "skipped: python3 is not installed"
fi

# The README's pandas recipe, run on the awkward names, names that pandas
# takes for missing values by default, nan and inf, and windows with empty
# fields: every figure the very double of its text, names back to their
# bytes, the types declared. Debian's pandas is /usr/bin/python3's.
pandas_python=
for python in python3 /usr/bin/python3; do
    if command -v "$python" >/dev/null && "$python" -c 'import pandas' 2>/dev/null; then
        pandas_python=$python
        break
    fi
done
if [[ -n $pandas_python ]]; then
    mkdir -p awkward/more
    for name in NA null nan '"quote' '#N A' NULL; do sample 0.1 0.3 1000007 >"awkward/more/$name"; done
    sed -n '/^```python$/,/^```$/p' "$source_dir/README.md" | sed '1d;$d' >recipe.py
    check "the README's pandas recipe: figures exact, names intact, types declared" 0 "ok
" "" '"$pandas_python" - "$table" "$source_dir" <<"PYTHON"
import csv, io, json, math, os, re, struct, subprocess, sys
sys.path.insert(0, ".")
from recipe import read_table, name_bytes

table = sys.argv[1]
# The manual page holds the same recipe.
page = open(os.path.join(sys.argv[2], "man/runtally-table.1.in")).read()
code = page[page.index("import base64"):]
code = re.sub(r"^\\&", "", code[:code.index(".EE")].replace("\\-", "-").replace("\\e", "\\"), flags=re.M)
assert code == open("recipe.py").read(), "the recipe of the manual page differs from the README"
paths = sorted([b"awkward/" + n for n in os.listdir(b"awkward") if n != b"more"] +
               [b"awkward/more/" + n for n in os.listdir(b"awkward/more")]) + [b"quarter.log", b"inf.log", b"minus-inf.log"]
bits = lambda x: struct.pack("<d", x)
for options in ([], ["--window=0.5"]):
    for form in ("tsv", "csv", "json"):
        text = subprocess.run([table, "--format=" + form, *options, *paths], capture_output=True).stdout.decode()
        frame = read_table(io.StringIO(text), form)
        if form == "json":
            raw = [json.loads(line) for line in text.splitlines()]
        else:
            raw = list(csv.DictReader(io.StringIO(text), delimiter="\t" if form == "tsv" else ",",
                                      quoting=csv.QUOTE_NONE if form == "tsv" else csv.QUOTE_MINIMAL))
        assert len(frame) == len(raw), form
        names = sorted(set(name_bytes(row, form) for _, row in frame.iterrows()))
        assert names == sorted(paths), (form, names)
        for column in ["from", "to", "seconds", "benefit", "instability", "utilization", "missed_percent"]:
            if column not in frame:
                continue
            assert frame[column].dtype == "float64", (form, column)
            for got, row in zip(frame[column], raw):
                want = row[column]
                if want in (None, "", "nan", "-nan"):
                    assert math.isnan(got), (form, column, want)
                else:
                    assert bits(got) == bits(float(want)), (form, column, want, got)
        assert {str(frame[c].dtype) for c in ("samples", "missed")} == {"int64"}, form
        assert str(frame["uncounted"].dtype) == "Int64" and str(frame["complete"].dtype) == "boolean", form
        assert all(str(frame[c].dtype) == "string" for c in ("log", "stop", "error", "outcome")), form
        assert frame["log"].str.startswith("awkward/more/\"").sum() > 0, form
print("ok")
PYTHON'
elif [[ ${CI:-} == true ]]; then
    echo "FAIL: pandas is not installed, and CI=true: CI must run the pandas recipe (apt-get install python3-pandas)"
    failures=$((failures + 1))
else
    echo "skipped: the pandas recipe: pandas is not installed (Debian package python3-pandas)"
fi

finish
