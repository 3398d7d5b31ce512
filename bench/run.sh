#!/usr/bin/env bash
# Throughput and peak memory of runtally and runtally2 (and the throughput
# of runtally-table beside runtally's), measured against the
# fscanf baseline and against `wc -l` (the cost of merely finding the lines),
# on four mixes of numbers: the logger mix (mostly %f), the scientific mix
# (%e and %.9g, 7 to 10 significant digits, many with an exponent), the
# shortest mix (doubles as the shortest decimal that reads back to them, as
# std::to_chars and Python's str write them: up to 17 digits) and the long
# mix (%.20f, %.25g, and 20 to 40 digits).
#
#   bench/run.sh [--runs N] [--before BUILD-DIR] [--sets SET,...] [--mixes MIX,...]
#
# From any directory. Builds the dev preset (Release), generates the logs
# into build/bench-data (kept and reused while their size is right), times
# every program N times (default 5, or RUNS=N) on a warm page cache and prints
# the medians, checks that each program's report equals its baseline's on the
# same log, then prints the peak resident memory of runtally over edge cases.
# SIZE_MIB=N sets the size of the four big logs (default 512).
#
# Compressed logs: runtally-table on a copy of the logger mix's Full log in
# each format (gzip, zstd, xz, bzip2, made once with each compressor's
# default level and kept), against the log uncompressed and against
# `zcat LOG.gz | runtally-table -`; and gzip read by zlib, from a build of
# runtally-table with RUNTALLY_GZIP_LIBRARY=zlib in build/bench-zlib,
# against isa-l's igzip, which the dev build reads it with.
#
# --before BUILD-DIR also times the runtally and runtally2 of another build
# (for example a clean clone of an earlier commit, built with the same
# preset) in the same runs, so that a change is measured before and after
# on the same machine in the same state.
#
# --sets SET,... also times the runtally and runtally2 of builds whose reader
# is capped at each instruction set named (scalar, sse2, avx2, avx512: the
# build option RUNTALLY_WIDEST_SET), built into build/bench-SET, in the same
# runs, so that the sets are measured side by side with the fscanf baseline.
# A set the processor does not offer reads as the widest it offers.
#
# --mixes MIX,... times only the mixes named (logger, scientific, shortest,
# long; all four by default).
#
# Last, bench/jobs.sh: --jobs=2 against --jobs=1, and --summary over many
# small logs, its time and peak memory.
set -euo pipefail

usage() {
    echo "usage: bench/run.sh [--runs N] [--before BUILD-DIR] [--sets SET,...] [--mixes MIX,...]   (environment: RUNS=N, SIZE_MIB=N)" >&2
    exit 2
}

runs=${RUNS:-5}
before=
sets=()
mixes=(logger scientific shortest long)
while (($# > 0)); do
    case $1 in
    --runs)
        (($# >= 2)) || usage
        runs=$2
        shift 2
        ;;
    --before)
        (($# >= 2)) || usage
        before=$(cd "$2" && pwd) || usage
        [[ -x $before/runtally && -x $before/runtally2 ]] || { echo "$2: no runtally or runtally2 built there" >&2; exit 2; }
        shift 2
        ;;
    --sets)
        (($# >= 2)) || usage
        IFS=, read -r -a sets <<<"$2"
        for set in "${sets[@]}"; do
            [[ $set =~ ^(scalar|sse2|avx2|avx512)$ ]] || { echo "$set: not an instruction set (scalar, sse2, avx2, avx512)" >&2; exit 2; }
        done
        shift 2
        ;;
    --mixes)
        (($# >= 2)) || usage
        IFS=, read -r -a mixes <<<"$2"
        for mix in "${mixes[@]}"; do
            [[ $mix =~ ^(logger|scientific|shortest|long)$ ]] || { echo "$mix: not a mix (logger, scientific, shortest, long)" >&2; exit 2; }
        done
        shift 2
        ;;
    *) usage ;;
    esac
done
size_mib=${SIZE_MIB:-512}
[[ $runs =~ ^[1-9][0-9]*$ && $size_mib =~ ^[1-9][0-9]*$ ]] || usage

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bin=$root/build/dev
data=$root/build/bench-data
mkdir -p "$data"
cd "$root"

echo "== machine: $(nproc) cores, $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n1)"

# --- build -------------------------------------------------------------------
echo "== build: cmake --preset dev && cmake --build --preset dev"
if ! { cmake --preset dev && cmake --build --preset dev --parallel "$(nproc)"; } >"$data/build.log" 2>&1; then
    cat "$data/build.log" >&2
    echo "build failed" >&2
    exit 1
fi
gen=$bin/bench/gen_logs
peak_rss=$bin/bench/peak_rss
# The programs alone, Release, as the default preset builds them, capped at each set.
for set in "${sets[@]}"; do
    echo "== build: runtally and runtally2 with RUNTALLY_WIDEST_SET=$set, in build/bench-$set"
    if ! { cmake -S "$root" -B "$root/build/bench-$set" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
        -DRUNTALLY_WIDEST_SET="$set" && cmake --build "$root/build/bench-$set" --target runtally runtally2 \
        --parallel "$(nproc)"; } >"$data/build-$set.log" 2>&1; then
        cat "$data/build-$set.log" >&2
        echo "build failed" >&2
        exit 1
    fi
done

echo "== build: runtally-table with RUNTALLY_GZIP_LIBRARY=zlib, in build/bench-zlib"
if ! { cmake -S "$root" -B "$root/build/bench-zlib" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
    -DRUNTALLY_GZIP_LIBRARY=zlib && cmake --build "$root/build/bench-zlib" --target runtally-table \
    --parallel "$(nproc)"; } >"$data/build-zlib.log" 2>&1; then
    cat "$data/build-zlib.log" >&2
    echo "build failed" >&2
    exit 1
fi

# --- logs --------------------------------------------------------------------
# ensure PATH BYTES COMMAND...: runs COMMAND into PATH unless PATH already
# holds BYTES bytes.
ensure() {
    local path=$1 bytes=$2
    shift 2
    if [[ -f $path && $(stat -c %s "$path") == "$bytes" ]]; then
        echo "   reuse    ${path#"$root"/} ($bytes bytes)"
        return
    fi
    echo "   generate ${path#"$root"/} ($bytes bytes)"
    "$@" >"$path.tmp"
    mv "$path.tmp" "$path"
    [[ $(stat -c %s "$path") == "$bytes" ]] || { echo "$path: wrong size" >&2; exit 1; }
}

number_head='L:1, CPU:0.'
number_tail=$', B:1, MCPU:1, P:1000\n'
number_digits=$((64 << 20))
# One line whose CPU value has 64 MiB of digits.
# shellcheck disable=SC2317  # called through ensure
long_number_log() {
    printf '%s' "$number_head"
    head -c "$number_digits" /dev/zero | tr '\0' '7'
    printf '%s' "$number_tail"
}

sample_line=$'L:1, CPU:0.5, B:1, MCPU:0.5, P:1000\n'
blank_bytes=$((1 << 30))
# A sample, 1 GiB of newlines (its closing white space), another sample.
# shellcheck disable=SC2317  # called through ensure
blank_lines_log() {
    printf '%s' "$sample_line"
    head -c "$blank_bytes" /dev/zero | tr '\0' '\n'
    printf '%s' "$sample_line"
}

big_bytes=$((size_mib << 20))
small=$data/small.log
empty=$data/empty.log
long_number=$data/long-number-64MiB.log
blank_lines=$data/blank-lines-1GiB.log

# Each mix: the suffix of its ids, the form gen_logs writes, the seeds of its
# Full and Short logs.
declare -A mix_suffix=([logger]="" [scientific]=_sci [shortest]=_shortest [long]=_long)
declare -A mix_form=([logger]="" [scientific]=-sci [shortest]=-shortest [long]=-long)
declare -A mix_seeds=([logger]="1 2" [scientific]="5 6" [shortest]="7 8" [long]="3 4")
declare -A full_logs short_logs
# The Full logger log is the memory measure's, whatever the mixes timed.
full=$data/full-${size_mib}MiB-seed1.log
short=$data/short-${size_mib}MiB-seed2.log

echo "== logs in ${data#"$root"/}"
ensure "$full" "$big_bytes" "$gen" full "$big_bytes" 1
ensure "$short" "$big_bytes" "$gen" short "$big_bytes" 2
for mix in "${mixes[@]}"; do
    read -r full_seed short_seed <<<"${mix_seeds[$mix]}"
    full_logs[$mix]=$data/full${mix_form[$mix]}-${size_mib}MiB-seed$full_seed.log
    short_logs[$mix]=$data/short${mix_form[$mix]}-${size_mib}MiB-seed$short_seed.log
    ensure "${full_logs[$mix]}" "$big_bytes" "$gen" "full${mix_form[$mix]}" "$big_bytes" "$full_seed"
    ensure "${short_logs[$mix]}" "$big_bytes" "$gen" "short${mix_form[$mix]}" "$big_bytes" "$short_seed"
done
ensure "$small" 4096 "$gen" full 4096 3
ensure "$empty" 0 true
ensure "$long_number" $((${#number_head} + number_digits + ${#number_tail})) long_number_log
ensure "$blank_lines" $((2 * ${#sample_line} + blank_bytes)) blank_lines_log
# compressed SUFFIX COMPRESSOR...: a copy of the Full log, kept while it is
# newer than the log.
compressed() {
    local suffix=$1
    shift
    if [[ -f $full$suffix && $full$suffix -nt $full ]]; then
        echo "   reuse    ${full#"$root"/}$suffix"
        return
    fi
    echo "   generate ${full#"$root"/}$suffix ($*)"
    "$@" <"$full" >"$full$suffix.tmp"
    mv "$full$suffix.tmp" "$full$suffix"
}
if [[ " ${mixes[*]} " == *" logger "* ]]; then
    compressed .gz gzip -c
    compressed .zst zstd -q -c
    compressed .xz xz -c -T2
    compressed .bz2 bzip2 -c
fi

# --- throughput --------------------------------------------------------------
programs=()
for mix in "${mixes[@]}"; do
    m=${mix_suffix[$mix]}
    programs+=("runtally$m" "runtally_table$m" "fscanf_full$m" "wc_full$m" "runtally2$m" "fscanf_short$m" "wc_short$m")
    [[ -z $before ]] || programs+=("before_full$m" "before_short$m")
    for set in "${sets[@]}"; do
        programs+=("full@$set$m" "short@$set$m")
    done
done
# The compressed copies are the logger mix's Full log's: timed with that mix.
compressed_ids=()
[[ " ${mixes[*]} " != *" logger "* ]] || compressed_ids=(table_gz table_gz_zlib zcat_table table_zst table_xz table_bz2)
programs+=("${compressed_ids[@]}")

# run_program ID: ID names a program and, with a mix's suffix at its end
# (_sci, _shortest, _long), that mix's logs instead of the logger mix's.
run_program() {
    local id=$1 mix=logger
    for m in scientific shortest long; do
        if [[ $id == *"${mix_suffix[$m]}" ]]; then
            id=${id%"${mix_suffix[$m]}"}
            mix=$m
        fi
    done
    local full_log=${full_logs[$mix]} short_log=${short_logs[$mix]}
    case $id in
    runtally) "$bin/runtally" "$full_log" ;;
    runtally_table) "$bin/runtally-table" "$full_log" ;;
    table_gz) "$bin/runtally-table" "$full.gz" ;;
    table_gz_zlib) "$root/build/bench-zlib/runtally-table" "$full.gz" ;;
    zcat_table) zcat "$full.gz" | "$bin/runtally-table" - ;;
    table_zst) "$bin/runtally-table" "$full.zst" ;;
    table_xz) "$bin/runtally-table" "$full.xz" ;;
    table_bz2) "$bin/runtally-table" "$full.bz2" ;;
    fscanf_full) "$bin/tests/support/fscanf_tally" full "$full_log" ;;
    wc_full) wc -l "$full_log" ;;
    runtally2) "$bin/runtally2" "$short_log" ;;
    fscanf_short) "$bin/tests/support/fscanf_tally" short "$short_log" ;;
    wc_short) wc -l "$short_log" ;;
    before_full) "$before/runtally" "$full_log" ;;
    before_short) "$before/runtally2" "$short_log" ;;
    full@*) "$root/build/bench-${id#full@}/runtally" "$full_log" ;;
    short@*) "$root/build/bench-${id#short@}/runtally2" "$short_log" ;;
    esac
}

median() {
    sort -n "$1" | awk '{ t[NR] = $1 } END { print (NR % 2) ? t[(NR + 1) / 2] : (t[NR / 2] + t[NR / 2 + 1]) / 2 }'
}

echo "== throughput: $runs runs of each program, in turn, warm page cache"
for mix in "${mixes[@]}"; do
    cat "${full_logs[$mix]}" "${short_logs[$mix]}" >/dev/null
done
((${#compressed_ids[@]} == 0)) || cat "$full".{gz,zst,xz,bz2} >/dev/null
for id in "${programs[@]}"; do
    : >"$data/times-$id.txt"
done
for ((run = 1; run <= runs; run++)); do
    for id in "${programs[@]}"; do
        start=$(date +%s%N)
        run_program "$id" >"$data/out-$id.txt"
        end=$(date +%s%N)
        echo $((end - start)) >>"$data/times-$id.txt"
    done
    echo "   run $run/$runs done"
done

declare -A seconds
for id in "${programs[@]}"; do
    seconds[$id]=$(median "$data/times-$id.txt" | awk '{ printf "%.4f", $1 / 1e9 }')
done

row() {  # label log-name id baseline-id wc-id
    awk -v label="$1" -v pattern="$2" -v t="${seconds[$3]}" -v base="${seconds[$4]}" -v wc="${seconds[$5]}" \
        -v bytes="$big_bytes" 'BEGIN {
            printf "%-20s %-7s %10.3f %9.1f %12.2f %12.2f\n", label, pattern, t, bytes / 1e6 / t, base / t, t / wc }'
}
echo
echo "Throughput on ${size_mib} MiB logs, median of $runs (MB = 10^6 bytes)"
printf "%-20s %-7s %10s %9s %12s %12s\n" program log "seconds" "MB/s" "fscanf/this" "this/wc -l"
for mix in "${mixes[@]}"; do
    m=${mix_suffix[$mix]}
    echo "-- $mix mix"
    row runtally "Full" "runtally$m" "fscanf_full$m" "wc_full$m"
    row runtally-table "Full" "runtally_table$m" "fscanf_full$m" "wc_full$m"
    [[ -z $before ]] || row "runtally before" Full "before_full$m" "fscanf_full$m" "wc_full$m"
    for set in "${sets[@]}"; do
        row "runtally $set" Full "full@$set$m" "fscanf_full$m" "wc_full$m"
    done
    row "fscanf_tally full" Full "fscanf_full$m" "fscanf_full$m" "wc_full$m"
    row "wc -l" Full "wc_full$m" "fscanf_full$m" "wc_full$m"
    row runtally2 Short "runtally2$m" "fscanf_short$m" "wc_short$m"
    [[ -z $before ]] || row "runtally2 before" Short "before_short$m" "fscanf_short$m" "wc_short$m"
    for set in "${sets[@]}"; do
        row "runtally2 $set" Short "short@$set$m" "fscanf_short$m" "wc_short$m"
    done
    row "fscanf_tally short" Short "fscanf_short$m" "fscanf_short$m" "wc_short$m"
    row "wc -l" Short "wc_short$m" "fscanf_short$m" "wc_short$m"
done
for mix in "${mixes[@]}"; do
    m=${mix_suffix[$mix]}
    awk -v mix="$mix" -v t="${seconds[runtally_table$m]}" -v r="${seconds[runtally$m]}" \
        'BEGIN { printf "runtally-table / runtally, %s mix: %.2f\n", mix, t / r }'
done
if ((${#compressed_ids[@]} > 0)); then
    echo
    echo "Compressed copies of the ${size_mib} MiB Full log (logger mix) through runtally-table, median of $runs"
    printf "%-32s %10s %14s\n" program seconds "this/plain"
    compressed_row() {  # label id
        awk -v label="$1" -v t="${seconds[$2]}" -v plain="${seconds[runtally_table]}" \
            'BEGIN { printf "%-32s %10.3f %14.2f\n", label, t, t / plain }'
    }
    compressed_row "runtally-table LOG" runtally_table
    compressed_row "runtally-table LOG.gz (isa-l)" table_gz
    compressed_row "runtally-table LOG.gz (zlib)" table_gz_zlib
    compressed_row "zcat LOG.gz | runtally-table -" zcat_table
    compressed_row "runtally-table LOG.zst" table_zst
    compressed_row "runtally-table LOG.xz" table_xz
    compressed_row "runtally-table LOG.bz2" table_bz2
    awk -v z="${seconds[zcat_table]}" -v g="${seconds[table_gz]}" \
        'BEGIN { printf "zcat pipe / runtally-table LOG.gz: %.2f\n", z / g }'
fi
echo

status=0
same_output() {  # label ours baseline
    if cmp -s "$data/out-$2.txt" "$data/out-$3.txt"; then
        echo "output check: $1 prints exactly what its fscanf baseline prints on the same log"
    else
        echo "output check: $1 DIFFERS from its fscanf baseline:"
        diff "$data/out-$2.txt" "$data/out-$3.txt" || true
        status=1
    fi
}
same_rows() {  # label id: the rows of runtally-table on the plain log, the log column aside
    if cmp -s <(cut -f 2- "$data/out-$2.txt") <(cut -f 2- "$data/out-runtally_table.txt"); then
        echo "output check: $1 writes the rows of runtally-table on the log uncompressed"
    else
        echo "output check: $1 DIFFERS from runtally-table on the log uncompressed"
        status=1
    fi
}
for id in "${compressed_ids[@]}"; do
    same_rows "$id" "$id"
done
for mix in "${mixes[@]}"; do
    m=${mix_suffix[$mix]}
    same_output "runtally, $mix mix" "runtally$m" "fscanf_full$m"
    same_output "runtally2, $mix mix" "runtally2$m" "fscanf_short$m"
    if [[ -n $before ]]; then
        same_output "runtally before, $mix mix" "before_full$m" "fscanf_full$m"
        same_output "runtally2 before, $mix mix" "before_short$m" "fscanf_short$m"
    fi
    for set in "${sets[@]}"; do
        same_output "runtally $set, $mix mix" "full@$set$m" "fscanf_full$m"
        same_output "runtally2 $set, $mix mix" "short@$set$m" "fscanf_short$m"
    done
done

# --- memory ------------------------------------------------------------------
# peak COMMAND...: the command's peak resident set size in KiB, the median of
# three runs (it varies by a few pages from run to run); the report of the
# last run is kept in $data/peak-out.txt.
peak() {
    local report
    : >"$data/peak-kib.txt"
    for _ in 1 2 3; do
        if ! report=$("$peak_rss" "$@" 2>&1 >"$data/peak-out.txt"); then
            echo "warning: ${1##*/} exited with a non-zero status" >&2
        fi
        tail -n1 <<<"$report" | awk '$1 == "peak_rss:" { print $2 }' >>"$data/peak-kib.txt"
    done
    median "$data/peak-kib.txt"
}

echo
echo "== memory: peak resident set size (kernel ru_maxrss), median of 3 runs"
paths=()
for ((i = 0; i < 10000; i++)); do
    paths+=(small.log)
done
labels=("empty log" "${size_mib} MiB Full log" "one 64 MiB number" "1 GiB of blank lines" "10,000 paths")
kib=()
kib+=("$(peak "$bin/runtally" "$empty")")
kib+=("$(peak "$bin/runtally" "$full")")
kib+=("$(peak "$bin/runtally" "$long_number")")
kib+=("$(peak "$bin/runtally" "$blank_lines")")
if grep -q ' M:0/2 ' "$data/peak-out.txt"; then
    echo "   runtally read through the 1 GiB of blank lines to the sample after them"
else
    echo "   FAILED: runtally did not read the sample after the blank lines"
    status=1
fi
kib+=("$(cd "$data" && peak "$bin/runtally" "${paths[@]}")")
short_kib=$(peak "$bin/runtally2" "$short")

echo
echo "Peak memory of runtally"
printf "%-24s %10s\n" case KiB
for i in "${!labels[@]}"; do
    printf "%-24s %10s\n" "${labels[$i]}" "${kib[$i]}"
done
printf "%s\n" "${kib[@]}" | sort -n | awk 'NR == 1 { min = $1 } { max = $1 } END {
    printf "%-24s %10d\n", "spread (max - min)", max - min }'
echo "(runtally2 on the ${size_mib} MiB Short log: $short_kib KiB; peak_rss itself, measuring true: $(peak true) KiB)"

# --- jobs --------------------------------------------------------------------
# Logs read at once (--jobs) and the summary of many logs, in a script of
# their own (which runs alone too).
echo
"$root/bench/jobs.sh" --runs "$runs" || status=1
exit "$status"
