#!/usr/bin/env bash
# runtally-check end to end, case by case: exact standard output, standard
# error and exit status.
# Usage: check_test.sh PATH-TO-RUNTALLY-CHECK
set -u
check_program=$(realpath "$1")
source "$(dirname "$0")/harness.sh"

line=$'L:1, CPU:0.5, B:2, MCPU:0.5, P:1000\n'
printf '%s%s' "$line" "$line" >good.log
printf '# run 7\n%s' "$line" >header.log
printf '%sL:2, CPU:0.5, b:0.97, MCPU:0.5, P:1000\n%s\n' "$line" "$line" >tag.log
printf '%sL:2, CPU:0.5, B:' "$line" >truncated.log
printf '%sL:3, CPU:0.5, B:1, MCPU:0.5\n%s' "$line" "$line" >no-period.log
printf 'L:1, CPU:0.5, B:2, MCPU:0.5,\n%s' "$line" >no-period-first.log
printf '%sL:2147483648, CPU:0.5, B:1, MCPU:0.5, P:1000\n' "$line" >out-of-range.log
printf 'L:1,\n  CPU:0.5,\tB:\n2, MCPU:0.5,\n P:1000\n\n' >split.log
printf 'L:1, CPU:1e39, B:-inf, MCPU:0x1p3, P:5\n' >values.log
for i in $(seq 12); do printf 'L:%d, CPU:0, B:1, MCPU:1,\n' "$i"; done >twelve.log
printf '%sL:2, CPU:0.5, B:1, MCP:0.5, P:1000\n%s' "$line" "$line" >partial-tag.log
four=$'L:1, CPU:0.5, B:2, MCPU:0.5\n'
printf '%s%s%s' "$four" "$four" "$four" >four.log
printf '%s%s%s' "$four" "$four" "$line" >four-then-five.log
for i in $(seq 100); do printf '%s' "$line"; done >hundred.log
for i in $(seq 1234); do printf '%s' "$line"; done >thousands.log
printf '%sL:2, CPU:0.5, B:3,\n%s' "$line" "$line" >cut-line.log
printf '%sL:2, CPU:0.5,\n  B:3,\n%s%s' "$line" "$line" "$line" >three-lines.log
# The record begins 10 bytes before the end of the first 64 KiB block.
printf '%s%65490s%s\n%s' "$line" "" "L:2, CPU:0.5, B:3.25," "$line" >at-block-end.log
printf '\x1f\x8b\x08\x00\x00\x00\x00\x00\x00\x03' >gzip.log
printf 'BZh91AY&SY' >bzip2.log
printf '\xfd7zXZ\x00\x00\x04' >xz.log
printf '\x28\xb5\x2f\xfd\x24\x00' >zstd.log
printf 'L:1\x00\x00\x00\x01\n%s' "$line" >nul.log
printf '%sL:2, CPU:0.5,\n' "$line" >killed.log
printf '%sL:2, CPU:0.5, B\n%s' "$line" "$line" >cut-in-the-middle.log
printf '%s' "$line" >'a log.log'
printf '%s%s' "$line" "$line" >$'two\nlines.log'
printf 'a log.log\n\ngood.log\n\n' >list  # empty lines name nothing
printf 'a log.log\0\0two\nlines.log\0' >list0
# A record, 10,000 line ends and a restart banner: more line ends than a
# byte lane of the line count holds.
{ printf '%s' "$line"; head -c 10000 /dev/zero | tr '\0' '\n'; echo '# restarted'; printf '%s' "$line"; } >many-lines.log
printf '%sL:2, CPU:0.5, B:1, MCPU:0.5,\n# restarted\n%s' "$line" "$line" >comma-restart.log
printf '%sBZh91AY&SY' "$line" >late-bzip2.log
printf '%sL:2147483648' "$line" >out-of-range-end.log
printf '%sL:2, CPU:0.5, B:\x7f1\n' "$line" >del.log
mkdir directory
# The outcomes, each with the damage that gives it.
: >empty.log
printf '\n  \n\n' >blank.log
printf '%sL:2, CPU:0.5, B:2, MCPU:0.5, P:56' "$line" >no-line-end.log  # P:56220 cut short
printf '%s%s  \n \t' "$line" "$line" >blank-last-line.log
printf '%s\n\0\0\0\0' "$line" >nul-after.log
printf '%sL:2, CPU:0. \0\0\0\n\0' "$line" >nul-in-record.log  # a blank, then NUL bytes
printf '\0\0\0\0' >nul-only.log
printf '%sx\n%sjunk\0\0\n%s' "$line" "$line" "$line" >nul-in-rest.log
printf '%sL:2, CPU:0.5, B:1e-50, MCPU:1e-46, P:0\nL:3, CPU:0.5, B:1, MCPU:0.5, P:-5\n' "$line" >no-time.log
printf '\xef\xbb\xbf%s%s' "$line" "$line" >bom.log
printf 'L:1, CPU:0,529207, B:0,971755, MCPU:0,564108, P:33333\n' >decimal-comma.log
printf 'L:1, CPU:0.5, B:0.9, MCPU:0,5\nL:2, CPU:0.5, B:0.9, MCPU:0,5\n' >decimal-comma-short.log
printf '%s' "$line" >'back\x41slash.log'
: >no-logs
printf '%s# x\n' "$line" >"$hostile_name"

check "logs read to their end" 0 "good.log: 2 samples, whole
split.log: 1 sample, whole
" "" '"$check_program" good.log split.log'

check "a header line" 1 'header.log:1:1: error: expected "L:" but found "# run 7"
header.log:1:1: note: reading stops here; the line after it is a record that was not counted
header.log: 0 samples, stopped at line 1, column 1
' "" '"$check_program" header.log'

check "a damaged tag in the middle" 1 'tag.log:2:15: error: expected "B:" but found "b:0.97, MCPU:0.5, P:…"
tag.log:2:15: note: reading stops here; 1 of the 2 lines after it is a record that was not counted
tag.log: 1 sample, stopped at line 2, column 15
' "" '"$check_program" tag.log'

check "a tag broken part way" 1 'partial-tag.log:2:20: error: expected "MCPU:" but found "MCP:0.5, P:1000"
partial-tag.log:2:20: note: reading stops here; the line after it is a record that was not counted
partial-tag.log: 1 sample, stopped at line 2, column 20
' "" '"$check_program" partial-tag.log'

check "a truncated last line" 1 'truncated.log:2:17: error: expected a number for B but the file ends: the record at line 2 is cut short, as a killed run leaves it
truncated.log: 1 sample, cut at line 2, column 17
' "" '"$check_program" truncated.log'

check "a five-value log read short" 1 'good.log:1:28: error: expected "L:" but found ", P:1000"
good.log:1:28: note: reading stops here; the line after it is a record that was not counted
good.log:1:28: note: this log is in the five-value form: runtally2 reads only its first line; runtally reads such logs
good.log: 1 sample, stopped at line 1, column 28
' "" '"$check_program" --short good.log'

four_start='warning: this sample has no period (P), and no line has given one yet: it weighs 0 s'
check "a four-value log read full" 1 "four.log:1:1: $four_start
four.log:1:28: error: expected \", P:\" but the line ends
four.log:1:28: note: reading stops here; all 2 lines after it are records that were not counted
four.log:1:28: note: this log is in the four-value form: runtally reads only its first line; runtally2 reads such logs (runtally-check --short)
four.log: 1 sample, stopped at line 1, column 28
" "" '"$check_program" four.log'

check "no four-value note where a five-value record follows" 1 "four-then-five.log:1:1: $four_start
four-then-five.log:1:28: error: expected \", P:\" but the line ends
four-then-five.log:1:28: note: reading stops here; all 2 lines after it are records that were not counted
four-then-five.log: 1 sample, stopped at line 1, column 28
" "" '"$check_program" four-then-five.log'

check "P missing in the middle, and at the first sample of a run" 1 'good.log: 2 samples, whole
no-period.log:2:1: warning: this sample has no period (P): it takes P:1000 from line 1
no-period.log:2:28: error: expected ", P:" but the line ends
no-period.log:2:28: note: reading stops here; the line after it is a record that was not counted
no-period.log: 2 samples, stopped at line 2, column 28
no-period-first.log:1:1: warning: this sample has no period (P): it takes P:1000 from no-period.log:1
no-period-first.log: 2 samples, whole
' "" '"$check_program" good.log no-period.log no-period-first.log'

check "no period read yet" 0 'no-period-first.log:1:1: warning: this sample has no period (P), and no line has given one yet: it weighs 0 s
no-period-first.log: 2 samples, whole
' "" '"$check_program" no-period-first.log'

# Several jobs write what one job writes, byte for byte, in the list's
# order, the periods taken from the logs before included; standard input
# and a list too.
jobs_logs="no-period-first.log good.log no-period.log no-period-first.log missing.log four.log no-period-first.log"
printf '%s\n' $jobs_logs - no-period-first.log >jobs-list
for logs in "$jobs_logs - no-period-first.log" "--files-from=jobs-list"; do
    check "--jobs=3 $logs: the output of one job" 1 "$("$check_program" $logs <no-period-first.log 2>/dev/null)
" "$("$check_program" $logs <no-period-first.log 2>&1 >/dev/null)
" '"$check_program" --jobs=3 '"$logs"' <no-period-first.log'
done
# The log before is slow to come: the second job must wait for its period.
check "--jobs=2: a log's first samples wait for the period of the log before" 0 "-: 4 samples, whole
no-period-first.log:1:1: warning: this sample has no period (P): it takes P:1000 from -:4
no-period-first.log: 2 samples, whole
" "" '{ cat good.log; sleep 0.3; cat good.log; } | "$check_program" --jobs=2 - no-period-first.log'

check "an integer outside 32 bits" 1 'out-of-range.log:2:3: error: the number for L is outside the 32-bit range
out-of-range.log: 1 sample, stopped at line 2, column 3
' "" '"$check_program" out-of-range.log'

check "values that a decision changed" 1 'values.log:1:1: warning: this sample has no period (P): it takes P:1000 from good.log:2
values.log:1:10: warning: CPU is beyond single precision and reads as inf
values.log:1:18: warning: B reads as -inf
values.log:1:29: warning: MCPU is hexadecimal, which is not read: it reads as 0 and the x ends it
values.log:1:30: error: expected ", P:" but found "x1p3, P:5"
values.log: 1 sample, stopped at line 1, column 30
' "" '"$check_program" good.log values.log | tail -n +2; exit ${PIPESTATUS[0]}'

check "ten warnings of a kind, then a count" 0 "$(for i in $(seq 10); do
    echo "twelve.log:$i:1: warning: this sample has no period (P), and no line has given one yet: it weighs 0 s"
done)
twelve.log: note: 2 more samples without a period
twelve.log: 12 samples, whole
" "" '"$check_program" twelve.log'

check "a line cut after a comma: the error where the match breaks off, a note where the record began" 1 'cut-line.log:3:1: error: expected "MCPU:" but found "L:1, CPU:0.5, B:2, M…"
cut-line.log:2:1: note: the record that breaks off at line 3 begins here: "L:2, CPU:0.5, B:3,"
cut-line.log: 1 sample, stopped at line 3, column 1
' "" '"$check_program" cut-line.log'

check "a record cut over three lines" 1 'three-lines.log:4:1: error: expected "MCPU:" but found "L:1, CPU:0.5, B:2, M…"
three-lines.log:2:1: note: the record that breaks off at line 4 begins here: "L:2, CPU:0.5,"
three-lines.log:4:1: note: reading stops here; the line after it is a record that was not counted
three-lines.log: 1 sample, stopped at line 4, column 1
' "" '"$check_program" three-lines.log'

check "a record that breaks off, begun just before the end of a block" 1 "at-block-end.log:3:1: error: expected \"MCPU:\" but found \"L:1, CPU:0.5, B:2, M…\"
at-block-end.log:2:65491: note: the record that breaks off at line 3 begins here: \"L:2, CPU:0.5, B:3.25…\"
at-block-end.log: 1 sample, stopped at line 3, column 1
" "" '"$check_program" at-block-end.log'

check "a compressed file's magic number after a good record is no compressed log" 1 'late-bzip2.log:2:1: error: expected "L:" but found "BZh91AY&SY"
late-bzip2.log: 1 sample, stopped at line 2, column 1
' "" '"$check_program" late-bzip2.log'

check "DEL in quoted text" 1 'del.log:2:17: error: expected a number for B but found "\x7f1"
del.log: 1 sample, stopped at line 2, column 17
' "" '"$check_program" del.log'

check "lines counted past 10,000 line ends" 1 'many-lines.log:10002:1: error: expected "L:" but found "# restarted"
many-lines.log:10002:1: note: reading stops here; the line after it is a record that was not counted
many-lines.log: 1 sample, stopped at line 10002, column 1
' "" '"$check_program" many-lines.log'

check "a record that breaks off at the read of the last sample: a note where it began" 1 'comma-restart.log:2:1: warning: this sample has no period (P): it takes P:1000 from line 1
comma-restart.log:3:1: error: expected "P:" but found "# restarted"
comma-restart.log:2:1: note: the record that breaks off at line 3 begins here: "L:2, CPU:0.5, B:1, M…"
comma-restart.log:3:1: note: reading stops here; the line after it is a record that was not counted
comma-restart.log: 2 samples, stopped at line 3, column 1
' "" '"$check_program" comma-restart.log'

# Compressed logs, in each format the build reads: read decompressed, with
# a note that runtally reads only text; a truncated archive (these
# fixtures end after the format's header) is unreadable, as its library
# tells it; several streams one after the other are read whole.
formats_read_by "$check_program"
for format in "${formats[@]}"; do
    # shellcheck disable=SC2086  # the entry's words
    set -- $format
    kind=$1 suffix=$2
    shift 2
    "$@" good.log >"good.log$suffix"  # named, so that gzip writes the name in its header
    cat "good.log$suffix" "good.log$suffix" >"twice.log$suffix"
    note="note: compressed with $kind, and read decompressed: runtally reads only text, as in runtally <("
    command=$(sed -n "s/^.*runtally <(\(.*\) LOG)\$/\1/p" <<<"$($check_program "good.log$suffix")")
    check "a $kind log, and two streams of it one after the other" 0 "good.log$suffix: $note$command LOG)
good.log$suffix: 2 samples, whole
twice.log$suffix: $note$command LOG)
twice.log$suffix: 4 samples, whole
" "" '"$check_program" "good.log$suffix" "twice.log$suffix"'
    check "a truncated $kind archive" 1 "$kind.log: $note$command LOG)
$kind.log: 0 samples, unreadable
" "runtally-check: $kind.log: $kind: unexpected end of file
" '"$check_program" "$kind.log"'
    check "a $kind log on standard input, labelled, read short" 1 "run.log$suffix: note: compressed with $kind, and read decompressed: runtally2 reads only text, as in runtally2 <($command LOG)
run.log$suffix:1:28: error: expected \"L:\" but found \", P:1000\"
run.log$suffix:1:28: note: reading stops here; the line after it is a record that was not counted
run.log$suffix:1:28: note: this log is in the five-value form: runtally2 reads only its first line; runtally reads such logs
run.log$suffix: 1 sample, stopped at line 1, column 28
" "" '"$check_program" --short --label="run.log$suffix" - <"good.log$suffix"'
done
((${#formats[@]} == 0)) || check "a log compressed twice: its text is compressed" 1 "twice.gz: note: compressed with gzip, and read decompressed: runtally reads only text, as in runtally <(igzip -dc LOG)
twice.gz:1:1: error: expected \"L:\" but found \"\\x1f\\x8b\\x08\\x00\\x00\\x00\\x00\\x00\\x00\\x03\"
twice.gz:1:1: note: this text is itself compressed with gzip: the file was compressed twice
twice.gz: 0 samples, stopped at line 1, column 1
" "" 'gzip -nc gzip.log >twice.gz && "$check_program" twice.gz'
cp good.log text.log.gz
printf 'BZh91AY&SX\n%s' "$line" >like-bzip2.log
printf '\x1f\x8b\x08\xe0\n%s' "$line" >like-gzip.log
check "a name that says gzip is no gzip log; text that begins like a magic number is text" 1 'text.log.gz: 2 samples, whole
like-bzip2.log:1:1: error: expected "L:" but found "BZh91AY&SX"
like-bzip2.log:1:1: note: reading stops here; the line after it is a record that was not counted
like-bzip2.log: 0 samples, stopped at line 1, column 1
like-gzip.log:1:1: error: expected "L:" but found "\x1f\x8b\x08\xe0"
like-gzip.log:1:1: note: reading stops here; the line after it is a record that was not counted
like-gzip.log: 0 samples, stopped at line 1, column 1
' "" '"$check_program" text.log.gz like-bzip2.log like-gzip.log'
check "text on standard input, labelled, its first bytes read once" 0 'the log: 2 samples, whole
' "" 'cat good.log | "$check_program" --label="the log" -'

check "a NUL byte in the first line" 1 'nul.log:1:4: error: expected ", CPU:" but found "\x00\x00\x00\x01"
nul.log:1:4: note: the first line holds a NUL byte, at column 4: this file does not look like a text log, and is read no further
nul.log: 0 samples, stopped at line 1, column 4
' "" '"$check_program" nul.log'

killed='killed.log:3:1: SEVERITY: expected "B:" but the file ends: the record at line 2 is cut short, as a killed run leaves it
killed.log:2:1: note: the record that breaks off at line 3 begins here: "L:2, CPU:0.5,"
killed.log: 1 sample, cut at line 3, column 1
truncated.log:2:17: SEVERITY: expected a number for B but the file ends: the record at line 2 is cut short, as a killed run leaves it
truncated.log: 1 sample, cut at line 2, column 17
'
check "a killed run's last record is an error" 1 "${killed//SEVERITY/error}" "" '"$check_program" killed.log truncated.log'
check "a killed run's last record, allowed: a warning" 0 "${killed//SEVERITY/warning}" "" \
    '"$check_program" --allow-cut-end killed.log truncated.log'
check "--allow-cut-end does not hide a stop in the middle" 1 'tag.log:2:15: error: expected "B:" but found "b:0.97, MCPU:0.5, P:…"
tag.log:2:15: note: reading stops here; 1 of the 2 lines after it is a record that was not counted
tag.log: 1 sample, stopped at line 2, column 15
cut-in-the-middle.log:2:15: error: expected "B:" but the line ends after "B"
cut-in-the-middle.log:2:15: note: reading stops here; the line after it is a record that was not counted
cut-in-the-middle.log: 1 sample, stopped at line 2, column 15
' "" '"$check_program" --allow-cut-end tag.log cut-in-the-middle.log'

empty_end='yet runtally counts it as an application (one that ended before its first line leaves such a log)'
empty="empty.log:1:1: SEVERITY: the file is empty: no sample, $empty_end
empty.log: 0 samples, empty
blank.log:1:1: SEVERITY: the file holds nothing but white space: no sample, $empty_end
blank.log: 0 samples, empty
"
check "an empty log and a log of blank lines are errors" 1 "${empty//SEVERITY/error}" "" '"$check_program" empty.log blank.log'
check "--allow-empty lets them pass with a warning" 0 "${empty//SEVERITY/warning}" "" \
    '"$check_program" --allow-empty empty.log blank.log'
check "--allow-cut-end does not let an empty log pass" 1 "${empty//SEVERITY/error}" "" \
    '"$check_program" --allow-cut-end empty.log blank.log'

cut='no-line-end.log:2:34: SEVERITY: the file ends right after the record at line 2, with no line end: that record is likely cut short, as a killed run leaves it
no-line-end.log: 2 samples, cut at line 2, column 34
nul-after.log:3:1: SEVERITY: NUL bytes run from here to the end of the file, after the record at line 1, as a power loss leaves a log
nul-after.log: 1 sample, cut at line 3, column 1
nul-in-record.log:2:12: SEVERITY: expected ", B:" but found NUL bytes that run to the end of the file: the record at line 2 is cut short, as a power loss leaves it
nul-in-record.log: 1 sample, cut at line 2, column 12
nul-only.log:1:1: SEVERITY: the file holds nothing but NUL bytes and white space, as a power loss leaves a log that was never written out
nul-only.log: 0 samples, cut at line 1, column 1
'
check "cut logs: no line end after the last number, NUL bytes after a record, in one, alone" 1 \
    "${cut//SEVERITY/error}" "" '"$check_program" no-line-end.log nul-after.log nul-in-record.log nul-only.log'
check "cut logs, allowed: warnings" 0 "${cut//SEVERITY/warning}" "" \
    '"$check_program" --allow-cut-end no-line-end.log nul-after.log nul-in-record.log nul-only.log'
check "blanks after the last line end: whole" 0 'blank-last-line.log: 2 samples, whole
' "" '"$check_program" blank-last-line.log'

check "the count of the records after a stop ends at binary data" 1 'nul-in-rest.log:2:1: error: expected "L:" but found "x"
nul-in-rest.log:2:1: note: reading stops here; 1 of the 2 lines after it is a record that was not counted, up to binary data (a NUL byte) at line 4, column 5, where the count ends
nul-in-rest.log: 1 sample, stopped at line 2, column 1
' "" '"$check_program" nul-in-rest.log'
check "an endless stream of NUL bytes ends" 1 '/dev/zero:1:1: error: expected "L:" but found "\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00…"
/dev/zero:1:1: note: the first line holds a NUL byte, at column 1: this file does not look like a text log, and is read no further
/dev/zero: 0 samples, stopped at line 1, column 1
' "" 'timeout 20 "$check_program" /dev/zero'

check "periods of zero or less, and values written non-zero that read as 0" 0 "no-time.log:2:1: warning: P is 0: the sample weighs no time, so its B and MCPU count for nothing
no-time.log:2:17: warning: B is written non-zero but lies below the smallest float and reads as 0: the sample counts as a missed deadline
no-time.log:2:29: warning: MCPU is written non-zero but lies below the smallest float and reads as 0
no-time.log:3:1: warning: P is -5: the sample weighs negative time, which takes from the log's time and benefit
no-time.log: 3 samples, whole
" "" '"$check_program" no-time.log'

check "a byte-order mark and decimal commas, named" 1 "bom.log:1:1: error: expected \"L:\" but found \"\\xef\\xbb\\xbfL:1, CPU:0.5, B:2…\"
bom.log:1:1: note: reading stops here; the line after it is a record that was not counted
bom.log:1:1: note: the file begins with a UTF-8 byte-order mark (\\xef\\xbb\\xbf), which is no part of the format: remove it, as with sed -i '1s/^\\xef\\xbb\\xbf//' LOG
bom.log: 0 samples, stopped at line 1, column 1
decimal-comma.log:1:12: error: expected \"B:\" but found \"529207, B:0,971755, …\"
decimal-comma.log:1:12: note: CPU seems to be written with a decimal comma, as a German or French locale writes numbers: it is read up to the comma; have the logger write a full stop (LC_NUMERIC=C)
decimal-comma.log: 0 samples, stopped at line 1, column 12
" "" '"$check_program" bom.log decimal-comma.log'
check "read short, a decimal comma in the last number" 1 'decimal-comma-short.log:1:28: error: expected "L:" but found ",5"
decimal-comma-short.log:1:28: note: reading stops here; the line after it is a record that was not counted
decimal-comma-short.log:1:28: note: MCPU seems to be written with a decimal comma, as a German or French locale writes numbers: it is read up to the comma; have the logger write a full stop (LC_NUMERIC=C)
decimal-comma-short.log: 1 sample, stopped at line 1, column 28
' "" '"$check_program" --short decimal-comma-short.log'

check "a name with a backslash, escaped: it prints unlike the name it spells" 1 'back\\x41slash.log: 1 sample, whole
missing-back\\x41slash.log: 0 samples, unreadable
' 'runtally-check: missing-back\\x41slash.log: No such file or directory
' '"$check_program" "back\\x41slash.log" "missing-back\\x41slash.log"'

check "a log given as the list of logs: a warning" 1 "L:1, CPU:0.5, B:2, MCPU:0.5, P:1000: 0 samples, unreadable
" "runtally-check: good.log: warning: its first line is a record: this looks like a log, not a list of logs
runtally-check: L:1, CPU:0.5, B:2, MCPU:0.5, P:1000: No such file or directory
runtally-check: L:1, CPU:0.5, B:2, MCPU:0.5, P:1000: No such file or directory
" '"$check_program" --files-from=good.log | head -n 1; exit ${PIPESTATUS[0]}'

check "--allow-cut-end does not pass a number out of range at the end" 1 'out-of-range-end.log:2:3: error: the number for L is outside the 32-bit range
out-of-range-end.log: 1 sample, stopped at line 2, column 3
' "" '"$check_program" --allow-cut-end out-of-range-end.log'

check "logs from standard input, --files-from and --files0-from" 0 '-: 1 sample, whole
a log.log: 1 sample, whole
good.log: 2 samples, whole
a log.log: 1 sample, whole
two\nlines.log: 2 samples, whole
' "" '"$check_program" --files-from=list - <"a log.log" && "$check_program" --files0-from=- <list0'

check "standard input, named in the list it holds" 1 '-: 0 samples, unreadable
' $'runtally-check: -: standard input holds the list of logs\n' 'echo - | "$check_program" --files-from=-'

check "counts of a hundred and of thousands, in plain digits" 0 'hundred.log: 100 samples, whole
thousands.log: 1234 samples, whole
' "" '"$check_program" hundred.log thousands.log'

check "a directory and a missing path" 1 'directory: 0 samples, unreadable
missing.log: 0 samples, unreadable
' 'runtally-check: directory: Is a directory
runtally-check: missing.log: No such file or directory
' '"$check_program" directory missing.log'

check "a name with control bytes, escaped on both streams" 1 "$hostile_shown:2:1: error: expected \"L:\" but found \"# x\"
$hostile_shown: 1 sample, stopped at line 2, column 1
no-period-first.log:1:1: warning: this sample has no period (P): it takes P:1000 from $hostile_shown:1
no-period-first.log: 2 samples, whole
missing-$hostile_shown: 0 samples, unreadable
" "runtally-check: missing-$hostile_shown: No such file or directory
" 'scanned "$check_program" "$hostile_name" no-period-first.log "missing-$hostile_name"'

usage=$'usage: runtally-check [OPTION]... [--] LOG...\n   or: runtally-check [OPTION]... --files-from=FILE|--files0-from=FILE [LOG]...\nTry \'runtally-check --help\' for more.\n'
check "no log" 2 "" "runtally-check: no log named
$usage" '"$check_program" --short'
check "a list that names no log" 2 "" "runtally-check: no log named in the list 'no-logs'
$usage" '"$check_program" --files-from=no-logs'
check "an empty list on standard input" 2 "" "runtally-check: no log named in the list on standard input
$usage" '"$check_program" --files0-from=- </dev/null'
check "an unknown option" 2 "" "runtally-check: unknown option '-x'
$usage" '"$check_program" -x good.log'
check "standard input named twice" 2 "" "runtally-check: standard input ('-') can be read only once
$usage" '"$check_program" - --files-from=- </dev/null'
check "-- ends the options" 1 "-x: 0 samples, unreadable
" $'runtally-check: -x: No such file or directory\n' '"$check_program" -- -x'
check "standard output full" 1 "" $'runtally-check: write error: No space left on device\n' '"$check_program" good.log >/dev/full'

finish
