#!/bin/bash
# Rewrites libravlin1.symbols from a build's libravlin.so.1, once the library's interface has been
# changed on purpose (the package build fails on any symbol that appears or disappears):
#   packaging/debian/update-symbols.sh build/ci
# Every symbol gets the build's version, which is right while that version is unreleased.
set -euo pipefail
here=$(dirname "$(realpath "$0")")
build=$(realpath "$1")
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
DESTDIR=$stage cmake --install "$build" --component library --prefix /usr >/dev/null
version=$(dpkg-parsechangelog -l "$build/packaging/debian/changelog" -SVersion)
dpkg-gensymbols -q -plibravlin1 -P"$stage" -v"$version" -O"$stage/symbols"
# Tells dpkg-shlibdeps which package a program built against the library needs to build again.
sed '1a\* Build-Depends-Package: ravlin-dev' "$stage/symbols" >"$here/libravlin1.symbols"
