#!/bin/bash
# Prints the path of a tarball of a clean Debian 12 root for the package test, made by mmdebstrap
# on first use and kept under /var/cache/ravlin-test-root (RAVLIN_TEST_ROOT_CACHE overrides it),
# so later runs and fresh clones on the same machine reuse it. The key is this script's own hash:
# changing what the root holds makes a new one.
set -euo pipefail
suite=bookworm
# What the consumer programs are built with.
include=g++,cmake,make,pkgconf,python3
# The window's libraries are downloaded into the root's package cache but not installed: the
# command line and the library must install without them, and the window then installs from the
# cache. The package lists stay for the same reason.
prefetch=libqt6widgets6

cache=${RAVLIN_TEST_ROOT_CACHE:-/var/cache/ravlin-test-root}
key=$(sha256sum "$0" | cut -c1-16)
tarball=$cache/$suite-$key.tar
if [ ! -f "$tarball" ]; then
  mkdir -p "$cache"
  rm -f "$cache/$suite"-*.tar  # roots made by earlier versions of this script
  echo "Making the test root $tarball (once)" >&2
  mmdebstrap --quiet --variant=apt --include="$include" --skip=cleanup/apt \
    --customize-hook="chroot \"\$1\" sh -c 'apt-get clean && apt-get install -qq --download-only --no-install-recommends $prefetch'" \
    "$suite" "$tarball.$$.tar" >&2
  mv "$tarball.$$.tar" "$tarball"
fi
echo "$tarball"
