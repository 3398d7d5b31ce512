# The end-to-end scripts' harness, which each of them sources: a fresh
# scratch directory, check, and helpers for the expected output.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
failures=0

# check NAME STATUS STDOUT STDERR SCRIPT: runs SCRIPT in a subshell and
# compares its exit status, standard output and standard error, exactly.
check() {
    local name=$1 status
    (eval "$5") >out 2>err
    status=$?
    printf '%s' "$3" >want_out
    printf '%s' "$4" >want_err
    if [[ $status != "$2" ]] || ! cmp -s out want_out || ! cmp -s err want_err; then
        echo "FAIL: $name (status $status, wanted $2)"
        diff want_out out | sed 's/^/  stdout /'
        diff want_err err | sed 's/^/  stderr /'
        failures=$((failures + 1))
    else
        echo "ok: $name"
    fi
}

# scanned COMMAND...: runs COMMAND, passing on its output, errors and
# status, and adds a line to its errors for each stream that holds a raw
# control byte (a line end aside) or bytes that are not valid UTF-8.
scanned() {
    local status stream
    "$@" >scanned.out 2>scanned.err
    status=$?
    cat scanned.out
    cat scanned.err >&2
    for stream in out err; do
        LC_ALL=C grep -q $'[\x01-\x09\x0b-\x1f\x7f]' "scanned.$stream" && echo "raw control byte on std$stream" >&2
        LC_ALL=C.UTF-8 grep -qavx '.*' "scanned.$stream" && echo "invalid UTF-8 on std$stream" >&2
    done
    return $status
}

# A name with a line end, a terminal escape and a byte that is not valid
# UTF-8, which forges a diagnostic where it is written raw; and how
# diagnostics write it.
hostile_name=$'a\e[31mRED\nfake:1:1: error: \xffx.log'
hostile_shown='a\x1b[31mRED\nfake:1:1: error: \xffx.log'

# The compressed formats that runtally-check and runtally-table read, each
# as "NAME SUFFIX COMPRESSOR...".
compressors=("gzip .gz gzip -c" "zstd .zst zstd -q -c" "xz .xz xz -c" "bzip2 .bz2 bzip2 -c")

# formats_read_by PROGRAM: the entries of compressors whose format PROGRAM
# reads (the third line of its --version names them) and whose compressor
# is installed, into the array formats. Every other is skipped, with a
# message, or fails under CI (CI=true), which must test them all.
formats_read_by() {
    local read entry why
    read=$("$1" --version | sed -n 3p)
    formats=()
    for entry in "${compressors[@]}"; do
        # shellcheck disable=SC2086  # the entry's words
        set -- $entry
        if [[ $read != *"$1 ("* ]]; then
            why="this build does not read them"
        elif ! command -v "$3" >/dev/null; then
            why="$3 is not installed"
        else
            formats+=("$entry")
            continue
        fi
        if [[ ${CI:-} == true ]]; then
            echo "FAIL: $1 logs: $why, and CI=true: CI must test every format"
            failures=$((failures + 1))
        else
            echo "skipped: $1 logs: $why"
        fi
    done
}

# check_programs_run KIND BIN BUILD SOURCE: the programs in BIN print what
# the build tree's print, on the shipped examples.
check_programs_run() {
    local kind=$1 bin=$2 build=$3 source_dir=$4 program log
    for program in runtally runtally2 runtally-check runtally-table; do
        log=("$source_dir"/examples/*.log)
        [[ $program == runtally2 ]] && log=("$source_dir"/examples/short/tracker.log)
        check "$kind $program runs" 0 "$("$build/$program" "${log[@]}")
" "" '"$bin/$program" "${log[@]}"'
    done
}

# check_documented_commands DOC-DIR BIN DOCUMENT...: runs the examples of
# each installed document from DOC-DIR, with the programs in BIN first on
# the PATH. An example is a line after "$ " in a ``` block of a README or an
# .EX block of a gzipped manual page, with the output shown under it, which
# must match what it prints, white space aside (manual pages fold long
# lines); or any line of a ```sh block, which must succeed. An example that
# runs Miller, gnuplot, jq, igzip or GNU parallel where it is not installed
# is skipped, with a message. Files that the examples write in /tmp or the home directory go
# to the scratch directory; every relative link must name a file that is
# installed.
check_documented_commands() {
    local doc_dir=$1 bin=$2 document example command status link tool
    shift 2
    for document in "$@"; do
        rm -rf documented tmp && mkdir documented tmp
        zcat -f "$document" | awk '
            function flush() {
                if (command != "") {
                    file = "documented/" sprintf("%03d", ++n)
                    print command >(file ".command"); close(file ".command")
                    printf "%s", shown >(file ".shown"); close(file ".shown")
                    if (succeeds) { print "" >(file ".succeeds"); close(file ".succeeds") }
                }
                command = shown = ""
            }
            /^\.EX$/ || (/^```/ && !block) { block = 1; sh = ($0 == "```sh"); next }
            /^\.EE$/ || /^```$/ { flush(); block = 0; next }
            !block { next }
            { gsub(/\\-/, "-") }
            sh { flush(); command = $0; succeeds = 1; next }
            /^\$ / { flush(); command = substr($0, 3); succeeds = 0; next }
            command != "" { shown = shown $0 "\n" }'
        for example in documented/*.command; do
            [[ -e $example ]] || continue
            example=${example%.command}
            tool=$(grep -ow -m 1 -e mlr -e gnuplot -e jq -e igzip -e parallel "$example.command" | head -n 1)
            if [[ -n $tool ]] && ! command -v "$tool" >/dev/null; then
                echo "skipped: ${document##*/}: $(<"$example.command") ($tool is not installed)"
                continue
            fi
            command=$(sed "s|/tmp/|$work/tmp/|g" "$example.command")
            (cd "$doc_dir" && HOME=$work PATH=$bin:$PATH bash -c "$command") >"$example.out" 2>&1
            status=$?
            if [[ -e $example.succeeds ]] && ((status == 0)) ||
                [[ ! -e $example.succeeds && $(tr -s '[:space:]' ' ' <"$example.out") == $(tr -s '[:space:]' ' ' <"$example.shown") ]]; then
                echo "ok: ${document##*/}: $(<"$example.command")"
            else
                echo "FAIL: ${document##*/}: $(<"$example.command")"
                diff "$example.shown" "$example.out" | sed 's/^/  /'
                failures=$((failures + 1))
            fi
        done
        for link in $(zcat -f "$document" | grep -o '](\([^):#]*\))' | sed 's/^](//; s/)$//'); do
            [[ -e $doc_dir/$link ]] || { echo "FAIL: ${document##*/} links $link, which is not installed"; failures=$((failures + 1)); }
        done
    done
}

# summary TOTAL-B TOTAL-I TOTAL-U MISSED SAMPLES AVG-B AVG-I AVG-M FREQ: the
# close of runtally's report, from its empty line on.
summary() {
    printf '\nTotal Benefit:     %s\nTotal Instability: %s\nTotal Utilization: %s\nMissed Deadlines:  %s/%s\n' "$1" "$2" "$3" "$4" "$5"
    printf 'Avg. Benefit:      %s\nAvg. Instability:  %s\nAvg. Missed Dls:   %s\nMissed DL Freq:    %s%%\n' "$6" "$7" "$8" "$9"
}

finish() {
    if ((failures > 0)); then
        echo "$failures failed"
        exit 1
    fi
}
