#!/bin/bash
# Makes the Debian packages from a build's install components, with dpkg's own tools, as a
# debian/rules would: each component is installed under /usr into its package's folder and
# stripped; the copyright (from LICENSE) and changelog are added; dpkg-gensymbols checks the
# library's symbols against libravlin1.symbols and fails on any difference; dpkg-shlibdeps works
# out the run-time dependencies; dpkg-gencontrol writes the control file from debian/control;
# dpkg-deb builds the package, owned by root, with every time clamped to SOURCE_DATE_EPOCH, so
# that two builds of one tree give identical files. No maintainer scripts: dpkg runs ldconfig
# through the library's trigger.
# Usage: build-packages.sh BUILD_DIR CHANGELOG OUTPUT_DIR
set -euo pipefail
umask 022
build=$(realpath "$1")
changelog=$(realpath "$2")
output=$(realpath "$3")
here=$(dirname "$(realpath "$0")")
source_dir=$(realpath "$here/../..")

# package         install component (a component that installs nothing gives no package)
packages="libravlin1:library ravlin-cli:cli ravlin:window ravlin-dev:development python3-ravlin:python"

# The caller's SOURCE_DATE_EPOCH, else the last commit's date, else the changelog's.
if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
  SOURCE_DATE_EPOCH=$(git -C "$source_dir" log -1 --format=%ct 2>/dev/null) ||
    SOURCE_DATE_EPOCH=$(dpkg-parsechangelog -l "$changelog" -STimestamp)
fi
export SOURCE_DATE_EPOCH
version=$(dpkg-parsechangelog -l "$changelog" -SVersion)

# dpkg-shlibdeps and dpkg-gencontrol expect a source tree's debian/ folder.
work=$build/packaging/deb
rm -rf "$work"
mkdir -p "$work/debian"
cp "$here/control" "$work/debian/control"
cp "$changelog" "$work/debian/changelog"
cd "$work"

# A file installed without a component would be in no package.
DESTDIR=$work/unpackaged cmake --install "$build" --component Unspecified >/dev/null
if [ -d unpackaged ]; then
  echo "build-packages.sh: installed in no package (install() without COMPONENT):" >&2
  find unpackaged -type f >&2
  exit 1
fi

for entry in $packages; do
  package=${entry%%:*} component=${entry#*:}
  root=debian/$package
  rm -f "$output/${package}"_*.deb  # from an earlier build, perhaps of a component now gone
  DESTDIR=$work/$root cmake --install "$build" --component "$component" --prefix /usr >/dev/null
  [ -d "$root" ] || continue

  # Stripped as Debian strips: no symbol tables but the dynamic ones, no debugging information
  # in static libraries, and no compiler notes.
  # Programs and shared objects (a static archive is no ELF file).
  elves=$(find "$root" -type f -exec sh -c 'head -c4 "$1" | grep -q ELF' _ {} \; -print)
  for file in $elves; do
    strip --remove-section=.comment --remove-section=.note --strip-unneeded "$file"
  done
  find "$root" -name '*.a' -exec strip --strip-debug --remove-section=.comment \
    --remove-section=.note --enable-deterministic-archives {} +

  docs=$root/usr/share/doc/$package
  mkdir -p "$docs" "$root/DEBIAN"
  { cat "$here/copyright"; sed -n '/^Permission/,$p' "$source_dir/LICENSE" | sed 's/^$/./; s/^/ /'; } \
    >"$docs/copyright"
  gzip -9 -n <"$changelog" >"$docs/changelog.gz"

  if [ "$package" = libravlin1 ]; then
    # dpkg-gensymbols lets a symbol added in the version being built vanish unremarked; checked
    # as for a later version, every listed symbol must be there. On success the file written is
    # the listed one, versions included.
    dpkg-gensymbols -q -p"$package" -P"$root" -v"$version+1" -c4 -I"$here/libravlin1.symbols"
    # For tools that read only shlibs files: any version of this package will do.
    echo "libravlin 1 libravlin1 (>= $version)" >"$root/DEBIAN/shlibs"
    cp "$here/triggers" "$root/DEBIAN/triggers"
  fi
  echo "shlibs:Depends=" >"debian/$package.substvars"  # none for a package without binaries
  # shellcheck disable=SC2086 # one argument per file; the paths hold no spaces
  [ -z "$elves" ] || dpkg-shlibdeps -T"debian/$package.substvars" $elves
  (cd "$root" && find usr -type f -print0 | LC_ALL=C sort -z | xargs -0 md5sum >DEBIAN/md5sums)
  dpkg-gencontrol -p"$package" -T"debian/$package.substvars" -P"$root" -fdebian/files
  dpkg-deb --root-owner-group --build "$root" "$output"
done
