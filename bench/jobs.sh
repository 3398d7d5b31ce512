#!/usr/bin/env bash
# Logs read at once (--jobs) and the run's summary over many logs, for
# bench/run.sh, which runs it last; or alone, on a dev build already built.
#
#   bench/jobs.sh [--runs N]
#
# Wall time of runtally-table and runtally-check with --jobs=2 against
# --jobs=1 on 8 logs of 50 MB, in alternating runs (default 5, or RUNS=N),
# the medians and their ratio, with the load average before and after: on
# a shared machine a second job finds a second core only at a quiet
# moment, so each pair of runs waits for one (10 s at most), and the count
# of those that found one is told. The output of each with two jobs must
# equal that of one. Then runtally-table --summary over COUNT logs (default 300,000, or
# SUMMARY_LOGS=N) named in a list (--files-from), the paths of 1,000 small
# logs over and over: its time and peak memory, against the same over a
# tenth of them (memory must not grow with the logs), and against runtally
# on as many logs as its command line takes (20,000), whose summary lines
# it must give.
set -euo pipefail

runs=${RUNS:-5}
if [[ ${1:-} == --runs && $# == 2 ]]; then
    runs=$2
elif (($# > 0)); then
    echo "usage: bench/jobs.sh [--runs N]   (environment: RUNS=N, SUMMARY_LOGS=N)" >&2
    exit 2
fi
summary_logs=${SUMMARY_LOGS:-300000}
[[ $runs =~ ^[1-9][0-9]*$ && $summary_logs =~ ^[1-9][0-9]*$ ]] || { echo "bench/jobs.sh: not a count" >&2; exit 2; }

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bin=$root/build/dev
data=$root/build/bench-data
[[ -x $bin/runtally-table && -x $bin/bench/gen_logs && -x $bin/bench/peak_rss ]] ||
    { echo "bench/jobs.sh: build the dev preset first (cmake --build --preset dev)" >&2; exit 1; }
mkdir -p "$data/jobs" "$data/many"
status=0

median() {
    sort -n "$1" | awk '{ t[NR] = $1 } END { print (NR % 2) ? t[(NR + 1) / 2] : (t[NR / 2] + t[NR / 2 + 1]) / 2 }'
}
load() { cut -d ' ' -f 1-3 /proc/loadavg; }

# --- jobs --------------------------------------------------------------------
log_bytes=50000000
logs=()
for seed in 11 12 13 14 15 16 17 18; do
    log=$data/jobs/full-50MB-seed$seed.log
    if [[ ! -f $log || $(stat -c %s "$log") != "$log_bytes" ]]; then
        echo "   generate ${log#"$root"/}"
        "$bin/bench/gen_logs" full "$log_bytes" "$seed" >"$log"
    fi
    logs+=("$log")
done
cat "${logs[@]}" >/dev/null

ids=(table_1 table_2 check_1 check_2)
run_id() {
    case $1 in
    table_*) "$bin/runtally-table" --jobs="${1#table_}" "${logs[@]}" ;;
    check_*) "$bin/runtally-check" --jobs="${1#check_}" "${logs[@]}" ;;
    esac
}
# idle: the percentage of the processors' time idle over the next 0.3 s.
idle() {
    local before after i total=0
    read -r -a before </proc/stat
    sleep 0.3
    read -r -a after </proc/stat
    for ((i = 1; i <= 7; i++)); do
        total=$((total + after[i] - before[i]))
    done
    echo $((total > 0 ? 100 * (after[4] - before[4]) / total : 0))
}
# quiet: waits, 10 s at most, for a moment when the processors are idle
# (90% or more), as a second job needs a second core; true if one came.
quiet() {
    local try
    for ((try = 0; try < 30; try++)); do
        (($(idle) >= 90)) && return 0
    done
    return 1
}
for id in "${ids[@]}"; do
    : >"$data/jobs/times-$id.txt"
done
echo "== jobs: $runs runs of each, one job and two in turn (the first of each pair alternating), each pair begun"
echo "   at a quiet moment where one comes within 10 s; 8 logs of 50 MB; load average before: $(load)"
quiet_pairs=0
for ((run = 1; run <= runs; run++)); do
    for program in table check; do
        ! quiet || quiet_pairs=$((quiet_pairs + 1))
        run_id "${program}_2" >/dev/null 2>&1 || true  # the processors awake
        order=(1 2)
        ((run % 2)) || order=(2 1)
        for jobs in "${order[@]}"; do
            id=${program}_$jobs
            start=$(date +%s%N)
            run_id "$id" >"$data/jobs/out-$id.txt" 2>&1 || true
            end=$(date +%s%N)
            echo $((end - start)) >>"$data/jobs/times-$id.txt"
        done
    done
done
echo "   load average after: $(load); $quiet_pairs of $((2 * runs)) pairs begun at a quiet moment"
printf "%-32s %10s %10s %8s\n" program "1 job" "2 jobs" "1/2"
for program in table check; do
    awk -v label="runtally-$program" -v one="$(median "$data/jobs/times-${program}_1.txt")" \
        -v two="$(median "$data/jobs/times-${program}_2.txt")" \
        'BEGIN { printf "%-32s %10.3f %10.3f %8.2f\n", label, one / 1e9, two / 1e9, one / two }'
    if cmp -s "$data/jobs/out-${program}_1.txt" "$data/jobs/out-${program}_2.txt"; then
        echo "   output check: runtally-$program --jobs=2 writes what --jobs=1 writes"
    else
        echo "   output check: runtally-$program --jobs=2 DIFFERS from --jobs=1"
        status=1
    fi
done

# --- the summary of many logs ------------------------------------------------
if [[ ! -f $data/many/999.log ]]; then
    for ((i = 0; i < 1000; i++)); do
        "$bin/bench/gen_logs" full $((200 + i % 400)) $((100 + i)) >"$data/many/$i.log"
    done
fi
# list COUNT: the paths of COUNT logs, the 1,000 over and over.
list() { awk -v n="$1" -v dir="$data/many" 'BEGIN { for (i = 0; i < n; i++) printf "%s/%d.log\n", dir, i % 1000 }'; }
list "$summary_logs" >"$data/many/list"
list $((summary_logs / 10)) >"$data/many/list-tenth"
list 20000 >"$data/many/list-args"
cat "$data"/many/*.log >/dev/null

# timed_peak COMMAND...: "SECONDS KIB" of one run, its output kept in
# $data/many/out.txt.
timed_peak() {
    local start end kib
    start=$(date +%s%N)
    kib=$("$bin/bench/peak_rss" "$@" 2>&1 >"$data/many/out.txt" | awk '$1 == "peak_rss:" { k = $2 } END { print k }')
    end=$(date +%s%N)
    echo "$(awk -v t=$((end - start)) 'BEGIN { printf "%.3f", t / 1e9 }') $kib"
}
echo
echo "== the summary of many logs (1,000 small logs named over and over), load average $(load)"
printf "%-48s %10s %10s\n" command seconds "peak KiB"
for count_list in "$summary_logs:list" "$((summary_logs / 10)):list-tenth" "20000:list-args"; do
    read -r t kib <<<"$(timed_peak "$bin/runtally-table" --summary --files-from="$data/many/${count_list#*:}")"
    printf "%-48s %10s %10s\n" "runtally-table --summary, ${count_list%%:*} logs" "$t" "$kib"
done
# runtally-table's summary row, printed with runtally's formats.
as_runtally() {
    awk -F '\t' 'NR == 2 {
        printf "\nTotal Benefit:     %2.4f\nTotal Instability: %2.4f\nTotal Utilization: %2.4f\n", $4, $5, $6
        printf "Missed Deadlines:  %d/%d\nAvg. Benefit:      %2.4f\nAvg. Instability:  %2.4f\n", $3, $2, $7, $8
        printf "Avg. Missed Dls:   %d\nMissed DL Freq:    %2.4f%%\n", $9, $10 }' "$1"
}
as_runtally "$data/many/out.txt" >"$data/many/summary-table.txt"
mapfile -t args <"$data/many/list-args"
read -r t kib <<<"$(timed_peak "$bin/runtally" "${args[@]}")"
printf "%-48s %10s %10s\n" "runtally, 20000 logs as arguments" "$t" "$kib"
if cmp -s <(tail -n 9 "$data/many/out.txt") "$data/many/summary-table.txt"; then
    echo "   output check: runtally-table --summary gives runtally's summary lines on the 20,000 logs"
else
    echo "   output check: runtally-table --summary DIFFERS from runtally's summary lines"
    status=1
fi
exit "$status"
