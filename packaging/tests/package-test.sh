#!/bin/bash
# The Debian packages as users and developers meet them. Two package builds of one tree are
# byte-identical, and lintian --pedantic finds no errors. Then, installed with apt into a clean
# Debian 12 root (made by test-root.sh, cached): libravlin1 and ravlin-cli install alone, without
# any Qt package, and ravlin-cli packs and unpacks; with ravlin-dev, every program of
# packaging/consumer builds through find_package(Ravlin) and through pkg-config (and statically),
# and its streams unpack with the installed ravlin-cli; the window installs with all its
# libraries, icons and valid desktop and AppStream entries; purging leaves no file behind.
# Usage: package-test.sh BUILD_DIR SOURCE_DIR   (after `cmake --build BUILD_DIR --target package`;
# as root, for the scratch root's chroot)
set -u
[ "$(id -u)" -eq 0 ] || { echo "FAIL: the package test needs root, for apt in a chroot"; exit 1; }
build=$(realpath "$1")
source_dir=$(realpath "$2")
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
step() { echo "-- $*"; }

version=$(dpkg-parsechangelog -l "$build/packaging/debian/changelog" -SVersion)
arch=$(dpkg --print-architecture)
deb() { echo "$build/${1}_${version}_${arch}.deb"; }
packages="libravlin1 ravlin-cli ravlin ravlin-dev"
[ -f "$(deb python3-ravlin)" ] && packages="$packages python3-ravlin"
for package in $packages; do
  [ -f "$(deb "$package")" ] || { echo "FAIL: no package $(deb "$package")"; exit 1; }
done

work=$(mktemp -d)
root=$work/root
cleanup() {
  mountpoint -q "$root/proc" && umount "$root/proc"
  rm -rf "$work"
}
trap cleanup EXIT

step "two package builds are byte-identical"
mkdir "$work/first"
for package in $packages; do cp "$(deb "$package")" "$work/first/"; done
sleep 1  # so that anything taken from the clock would differ
cmake --build "$build" --target package >"$work/second-build.log" 2>&1 ||
  { cat "$work/second-build.log"; fail "the second package build failed"; }
for package in $packages; do
  cmp -s "$work/first/$(basename "$(deb "$package")")" "$(deb "$package")" ||
    fail "$package differs between two builds"
done

step "lintian --pedantic"
debs=$(for package in $packages; do deb "$package"; done)
# shellcheck disable=SC2086 # one argument per package
lintian --pedantic --display-info --tag-display-limit 0 $debs >"$work/lintian.txt" 2>&1
cat "$work/lintian.txt"
grep -q '^E: ' "$work/lintian.txt" && fail "lintian reports errors"

step "a clean Debian 12 root"
tarball=$("$source_dir/packaging/tests/test-root.sh") || { echo "FAIL: no test root"; exit 1; }
mkdir "$root" && tar -C "$root" -xf "$tarball" || { echo "FAIL: unpacking $tarball"; exit 1; }
mount -t proc proc "$root/proc"
mkdir "$root/debs"
for package in $packages; do cp "$(deb "$package")" "$root/debs/"; done
in_root() { chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LC_ALL=C.UTF-8 "$@"; }
installed() { in_root dpkg-query -W -f='${db:Status-Abbrev} ${Package}\n' | sed -n 's/^ii  //p' | sort; }
# Installs the named packages with apt (with any further options before them); sets `added` to
# the packages that apt installed.
apt_install() {
  local options=() before
  while [ "${1#-}" != "$1" ]; do options+=("$1"); shift; done
  before=$(installed)
  in_root apt-get install -qq -y "${options[@]}" \
      $(for package in "$@"; do echo "/debs/$(basename "$(deb "$package")")"; done) \
      >"$work/apt.log" 2>&1 || { cat "$work/apt.log"; fail "apt cannot install $*"; }
  added=$(comm -13 <(echo "$before") <(installed) | paste -sd' ')
}

step "libravlin1 and ravlin-cli install alone, without Qt"
apt_install libravlin1 ravlin-cli
[ "$added" = "libravlin1 ravlin-cli" ] || fail "installing libravlin1 and ravlin-cli added: $added"
[ "$(in_root ravlin-cli --version)" = "ravlin-cli $version" ] ||
  fail "ravlin-cli --version says '$(in_root ravlin-cli --version)'"
# Runs and stretches of noise, an even number of bytes so both methods take it.
{ head -c 70000 /dev/zero; head -c 30000 /dev/urandom; printf 'abababab'; head -c 4000 /dev/zero | tr '\0' 'x'; } >"$root/picture.bin"
for method in 1 2; do
  in_root sh -c "ravlin-cli pack -q -m $method -c /picture.bin | ravlin-cli unpack -q -m $method -c | cmp -s - /picture.bin" ||
    fail "ravlin-cli round trip with method $method"
done
warnings=$(MANWIDTH=80 man --warnings -l "$root/usr/share/man/man1/ravlin-cli.1.gz" 2>&1 >/dev/null)
[ -z "$warnings" ] || fail "ravlin-cli(1) warns: $warnings"
page=$(MANWIDTH=80 man -l "$root/usr/share/man/man1/ravlin-cli.1.gz" 2>/dev/null)
grep -qE -- '--output-dir' <<<"$page" || fail "ravlin-cli(1) does not list the options"
# Read as a user reads it: the naming rule and the exit status said once each (the help's own
# paragraphs once repeated them), the signal statuses listed, nothing past 80 columns.
grep -q '128+N' <<<"$page" || fail "ravlin-cli(1) leaves out the signal statuses"
for said_once in 'last extension' 'exit status'; do
  [ "$(grep -ic "$said_once" <<<"$page")" = 1 ] || fail "ravlin-cli(1) says '$said_once' more than once"
done
long=$(awk 'length > 80' <<<"$page")
[ -z "$long" ] || fail "ravlin-cli(1) is wider than 80 columns: $long"
for file in /usr/share/bash-completion/completions/ravlin-cli /usr/share/zsh/vendor-completions/_ravlin-cli; do
  [ -f "$root$file" ] || fail "ravlin-cli lacks $file"
done

step "programs built against ravlin-dev"
apt_install ravlin-dev
[ "$added" = ravlin-dev ] || fail "installing ravlin-dev added: $added"
# System folders in these flags would come before a program's own -L and -I.
libs=$(in_root pkg-config --libs ravlin) cflags=$(in_root pkg-config --cflags ravlin)
[ "$(echo $libs)" = "-lravlin" ] || fail "pkg-config --libs ravlin gives '$libs', not plain -lravlin"
[ -z "$(echo $cflags)" ] || fail "pkg-config --cflags ravlin gives '$cflags'"
[ "$(in_root pkg-config --modversion ravlin)" = "$version" ] || fail "ravlin.pc has another version"
cp -r "$source_dir/packaging/consumer" "$root/consumer"
built=()
if in_root cmake -S /consumer -B /consumer/cmake >"$work/consumer.log" 2>&1 &&
   in_root cmake --build /consumer/cmake >>"$work/consumer.log" 2>&1; then
  while read -r program; do built+=("find_package:${program#"$root"}"); done \
    < <(find "$root/consumer/cmake" -maxdepth 1 -type f -executable)
else
  cat "$work/consumer.log"; fail "the consumers do not build with find_package(Ravlin)"
fi
for source in "$root"/consumer/*.c "$root"/consumer/*.cpp; do
  [ -f "$source" ] || continue
  name=$(basename "$source"); name=${name%.*}
  case $source in *.c) compiler=gcc ;; *) compiler="g++ -std=c++20" ;; esac
  if in_root sh -c "$compiler -o /consumer/$name-pkg-config /consumer/${source##*/} \$(pkg-config --cflags --libs ravlin) &&
                    $compiler -o /consumer/$name-static /consumer/${source##*/} \$(pkg-config --cflags ravlin) \
                      -Wl,-Bstatic \$(pkg-config --static --libs ravlin) -Wl,-Bdynamic"; then
    built+=("pkg-config:/consumer/$name-pkg-config" "static:/consumer/$name-static")
  else
    fail "${source##*/} does not build with pkg-config"
  fi
done
[ "${#built[@]}" -gt 0 ] || fail "no consumer program was built"
# Each consumer is run as PROGRAM 1|2 INPUT OUTPUT_FOLDER, packs INPUT and prints the file it
# wrote; the installed ravlin-cli must unpack that file to INPUT.
for entry in "${built[@]}"; do
  how=${entry%%:*} program=${entry#*:}
  if [ "$how" = static ]; then
    in_root ldd "$program" | grep -q libravlin && fail "$program loads libravlin"
  else
    in_root ldd "$program" | grep -q 'libravlin.so.1 => /[^ ]*/libravlin.so.1 ' || fail "$program does not load libravlin.so.1"
  fi
  for method in 1 2; do
    out=/out/$how-$(basename "$program")-$method
    mkdir -p "$root$out"
    output=$(in_root "$program" "$method" /picture.bin "$out") ||
      { fail "$program fails with method $method"; continue; }
    [ "$output" = "$out/picture.pack$method" ] || fail "$program wrote '$output'"
    in_root sh -c "ravlin-cli unpack -q -m $method -c '$output' | cmp -s - /picture.bin" ||
      fail "$program: the stream of method $method does not unpack to the input"
  done
done

step "the window"
# Qt comes from the root's package cache; its recommendations would need the network.
apt_install --no-install-recommends ravlin
missing=$(in_root ldd /usr/bin/ravlin | grep 'not found')
[ -z "$missing" ] || fail "the window lacks libraries: $missing"
for size in 16x16 24x24 32x32 48x48 64x64 128x128 256x256; do
  icon=$root/usr/share/icons/hicolor/$size/apps/ravlin.png
  [ "$(file -b "$icon" 2>/dev/null | grep -o '[0-9]* x [0-9]*' | tr -d ' ')" = "$size" ] ||
    fail "no $size icon"
done
[ -f "$root/usr/share/icons/hicolor/scalable/apps/ravlin.svg" ] || fail "no scalable icon"
desktop-file-validate "$root/usr/share/applications/ravlin.desktop" || fail "the desktop entry is invalid"
appstreamcli validate --no-net --pedantic "$root"/usr/share/metainfo/*.metainfo.xml ||
  fail "the AppStream entry is invalid"

if [ -f "$(deb python3-ravlin)" ]; then
  step "the Python module"
  apt_install python3-ravlin
  # A round trip on memory, and a stream written in two pieces through ravlin.open that the
  # module reads back and the installed ravlin-cli unpacks.
  for method in 1 2; do
    in_root python3 - "$method" <<'EOF' || fail "the Python module with method $method"
import sys, ravlin
method = int(sys.argv[1])
data = open("/picture.bin", "rb").read()
assert ravlin.unpack(ravlin.pack(data, method=method), method=method) == data
with ravlin.open(f"/python.pack{method}", "wb", method=method) as f:
    f.write(data[:5001])
    f.write(data[5001:])
with ravlin.open(f"/python.pack{method}", method=method) as f:
    assert f.read() == data
EOF
    in_root sh -c "ravlin-cli unpack -q -m $method -c /python.pack$method | cmp -s - /picture.bin" ||
      fail "ravlin-cli does not unpack the Python module's stream of method $method"
  done
fi

step "purging leaves nothing behind"
files=$(for package in $packages; do in_root dpkg -L "$package"; done | sort -u)
# shellcheck disable=SC2086 # one argument per package
in_root apt-get purge -qq -y $packages >"$work/apt.log" 2>&1 || { cat "$work/apt.log"; fail "apt cannot purge"; }
left=$(while read -r file; do [ -f "$root$file" ] || [ -L "$root$file" ] && echo "$file"; done <<<"$files")
[ -z "$left" ] || fail "files left after purging: $left"
in_root ldconfig -p | grep -q libravlin && fail "ldconfig still lists libravlin"

[ "$failures" -eq 0 ] && echo "package: all checks passed"
[ "$failures" -eq 0 ]
