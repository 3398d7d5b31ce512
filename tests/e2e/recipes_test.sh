#!/usr/bin/env bash
# The README's runtally-table recipes, run as shown from a scratch copy of
# the examples: each command's output must be the output the README shows,
# and the plot recipe must draw its picture. A recipe whose tool is not
# installed is skipped with a message.
# Usage: recipes_test.sh BUILD-DIR SOURCE-DIR
set -u
build=$(realpath "$1")
source_dir=$(realpath "$2")
source "$(dirname "$0")/check.sh"

cp -r "$source_dir/examples" examples
mkdir -p build docs
ln -s "$build" build/default
cp "$source_dir/docs/windows.gp" docs/

# Each block of the README's runtally-table section that starts with a
# command: the command (with its continuation lines) in recipe-N.sh, what
# it prints in recipe-N.out.
awk '
    /^## / { section = /^## Tables for other tools/ }
    /^```/ { if (inside) { inside = 0; close(out) } else { inside = 1; start = 1 } next }
    inside && start { start = 0; taking = section && /^\$ /; if (!taking) next
        n++; sh = "recipe-" n ".sh"; out = "recipe-" n ".out"; printf "" >out; command = 1 }
    inside && taking && command { line = $0; sub(/^\$ /, "", line); print line >sh
        command = / [\\|]$/; next }
    inside && taking { print >out }
' "$source_dir/README.md"

recipes=(recipe-*.sh)
check "the README has recipes" 0 "" "" '((${#recipes[@]} >= 4))'
for sh in "${recipes[@]}"; do
    tool=
    grep -q mlr "$sh" && tool=miller
    grep -q gnuplot "$sh" && tool=gnuplot-nox
    if [[ $tool == miller ]] && ! command -v mlr >/dev/null; then
        echo "skipped: $(head -n 1 "$sh") (Debian package miller is not installed)"
        continue
    fi
    if [[ $tool == gnuplot-nox ]] && ! command -v gnuplot >/dev/null; then
        echo "skipped: $(head -n 1 "$sh") (Debian package gnuplot-nox is not installed)"
        continue
    fi
    shown=$(cat "${sh%.sh}.out"; echo .)
    check "as shown: $(head -n 1 "$sh")" 0 "${shown%.}" "" 'bash "$sh"'
done
if [[ -e docs/windows.png ]]; then
    check "the plot recipe draws a PNG picture" 0 $'\x89PNG\n' "" 'head -c 4 docs/windows.png; echo'
fi

finish
