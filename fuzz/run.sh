#!/usr/bin/env bash
# Builds the reader's fuzz target and runs it against the C library's fscanf.
#
#   fuzz/run.sh SECONDS [libFuzzer options...]
#
# Builds build/fuzz/reader_fuzz through the fuzz preset (clang 14, libFuzzer,
# AddressSanitizer, UndefinedBehaviorSanitizer) and fuzzes for SECONDS with one job per core
# (two at most), with the tokens of fuzz/reader.dict, on build/fuzz/corpus:
# a working copy of fuzz/corpus that keeps what the runs add, so the seeds in
# the tree stay as they are. Extra options go to libFuzzer after ours, and so
# override them.
#
# Exits 0 when the time ran out with nothing found. On a finding it exits
# non-zero and prints the path of the input that shows it; running
#   build/fuzz/reader_fuzz PATH
# replays it and describes the difference.
set -euo pipefail

if [[ $# -lt 1 || ! $1 =~ ^[0-9]+$ || $1 -lt 1 ]]; then
    echo "usage: $0 SECONDS [libFuzzer options...]" >&2
    exit 2
fi
seconds=$1
shift

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
out=$root/build/fuzz
mkdir -p "$out/corpus" "$out/artifacts"

echo "building $out/reader_fuzz: cmake --workflow --preset fuzz"
if ! (cd "$root" && cmake --workflow --preset fuzz) >"$out/build.log" 2>&1; then
    cat "$out/build.log" >&2
    echo "reader_fuzz: build failed" >&2
    exit 1
fi

cp "$root"/fuzz/corpus/* "$out/corpus/"

# Findings of this run are the artifacts newer than this mark.
stamp=$out/artifacts/.started
touch "$stamp"

jobs=$(nproc 2>/dev/null || echo 1)
((jobs > 2)) && jobs=2
# In fork mode libFuzzer would let timeouts and running out of memory pass;
# for a reader that must never hang or grow, they are findings too.
status=0
(cd "$out" && ./reader_fuzz corpus \
    -fork="$jobs" -ignore_crashes=0 -ignore_timeouts=0 -ignore_ooms=0 \
    -max_total_time="$seconds" -max_len=4096 -timeout=10 -rss_limit_mb=2048 \
    -dict="$root/fuzz/reader.dict" -artifact_prefix="$out/artifacts/" -print_final_stats=1 \
    "$@") || status=$?

findings=$(find "$out/artifacts" -type f -newer "$stamp" ! -name '.*' | sort)
if [[ $status -ne 0 || -n $findings ]]; then
    echo "reader_fuzz: failed (status $status)" >&2
    for f in $findings; do
        echo "reader_fuzz: finding: $f   (replay: $out/reader_fuzz $f)" >&2
    done
    ((status != 0)) || status=1
    exit "$status"
fi
echo "reader_fuzz: no finding in $seconds s"
