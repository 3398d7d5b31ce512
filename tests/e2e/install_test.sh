#!/usr/bin/env bash
# Installs the build into a scratch prefix, runs the programs from there and
# renders each manual page without a warning; the README, changelog and
# copyright file go with them, with the example logs, and every example in
# the README and the manual pages runs there as they show it.
# Usage: install_test.sh BUILD-DIR SOURCE-DIR
set -u
build=$(realpath "$1")
source_dir=$(realpath "$2")
source "$(dirname "$0")/harness.sh"

cmake --install "$build" --prefix "$work/prefix" >/dev/null || { echo "FAIL: cmake --install"; exit 1; }
pages=()
for template in "$source_dir"/man/*.in; do
    pages+=("share/man/man1/$(basename "$template" .in).gz")
done
for f in bin/runtally bin/runtally2 bin/runtally-check bin/runtally-table "${pages[@]}" share/doc/runtally/README.md \
         share/doc/runtally/changelog.gz share/doc/runtally/copyright share/doc/runtally/examples/damaged/restarted.log; do
    if [[ -e prefix/$f ]]; then echo "ok: installs $f"; else echo "FAIL: $f not installed"; failures=$((failures + 1)); fi
done

check_programs_run installed prefix/bin "$build" "$source_dir"
for page in "${pages[@]}"; do
    check "${page##*/} renders without a warning" 0 "" "" 'zcat prefix/$page | groff -ww -z -man'
done
check_documented_commands "$work/prefix/share/doc/runtally" "$work/prefix/bin" \
    prefix/share/doc/runtally/README.md "${pages[@]/#/prefix/}"

finish
