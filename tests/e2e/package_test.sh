#!/usr/bin/env bash
# Builds the Debian package from the build tree, unpacks it into a scratch
# directory and runs the programs from there; checks the package's name,
# version and dependencies, the licence and README it carries, its manual
# pages (rendered without a warning, the version in their title lines), and
# that nothing in it names the build or source tree.
# Usage: package_test.sh BUILD-DIR SOURCE-DIR VERSION
set -u
build=$(realpath "$1")
source_dir=$(realpath "$2")
version=$3
source "$(dirname "$0")/check.sh"

if ! cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/package" >cpack.log 2>&1; then
    cat cpack.log
    echo "FAIL: cpack -G DEB"
    exit 1
fi
debs=(package/*.deb)
if ((${#debs[@]} != 1)); then
    echo "FAIL: cpack made ${#debs[@]} Debian packages, wanted one"
    exit 1
fi
deb=${debs[0]}
dpkg-deb -x "$deb" root && dpkg-deb -e "$deb" control || { echo "FAIL: dpkg-deb cannot unpack $deb"; exit 1; }

check "name and version" 0 "Package: runtally
Version: $version
" "" 'dpkg-deb -f "$deb" Package Version'
check "depends on the C and C++ libraries" 0 $'libc6\nlibstdc++6\n' "" \
    'dpkg-deb -f "$deb" Depends | tr "," "\n" | awk "{print \$1}" | grep -x -e libc6 -e libstdc++6 | sort'
check "installs under /usr alone" 0 $'root/usr\n' "" 'find root -mindepth 1 -maxdepth 1'
check "names neither the build nor the source tree" 0 "" "" '! grep -rlF -e "$build" -e "$source_dir" root control'

check_programs_run packaged root/usr/bin "$build" "$source_dir"

for f in LICENSE README.md; do
    check "carries $f" 0 "" "" 'cmp root/usr/share/doc/runtally/$f "$source_dir/$f"'
done

# Every page in man/, rendered: no warning, and the version in the footer
# that the title line makes.
for template in "$source_dir"/man/*.in; do
    page=$(basename "$template" .in)
    check "$page renders without a warning" 0 "" "" 'groff -ww -z -man root/usr/share/man/man1/$page'
    check "$page carries version $version" 0 "runtally $version
" "" 'groff -man -Tascii root/usr/share/man/man1/$page | grep . | tail -n 1 | awk "{print \$1, \$2}"'
done

finish
