#!/usr/bin/env bash
# Installs the build into a scratch prefix, runs the programs from there and
# renders each manual page without a warning; the licence and README go
# with them.
# Usage: install_test.sh BUILD-DIR SOURCE-DIR
set -u
build=$(realpath "$1")
source_dir=$(realpath "$2")
source "$(dirname "$0")/check.sh"

cmake --install "$build" --prefix "$work/prefix" >/dev/null || { echo "FAIL: cmake --install"; exit 1; }
for f in bin/runtally bin/runtally2 bin/runtally-check share/man/man1/runtally.1 share/man/man1/runtally2.1 \
         share/man/man1/runtally-check.1 share/doc/runtally/LICENSE share/doc/runtally/README.md; do
    if [[ -e prefix/$f ]]; then echo "ok: installs $f"; else echo "FAIL: $f not installed"; failures=$((failures + 1)); fi
done

check_programs_run installed prefix/bin "$build" "$source_dir"
for page in runtally runtally2 runtally-check; do
    check "$page.1 renders without a warning" 0 "" "" "groff -ww -z -man prefix/share/man/man1/$page.1"
done

finish
