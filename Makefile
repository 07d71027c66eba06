# Ravlin: the two commands a newcomer needs are `make run` and `make test`.
# Both install any missing Debian packages first (as root, on Debian 12).

# What building and starting the window needs; `make run` installs no more.
RUN_PACKAGES := build-essential cmake ninja-build g++ qt6-base-dev libxcb1-dev fonts-wine
# The Windows build's compiler, and Wine, which runs its tests without a display.
WIN64_PACKAGES := g++-mingw-w64-x86-64-posix wine64
# What the tests, the benchmarks, the sanitizer and fuzz builds and the screenshots need besides.
PACKAGES := $(RUN_PACKAGES) clang libclang-rt-14-dev \
            libgtest-dev libgmock-dev libbenchmark-dev liblz4-dev lz4 zlib1g-dev \
            kbd xpenguins lbreakout2-data xvfb xauth x11-utils xdotool openbox imagemagick \
            help2man man-db pkgconf dpkg-dev file lintian bash-completion zsh time \
            g++-aarch64-linux-gnu qemu-user googletest python3 valgrind \
            mmdebstrap appstream desktop-file-utils $(WIN64_PACKAGES)

FUZZ_SECONDS ?= 30

.PHONY: all deps deps-run check-display build run test test-ci test-package test-clang test-asan test-fuzz test-cross test-arm64 test-win64 bench fuzz gallery screenshots package clean

all: build

# Installs whichever of the packages named in $(1) are missing.
define install_missing
	@missing=$$(for p in $(1); do \
	    dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q '^install ok installed' || echo $$p; done); \
	if [ -n "$$missing" ]; then \
	    echo "Installing:" $$missing; \
	    if [ "$$(id -u)" -ne 0 ]; then echo "Run as root to install packages: apt-get install" $$missing; exit 1; fi; \
	    apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $$missing; \
	fi
endef

deps:
	$(call install_missing,$(PACKAGES))

deps-run:
	$(call install_missing,$(RUN_PACKAGES))

build: deps
	cmake --preset default
	cmake --build --preset default

# Only the window and what it links are built: the tests and benchmarks wait for `make test`.
run: check-display deps-run
	cmake --preset default
	cmake --build --preset default --target ravlin
	./build/default/app/ravlin

# Said before anything is installed or built, so that a machine without a desktop learns it at once.
check-display:
	@if [ -z "$$DISPLAY" ] && [ -z "$$WAYLAND_DISPLAY" ]; then \
	    echo "ravlin: the window needs a desktop session (no DISPLAY or WAYLAND_DISPLAY is set); use 'xvfb-run make run', or ravlin-cli, which needs none" >&2; \
	    exit 1; \
	fi

# Every test: GCC build with warnings as errors (engine, controls, window, command line),
# the Debian packages made from that build and tried, the window built by Clang with warnings
# as errors, then the engine and command-line tests again under the sanitizers (Clang), then
# short fuzz runs, then the cross stage: the engine and command line built for arm64 and tested
# under qemu, and the engine built for Windows with its tests under Wine.
test: deps test-ci test-package test-clang test-asan test-fuzz test-cross

test-ci:
	cmake --preset ci
	cmake --build --preset ci
	QT_QPA_PLATFORM=offscreen ctest --preset ci -j2 --no-tests=error

# The .deb files of the `ci` build (already built by test-ci), built twice and compared, checked
# by lintian, then installed with apt into a clean Debian 12 root (made once by mmdebstrap and
# kept under /var/cache/ravlin-test-root) and used there.
test-package:
	cmake --build --preset ci --target package
	packaging/tests/package-test.sh build/ci .

test-clang:
	cmake --preset clang
	cmake --build --preset clang --target ravlin controls-gallery

test-asan:
	cmake --preset asan
	cmake --build --preset asan
	ctest --preset asan -j2 --no-tests=error

# test-win64: ravlin.dll, ravlin-cli.exe and their tests built with mingw-w64 and run under Wine,
# with no display. test-arm64: the engine, ravlin-cli and their tests built for arm64 (aarch64
# Linux) by Debian's cross compiler and run under qemu-aarch64. In both, real pictures packed by
# the cross-built ravlin-cli and by this machine's must then give the same streams, which either
# one unpacks (the native one from test-ci, built here when the stage runs alone).
test-win64 test-arm64: test-%:
	cmake --preset cross-$*
	cmake --build --preset cross-$*
	ctest --preset cross-$* -j2 --no-tests=error
	test -f build/ci/build.ninja || cmake --preset ci
	cmake --build --preset ci --target ravlin-cli
	tests/cross-streams.sh build/ci/cli/ravlin-cli build/cross-$*/emulated/ravlin-cli

test-fuzz:
	cmake --preset fuzz
	cmake --build --preset fuzz --target fuzzers
	fuzz/run-all.sh build/fuzz $(FUZZ_SECONDS)

# The cross stage: the builds for arm64 and for Windows, each with its tests under an emulator.
test-cross: test-arm64 test-win64

fuzz: deps
	cmake --preset fuzz
	cmake --build --preset fuzz --target fuzzers
	fuzz/run-all.sh build/fuzz $(FUZZ_SECONDS)

# build/default/*.deb: libravlin1, ravlin-cli, ravlin (the window), ravlin-dev and python3-ravlin;
# build/cross-arm64-package/*_arm64.deb: libravlin1 and ravlin-cli for arm64, then unpacked and
# tried under qemu-aarch64; and build/cross-win64/ravlin-<version>-win64.zip (the engine for
# Windows programs).
package: build
	cmake --build --preset default --target package
	cmake --preset cross-arm64-package
	cmake --build --preset cross-arm64-package --target package
	packaging/tests/arm64-deb-test.sh build/cross-arm64-package
	cmake --preset cross-win64
	cmake --build --preset cross-win64 --target win64-zip

bench: build
	./build/default/bench/ravlin-bench

# Packing 64 MB through the window's page host against a host that does nothing, on Qt offscreen.
.PHONY: bench-window
bench-window: build
	QT_QPA_PLATFORM=offscreen ./build/default/app/bench/ravlin-window-bench

# The picture of the gradient controls shown in the README, drawn without a display.
gallery: deps
	cmake --preset default
	cmake --build --preset default --target controls-gallery
	mkdir -p docs
	QT_QPA_PLATFORM=offscreen ./build/default/controls/controls-gallery docs/controls-gallery.png

# A picture of each page of the real window, taken under Xvfb (docs/screenshot-*.png).
screenshots: build
	app/screenshots.sh build/default/app/ravlin docs

clean:
	rm -rf build
