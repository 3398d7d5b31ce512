#!/usr/bin/env bash
# runtally2 end to end: exact standard output, standard error and exit status.
# Usage: runtally2_test.sh PATH-TO-RUNTALLY2
set -u
runtally2=$(realpath "$1")
source "$(dirname "$0")/harness.sh"

printf 'L:1, CPU:0.5, B:1, MCPU:0.5\nL:1, CPU:0.5, B:3, MCPU:0.5\n\n\nL:1, CPU:0.5, B:2, MCPU:0.5\n' >short.log
printf 'L:1, CPU:0.5, B:1.5, MCPU:0.5, P:1000\nL:1, CPU:0.5, B:3, MCPU:0.5, P:1000\n' >full.log
: >empty.log

usage=$'usage: runtally file\n'
check "no argument: the usage line" 255 "$usage" "" '"$runtally2"'
check "two arguments: the usage line" 255 "$usage" "" '"$runtally2" short.log short.log'
check "benefits 1, 3, 2 with blank lines between" 0 $'B:2.00, I:1.00000\n' "" '"$runtally2" short.log'
check "a five-value log gives its first line only" 0 $'B:1.50, I:0.00000\n' "" '"$runtally2" full.log'
check "a log with no sample" 0 $'B:0.00, I:0.00000\n' "" '"$runtally2" empty.log'
check "an argument with a dash is a path" 1 $'B:0.00, I:0.00000\n' $'runtally2: -x: No such file or directory\n' '"$runtally2" -x'
check "a directory" 1 $'B:0.00, I:0.00000\n' $'runtally2: .: Is a directory\n' '"$runtally2" .'
check "a name with control bytes, escaped" 1 $'B:0.00, I:0.00000\n' "runtally2: $hostile_shown: No such file or directory
" 'scanned "$runtally2" "$hostile_name"'
check "standard output full" 1 "" $'runtally2: write error: No space left on device\n' '"$runtally2" short.log >/dev/full'
check "standard output closed" 1 "" $'runtally2: write error: Bad file descriptor\n' '"$runtally2" short.log >&-'

finish
