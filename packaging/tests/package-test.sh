#!/bin/bash
# The Debian packages as a user and a developer meet them: unpacked into a scratch root, the
# installed ravlin-cli packs and unpacks, reports the project's version and has a manual page
# that renders cleanly; a program built against the installed library, once through
# find_package and once through pkg-config, packs data that the installed ravlin-cli unpacks
# again; lintian finds no errors.
# Usage: package-test.sh BUILD_DIR SOURCE_DIR   (after `cmake --build BUILD_DIR --target package`)
set -u
build=$(realpath "$1")
source_dir=$(realpath "$2")
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
step() { echo "-- $*"; }

project_version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
version=${project_version%.*}
arch=$(dpkg --print-architecture)
runtime_deb=$build/ravlin_${version}_${arch}.deb
dev_deb=$build/ravlin-dev_${version}_${arch}.deb
for deb in "$runtime_deb" "$dev_deb"; do
  [ -f "$deb" ] || { echo "FAIL: no package $deb"; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
root=$work/root
dpkg -x "$runtime_deb" "$root" && dpkg -x "$dev_deb" "$root" || { echo "FAIL: dpkg -x"; exit 1; }
usr=$root/usr
libdir=$(dirname "$(find "$usr/lib" -name 'libravlin.so.*.*' | head -n1)")

step "files in their Debian places"
for file in bin/ravlin bin/ravlin-cli share/man/man1/ravlin.1.gz share/man/man1/ravlin-cli.1.gz \
    share/bash-completion/completions/ravlin-cli share/zsh/vendor-completions/_ravlin-cli \
    share/applications/ravlin.desktop share/icons/hicolor/32x32/apps/ravlin.png \
    share/doc/ravlin/copyright share/doc/ravlin-dev/copyright; do
  [ -e "$usr/$file" ] || fail "missing /usr/$file"
done
for file in libravlin.so.1 libravlin.so cmake/Ravlin/RavlinConfig.cmake \
    cmake/Ravlin/RavlinConfigVersion.cmake cmake/Ravlin/RavlinTargets.cmake pkgconfig/ravlin.pc; do
  [ -e "$libdir/$file" ] || fail "missing ${libdir#"$root"}/$file"
done
dpkg-deb -c "$runtime_deb" | grep -qE '/usr/include/|\.pc$|cmake/Ravlin' &&
  fail "the user package holds development files"
[ "$(readelf -d "$libdir/libravlin.so.1" | sed -n 's/.*soname: \[\(.*\)\]/\1/p')" = libravlin.so.1 ] ||
  fail "libravlin.so.1 lacks its soname"

step "only the public headers and symbols"
headers=$(cd "$usr/include/ravlin" && ls | paste -sd' ')
expected_headers="byte_buffer.h codec.h host.h io_error.h naming.h"
[ "$headers" = "$expected_headers" ] || fail "installed headers '$headers', expected '$expected_headers'"
private=$(nm -DC --defined-only "$libdir/libravlin.so.1" | grep -E 'detail|anonymous|Engine|FileSystem')
[ -z "$private" ] || fail "libravlin exports internals: $private"

step "the installed ravlin-cli"
cli=$usr/bin/ravlin-cli
[ "$("$cli" --version)" = "ravlin-cli $version" ] || fail "--version says '$("$cli" --version)'"
# Runs and stretches of noise, an even number of bytes so both methods take it.
{ head -c 70000 /dev/zero; head -c 30000 /dev/urandom; printf 'abababab'; head -c 4000 /dev/zero | tr '\0' 'x'; } >"$work/picture.bin"
for method in 1 2; do
  "$cli" pack -q -m "$method" -c "$work/picture.bin" >"$work/cli.pack$method" &&
    "$cli" unpack -q -m "$method" -c "$work/cli.pack$method" | cmp -s - "$work/picture.bin" ||
    fail "ravlin-cli round trip with method $method"
done

step "the installed manual pages"
for page in ravlin ravlin-cli; do
  warnings=$(MANWIDTH=80 man --warnings -l "$usr/share/man/man1/$page.1.gz" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "man -l $page.1.gz warns: $warnings"
  MANWIDTH=80 man -l "$usr/share/man/man1/$page.1.gz" 2>/dev/null | grep -q "^NAME" ||
    fail "man -l $page.1.gz shows no page"
done
MANWIDTH=80 man -l "$usr/share/man/man1/ravlin-cli.1.gz" | grep -qE -- '--output-dir' ||
  fail "ravlin-cli(1) does not list the options"

# Checks that CONSUMER loads the library of the scratch root, names its output by the engine's
# rule, and writes a stream from picture.bin that the installed ravlin-cli unpacks again.
check_consumer() {
  local how=$1 consumer=$2 output
  LD_LIBRARY_PATH=$libdir ldd "$consumer" | grep -q "libravlin.so.1 => $libdir/" ||
    fail "$how: the consumer does not load the installed library"
  mkdir -p "$work/$how"
  for method in 1 2; do
    output=$(LD_LIBRARY_PATH=$libdir "$consumer" "$method" "$work/picture.bin" "$work/$how") ||
      { fail "$how: the consumer fails with method $method"; continue; }
    [ "$output" = "$work/$how/picture.pack$method" ] || fail "$how: the consumer wrote '$output'"
    "$cli" unpack -q -m "$method" -c "$output" | cmp -s - "$work/picture.bin" ||
      fail "$how: the stream of method $method does not unpack to the input"
  done
}

step "a consumer built with find_package(Ravlin)"
if cmake -S "$source_dir/packaging/consumer" -B "$work/consumer-cmake" -G Ninja \
     -DCMAKE_PREFIX_PATH="$usr" >"$work/consumer-cmake.log" 2>&1 &&
   cmake --build "$work/consumer-cmake" >>"$work/consumer-cmake.log" 2>&1; then
  check_consumer find_package "$work/consumer-cmake/ravlin-consumer"
else
  cat "$work/consumer-cmake.log"
  fail "the find_package consumer does not build"
fi

step "a consumer built with pkg-config"
export PKG_CONFIG_PATH=$libdir/pkgconfig
[ "$(realpath "$(pkg-config --variable=includedir ravlin)")" = "$usr/include" ] ||
  fail "ravlin.pc points to $(pkg-config --variable=includedir ravlin), not the unpacked tree"
[ "$(pkg-config --modversion ravlin)" = "$version" ] || fail "ravlin.pc has version $(pkg-config --modversion ravlin)"
# shellcheck disable=SC2046 # the flags are meant to split
if g++ -std=c++20 -o "$work/consumer-pkg-config" "$source_dir/packaging/consumer/consumer.cpp" \
     $(pkg-config --cflags --libs ravlin); then
  check_consumer pkg-config "$work/consumer-pkg-config"
else
  fail "the pkg-config consumer does not build"
fi

step "lintian"
if command -v lintian >/dev/null; then
  lintian --tag-display-limit 0 "$runtime_deb" "$dev_deb" >"$work/lintian.txt" 2>&1
  cat "$work/lintian.txt"
  grep -q '^E: ' "$work/lintian.txt" && fail "lintian reports errors"
else
  echo "lintian is not installed: skipped"
fi

[ "$failures" -eq 0 ] && echo "package: all checks passed"
[ "$failures" -eq 0 ]
