# Sourced by the end-to-end scripts. Runs in a fresh scratch directory.
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

# check_programs_run KIND BIN BUILD SOURCE: the programs in BIN print what
# the build tree's print, on the shipped examples.
check_programs_run() {
    local kind=$1 bin=$2 build=$3 source_dir=$4 program log
    for program in runtally runtally2 runtally-check; do
        log=("$source_dir"/examples/*.log)
        [[ $program == runtally2 ]] && log=("$source_dir"/examples/short/tracker.log)
        check "$kind $program runs" 0 "$("$build/$program" "${log[@]}")
" "" '"$bin/$program" "${log[@]}"'
    done
}

finish() {
    if ((failures > 0)); then
        echo "$failures failed"
        exit 1
    fi
}
