#!/bin/bash
# The arm64 libravlin1 and ravlin-cli packages, used as on an arm64 machine: both are unpacked into
# one folder; the loader for arm64, under qemu-aarch64, must load the unpacked library with all it
# needs; and that ravlin-cli (which has the engine built in and no run path) packs a real picture
# with each method and unpacks it again.
# Usage: arm64-deb-test.sh DEB_DIR
set -euo pipefail
debs=$(realpath "$1")
version=$(dpkg-deb -f "$debs"/ravlin-cli_*_arm64.deb Version)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

for package in libravlin1 ravlin-cli; do
  deb=$debs/${package}_${version}_arm64.deb
  arch=$(dpkg-deb -f "$deb" Architecture)
  [ "$arch" = arm64 ] || { echo "FAIL: $deb is for $arch" >&2; exit 1; }
  dpkg-deb -x "$deb" "$work/root"
done

cli=$work/root/usr/bin/ravlin-cli
if readelf -dW "$cli" | grep -Eq '\((RUNPATH|RPATH)\)'; then
  echo "FAIL: the packaged ravlin-cli has a run path" >&2
  exit 1
fi
sysroot=/usr/aarch64-linux-gnu
library=$work/root/usr/lib/aarch64-linux-gnu/libravlin.so.1
needs=$(qemu-aarch64 -L $sysroot $sysroot/lib/ld-linux-aarch64.so.1 --list "$library")
if grep -q 'not found' <<<"$needs"; then
  echo "FAIL: libravlin.so.1 does not load: $needs" >&2
  exit 1
fi
echo "libravlin.so.1 loads with: $(awk '/=>/ { printf "%s ", $1 }' <<<"$needs")"
run() {
  qemu-aarch64 -L $sysroot "$cli" "$@"
}

picture=/usr/share/xpenguins/themes/Penguins/walker.xpm
run --version | head -1
for m in 1 2; do
  run pack -q -m "$m" -c "$picture" >"$work/walker.pack$m"
  run unpack -q -m "$m" -c "$work/walker.pack$m" >"$work/walker-$m.xpm"
  cmp "$picture" "$work/walker-$m.xpm"
  echo "method $m: $(stat -c %s "$picture") bytes packed into $(stat -c %s "$work/walker.pack$m")," \
       "unpacked unchanged"
done
(cd "$work" && sha256sum "$picture" walker.pack1 walker.pack2 walker-1.xpm walker-2.xpm)
