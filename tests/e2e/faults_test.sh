#!/usr/bin/env bash
# Both programs on damaged and extreme input, end to end: exact standard
# output, standard error and exit status. Nothing may crash or hang, and no
# sample read before a fault may be lost.
# Usage: faults_test.sh RUNTALLY RUNTALLY2 FAILING-FOPEN-LIBRARY
set -u
runtally=$(realpath "$1")
runtally2=$(realpath "$2")
failing_fopen=$(realpath "$3")
source "$(dirname "$0")/harness.sh"

line=$'L:1, CPU:0.5, B:2, MCPU:0.5, P:1000000\n'  # 39 bytes
short_line=$'L:1, CPU:0.5, B:2, MCPU:0.5\n'          # 28 bytes

zero_line='B:0.00, I:0.00000, U:0.00000, M:0/0 (0.0000%)'
one_sample='B:2.00, I:0.00000, U:0.50000, M:0/1 (0.0000%)'

# A read error part way through a log: the preloaded library makes reads of
# bad.log fail after 60 bytes, inside its second record.
printf '%s%s%s' "$line" "$line" "$line" >bad.log
printf '%s%s%s' "$short_line" "$short_line" "$short_line" >bad-short.log
printf 'L:1, CPU:0.5, B:4, MCPU:1, P:1000000\n' >good.log
fail_after() {  # BYTES PATH COMMAND...: runs COMMAND with reads of PATH failing after BYTES
    FAIL_AFTER=$1 FAIL_PATH=$2 LD_PRELOAD=$failing_fopen ASAN_OPTIONS=verify_asan_link_order=0 "${@:3}"
}
check "runtally: a read error part way keeps the samples before it" 1 "2 applications
$one_sample
B:4.00, I:0.00000, U:1.00000, M:0/1 (0.0000%)
$(summary 6.0000 0.0000 1.5000 0 2 3.0000 0.0000 0 0.0000)
" $'runtally: bad.log: Input/output error\n' 'fail_after 60 bad.log "$runtally" bad.log good.log'
check "runtally2: a read error part way keeps the samples before it" 1 $'B:2.00, I:0.00000\n' \
    $'runtally2: bad-short.log: Input/output error\n' 'fail_after 40 bad-short.log "$runtally2" bad-short.log'
check "a read error before the first byte" 1 "1 applications
$zero_line
$(summary 0.0000 0.0000 0.0000 0 0 0.0000 0.0000 0 0.0000)
" $'runtally: bad.log: Input/output error\n' 'fail_after 0 bad.log "$runtally" bad.log'

# Bytes that are no text.
head -c 1000 /dev/zero >nul.log
printf '%s\x01\xff\x00\x80garbage\n%s' "$line" "$line" >garbage.log
check "a log of NUL bytes" 0 "1 applications
$zero_line
$(summary 0.0000 0.0000 0.0000 0 0 0.0000 0.0000 0 0.0000)
" "" '"$runtally" nul.log'
check "binary garbage after a sample" 0 "1 applications
$one_sample
$(summary 2.0000 0.0000 0.5000 0 1 2.0000 0.0000 0 0.0000)
" "" '"$runtally" garbage.log'
check "runtally2 on NUL bytes" 0 $'B:0.00, I:0.00000\n' "" '"$runtally2" nul.log'

# A line of 100 MB: its B is preceded by 100 MB of blanks, which a number
# conversion skips.
{
    printf '%sL:2, CPU:0.5, B:' "$line"
    head -c 100000000 /dev/zero | tr '\0' ' '
    printf '4, MCPU:0.5, P:1000000\n%s' "$line"
} >long-line.log
check "a line of 100 MB" 0 "1 applications
B:8.00, I:4.00000, U:0.50000, M:0/3 (0.0000%)
$(summary 8.0000 4.0000 0.5000 0 3 8.0000 4.0000 0 0.0000)
" "" '"$runtally" long-line.log'

# Exponents of a million digits: 1e999... is infinite, 5e-000...01 is 0.5,
# 1e-999... is zero (a missed deadline).
nines=$(head -c 1000000 /dev/zero | tr '\0' '9')
zeros=$(head -c 1000000 /dev/zero | tr '\0' '0')
printf 'L:1, CPU:1e%s, B:5e-%s1, MCPU:0.5, P:1000000\nL:1, CPU:0, B:1e-%s, MCPU:0.5, P:1000000\n' \
    "$nines" "$zeros" "$nines" >exponent.log
check "exponents of a million digits" 0 "1 applications
B:0.50, I:0.50000, U:0.25000, M:1/2 (50.0000%)
$(summary 0.5000 0.5000 0.2500 1 2 0.5000 0.5000 1 50.0000)
" "" '"$runtally" exponent.log'

# The integer fields at the bounds of 32 bits: in range they are taken; a P
# beyond them gives a sample with the previous period, the last of the log;
# an L beyond them ends the log at once.
printf 'L:2147483647, CPU:0, B:1, MCPU:1, P:2147483647\nL:-2147483648, CPU:0, B:1, MCPU:1, P:-2147483648
L:0, CPU:0, B:1, MCPU:1, P:2147483648\nL:0, CPU:0, B:1, MCPU:1, P:1\n' >bounds.log
printf 'L:2147483648, CPU:0, B:1, MCPU:1, P:1\n' >l-above.log
printf 'L:-2147483649, CPU:0, B:1, MCPU:1, P:1\n' >l-below.log
check "L and P at the bounds of 32 bits" 0 "1 applications
B:-2147.48, I:0.00000, U:1.00000, M:0/3 (0.0000%)
$(summary -2147.4836 0.0000 1.0000 0 3 -2147.4836 0.0000 0 0.0000)
" "" '"$runtally" bounds.log'
check "L beyond 32 bits, either side" 0 "2 applications
$zero_line
$zero_line
$(summary 0.0000 0.0000 0.0000 0 0 0.0000 0.0000 0 0.0000)
" "" '"$runtally" l-above.log l-below.log'
printf 'L:2147483648, CPU:0, B:1, MCPU:1\n' >l-above-short.log
check "runtally2: L beyond 32 bits" 0 $'B:0.00, I:0.00000\n' "" '"$runtally2" l-above-short.log'

# The largest float, and the next decimal up, which is infinite.
printf 'L:1, CPU:0, B:3.4028235e38, MCPU:0, P:1000000\n' >largest.log
printf 'L:1, CPU:0, B:3.4028236e38, MCPU:0, P:1000000\n' >beyond.log
check "the largest float and the next decimal up" 0 "2 applications
B:340282346638528859811704183484516925440.00, I:0.00000, U:0.00000, M:0/1 (0.0000%)
B:inf, I:nan, U:0.00000, M:0/1 (0.0000%)
$(summary inf nan 0.0000 0 2 inf nan 0 0.0000)
" "" '"$runtally" largest.log beyond.log'
printf 'L:1, CPU:0, B:3.4028235e38, MCPU:0\n' >largest-short.log
check "runtally2: the largest float" 0 $'B:340282346638528859811704183484516925440.00, I:0.00000\n' "" \
    '"$runtally2" largest-short.log'

finish
