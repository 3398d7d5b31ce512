#!/usr/bin/env bash
# runtally end to end: exact standard output, standard error and exit status.
# Usage: runtally_test.sh PATH-TO-RUNTALLY
set -u
runtally=$(realpath "$1")
source "$(dirname "$0")/harness.sh"

# Three samples, the second a missed deadline whose MCPU must not count.
printf 'L:1, CPU:0.5, B:2, MCPU:0.5, P:1000000\nL:2, CPU:0.5, B:0, MCPU:0.9, P:1000000\nL:3, CPU:0.5, B:4, MCPU:0.5, P:2000000\n' >a.log
# Lines without a period: they take the last period read in the run.
printf 'L:1, CPU:0, B:1, MCPU:1,\nL:2, CPU:0, B:3, MCPU:1,\n' >nop.log
: >empty.log

a_line='B:10.00, I:6.00000, U:0.37500, M:1/3 (33.3333%)'
zero_line='B:0.00, I:0.00000, U:0.00000, M:0/0 (0.0000%)'

check "no path: the usage line" 255 $'usage: runtally filelist\n' "" '"$runtally"'

check "two logs; a period carried from the first into the second" 0 "2 applications
$a_line
B:8.00, I:2.00000, U:1.00000, M:0/2 (0.0000%)
$(summary 18.0000 8.0000 1.3750 1 5 9.0000 4.0000 0 16.6667)
" "" '"$runtally" a.log nop.log'

check "no period read yet: the samples weigh no time" 0 "1 applications
B:0.00, I:2.00000, U:0.00000, M:0/2 (0.0000%)
$(summary 0.0000 2.0000 0.0000 0 2 0.0000 2.0000 0 0.0000)
" "" '"$runtally" nop.log'

empty_summary="$(summary 0.0000 0.0000 0.0000 0 0 0.0000 0.0000 0 0.0000)
"

check "an empty log" 0 "1 applications
$zero_line
$empty_summary" "" '"$runtally" empty.log'

check "a missing log counts as an application with no sample" 1 "2 applications
$a_line
$zero_line
$(summary 10.0000 6.0000 0.3750 1 3 5.0000 3.0000 0 16.6667)
" $'runtally: missing.log: No such file or directory\n' '"$runtally" a.log missing.log'

check "a directory" 1 "1 applications
$zero_line
$empty_summary" $'runtally: .: Is a directory\n' '"$runtally" .'

check "an argument with a dash is a path" 1 "1 applications
$zero_line
$empty_summary" $'runtally: -h: No such file or directory\n' '"$runtally" -h'

check "a name with control bytes, escaped" 1 "1 applications
$zero_line
$empty_summary" "runtally: $hostile_shown: No such file or directory
" 'scanned "$runtally" "$hostile_name"'

check "the same path twice is two applications" 0 "2 applications
$a_line
$a_line
$(summary 20.0000 12.0000 0.7500 2 6 10.0000 6.0000 1 33.3333)
" "" '"$runtally" a.log a.log'

check "more paths than open files allowed" 0 "300 applications
Missed Deadlines:  300/900
" "" 'set -o pipefail; ulimit -n 12; "$runtally" $(for i in $(seq 300); do echo a.log; done) | sed -n "1p;/^Missed Deadlines/p"'

check "standard output full" 1 "" $'runtally: write error: No space left on device\n' '"$runtally" a.log >/dev/full'
# Reports of 3,972 to 4,308 bytes, around the standard I/O buffer: where
# the buffer was written whole before, the last flush may succeed, and only
# the stream's error flag tells of the failure.
for n in $(seq 78 85); do
    check "standard output full, a report of $((228 + 48 * n)) bytes" 1 "" \
        $'runtally: write error: No space left on device\n' '"$runtally" $(printf "a.log %.0s" $(seq $n)) >/dev/full'
done

check "standard output closed" 1 "" $'runtally: write error: Bad file descriptor\n' '"$runtally" a.log >&-'

finish
