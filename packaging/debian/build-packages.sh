#!/bin/bash
# Makes the Debian packages from a build's install components, with dpkg's own tools, as a
# debian/rules would: each component is installed under /usr into its package's folder and
# stripped; the copyright (from LICENSE) and changelog are added; dpkg-gensymbols checks the
# library's symbols against libravlin1.symbols and fails on any difference; dpkg-shlibdeps works
# out the run-time dependencies; dpkg-gencontrol writes the control file from debian/control;
# dpkg-deb builds the package, owned by root, with every time clamped to SOURCE_DATE_EPOCH, so
# that two builds of one tree give identical files. No maintainer scripts: dpkg runs ldconfig
# through the library's trigger.
#
# A cross build's packages are for the architecture of its multiarch triplet, stripped by its
# strip; see cross_library_trees for their run-time dependencies.
# Usage: build-packages.sh BUILD_DIR CHANGELOG OUTPUT_DIR TRIPLET STRIP PACKAGE...
set -euo pipefail
umask 022
build=$(realpath "$1")
changelog=$(realpath "$2")
output=$(realpath "$3")
triplet=$4
strip=$5
shift 5
wanted=" $* "
here=$(dirname "$(realpath "$0")")
source_dir=$(realpath "$here/../..")

# package         install component (a component that installs nothing gives no package)
packages="libravlin1:library ravlin-cli:cli ravlin:window ravlin-dev:development python3-ravlin:python"

# DEB_HOST_ARCH, DEB_HOST_MULTIARCH and the rest for the triplet, which every dpkg tool below reads.
eval "$(CC=$triplet-gcc dpkg-architecture -t"$triplet" -s)"
cross=no
[ "$DEB_HOST_ARCH" = "$DEB_BUILD_ARCH" ] || cross=yes

# dpkg-shlibdeps finds a cross build's libraries in /usr/TRIPLET/lib, but Debian's packages of them
# there (libc6-arm64-cross and so on) are not what the target machine installs, and most have no
# symbols file. So cross_library_trees FILE... makes, for each library the files need from there,
# a package build tree under cross/ named after the target's own package (libc6, libgcc-s1,
# libstdc++6), holding a copy of the library and a symbols file for it; dpkg-shlibdeps reads it
# (-S) as it reads a package being built. The symbols file is:
#  - the cross package's own, renamed, if it has one (libgcc-s1);
#  - for the C library, each symbol with the glibc version that its symbol version names (a symbol
#    of GLIBC_2.17 needs 2.17), as Debian's libc6 symbols files have it;
#  - else this machine's symbols file of that package, cut to the symbols the target's library
#    defines (libstdc++6: the same library version, and on both 64-bit processors the same names);
#    dpkg-shlibdeps warns of any symbol used that it then does not list.
# cross_library_trees prints the -S options.
defined_symbols() {  # NAME@VERSION of each versioned symbol that the library $1 defines
  readelf --dyn-syms -W "$1" | awk '$7 != "UND" && $8 ~ /@/ { sub("@@", "@", $8); print $8 }' |
    sort -u
}
cross_library_trees() {
  local soname library owner cross_package package tree symbols own glibc
  for soname in $(readelf -dW "$@" | sed -n 's/.*(NEEDED).*\[\(.*\)\]$/\1/p' | sort -u); do
    library=/usr/$triplet/lib/$soname
    [ -e "$library" ] || continue  # one of ours, found in its package build tree
    owner=$(dpkg-query -S "$library" | sed -n '1s/: .*//p')
    cross_package=${owner%%:*}
    package=${cross_package%-"$DEB_HOST_ARCH"-cross}
    tree=cross/$package
    echo "-S$tree"
    [ ! -e "$tree/usr/lib/$triplet/$soname" ] || continue
    mkdir -p "$tree/DEBIAN" "$tree/usr/lib/$triplet"
    cp -L "$library" "$tree/usr/lib/$triplet/$soname"
    symbols=$tree/DEBIAN/symbols
    own=$(dpkg-query --control-path "$cross_package" symbols 2>/dev/null || true)
    if [ -n "$own" ]; then
      sed -n "/^$soname /,/^[^ |*]/p" "$own" | sed '1!{/^[^ |*]/d}' |
        sed "1s/ $cross_package / $package /" >>"$symbols"
    elif glibc=$(defined_symbols "$library" | sed -n 's/^.*@GLIBC_\([0-9][0-9.]*\)$/ & \1/p') &&
         [ -n "$glibc" ]; then
      { echo "$soname $package #MINVER#"; echo "$glibc"; } >>"$symbols"
    else
      own=$(dpkg-query --control-path "$package:$DEB_BUILD_ARCH" symbols)
      defined_symbols "$library" >cross/defined
      sed -n "/^$soname /,/^[^ |*]/p" "$own" | sed '1!{/^[^ |*]/d}' |
        awk 'NR == FNR { defined[$1] = 1; next }
             FNR == 1 { print; next }
             /^ / { name = $1; sub(/^\([^)]*\)/, "", name); if (name in defined) print }' \
          cross/defined - >>"$symbols"
    fi
    if ! grep -q '^ ' "$symbols"; then
      echo "build-packages.sh: no symbols found for $library" >&2
      exit 1
    fi
  done
}

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
  [[ $wanted == *" $package "* ]] || continue
  root=debian/$package
  rm -f "$output/${package}"_*.deb  # from an earlier build, perhaps of a component now gone
  DESTDIR=$work/$root cmake --install "$build" --component "$component" --prefix /usr >/dev/null
  [ -d "$root" ] || continue

  # Stripped as Debian strips: no symbol tables but the dynamic ones, no debugging information
  # in static libraries, and no compiler notes.
  # Programs and shared objects (a static archive is no ELF file).
  elves=$(find "$root" -type f -exec sh -c 'head -c4 "$1" | grep -q ELF' _ {} \; -print)
  for file in $elves; do
    "$strip" --remove-section=.comment --remove-section=.note --strip-unneeded "$file"
  done
  find "$root" -name '*.a' -exec "$strip" --strip-debug --remove-section=.comment \
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
  if [ -n "$elves" ] && [ $cross = yes ]; then
    # shellcheck disable=SC2086 # as above
    trees=$(cross_library_trees $elves)
    # shellcheck disable=SC2086 # as above
    dpkg-shlibdeps -T"debian/$package.substvars" $trees $elves
  elif [ -n "$elves" ]; then
    dpkg-shlibdeps -T"debian/$package.substvars" $elves
  fi
  (cd "$root" && find usr -type f -print0 | LC_ALL=C sort -z | xargs -0 md5sum >DEBIAN/md5sums)
  dpkg-gencontrol -p"$package" -T"debian/$package.substvars" -P"$root" -fdebian/files
  dpkg-deb --root-owner-group --build "$root" "$output"
done
