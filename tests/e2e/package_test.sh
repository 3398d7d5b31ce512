#!/usr/bin/env bash
# Builds the Debian package from the build tree, unpacks it into a scratch
# directory and runs the programs from there; checks the package's name,
# version and dependencies, the documents it carries (copyright, changelog,
# README, example logs; every example in the README and the manual pages
# runs there as they show it), its manual pages (rendered without a warning,
# the version in their title lines), that its gzipped files are the same
# from build to build, that nothing in it names the build or source tree,
# and that lintian --pedantic finds nothing, not even an info tag. Without
# lintian the last check is skipped, unless CI=true: CI must run it.
# Usage: package_test.sh BUILD-DIR SOURCE-DIR VERSION
set -u
build=$(realpath "$1")
source_dir=$(realpath "$2")
version=$3
source "$(dirname "$0")/harness.sh"

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
# And on the decompression library of each format that runtally-check
# links (ldd names them): the package is installable where they are.
libraries=$(ldd "$build/runtally-check" | awk '$1 ~ /^lib(isal|z|zstd|lzma|bz2)\.so/ { print "*/" $1 }' |
    xargs -r dpkg -S | sed 's/:.*//' | sort -u | tr '\n' ' ')
check "depends on the C and C++ libraries and on the decompression libraries linked (${libraries% })" 0 \
    "$(printf '%s\n' libc6 libstdc++6 $libraries | sort -u)
" "" 'dpkg-deb -f "$deb" Depends | tr "," "\n" | awk "{print \$1}" |
         grep -x -e libc6 -e libstdc++6 $(printf -- "-e %s " $libraries) | sort -u'
check "installs under /usr alone" 0 $'root/usr\n' "" 'find root -mindepth 1 -maxdepth 1'
check "names neither the build nor the source tree" 0 "" "" '! grep -rlF -e "$build" -e "$source_dir" root control'

check_programs_run packaged root/usr/bin "$build" "$source_dir"

doc=root/usr/share/doc/runtally
for f in copyright README.md; do
    check "carries $f" 0 "" "" 'cmp $doc/$f "$build/doc/$f"'
done
check "carries the changelog, its latest entry for version $version" 0 "runtally ($version) unstable; urgency=medium
" "" 'zcat $doc/changelog.gz | cmp - "$source_dir/CHANGELOG" && head -n 1 "$source_dir/CHANGELOG"'
check "carries the example logs" 0 "" "" 'diff -r $doc/examples "$source_dir/examples"'
# gzip -9n: the best compression; no name and no time in the header.
check "gzipped files are headed without name or time, at the best compression" 0 "" "" \
    'find root -name "*.gz" | while read -r f; do head -c 9 "$f" | od -An -tx1 | grep -qx " 1f 8b 08 00 00 00 00 00 02" || echo "$f"; done'

# Every page in man/, rendered: no warning, and the version in the footer
# that the title line makes.
pages=()
for template in "$source_dir"/man/*.in; do
    page=root/usr/share/man/man1/$(basename "$template" .in).gz
    pages+=("$page")
    check "${page##*/} renders without a warning" 0 "" "" 'zcat $page | groff -ww -z -man'
    check "${page##*/} carries version $version" 0 "runtally $version
" "" 'zcat $page | groff -man -Tascii | grep . | tail -n 1 | awk "{print \$1, \$2}"'
done
check_documented_commands "$work/$doc" "$work/root/usr/bin" $doc/README.md "${pages[@]}"

if command -v lintian >/dev/null; then
    check "lintian --pedantic --display-info finds nothing" 0 "" "" \
        'lintian --pedantic --display-info --fail-on error,warning,info,pedantic "$deb" 2>err.lintian
         status=$?; grep -v "^running with root privileges is not recommended!\$" err.lintian >&2; exit $status'
elif [[ ${CI:-} == true ]]; then
    echo "FAIL: lintian is not installed, and CI=true: CI must run it (apt-get install lintian)"
    failures=$((failures + 1))
else
    echo "skip: lintian --pedantic: lintian is not installed (apt-get install lintian)"
fi

finish
