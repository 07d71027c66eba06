# Ravlin: the two commands a newcomer needs are `make run` and `make test`.
# Both install any missing Debian packages first (as root, on Debian 12).

PACKAGES := build-essential cmake ninja-build g++ clang libclang-rt-14-dev \
            libgtest-dev libgmock-dev libbenchmark-dev liblz4-dev lz4 zlib1g-dev \
            qt6-base-dev fonts-wine kbd xvfb xauth x11-utils xdotool imagemagick time

FUZZ_SECONDS ?= 30

.PHONY: all deps build run test test-ci test-clang test-asan test-fuzz bench fuzz gallery screenshots clean

all: build

deps:
	@missing=$$(for p in $(PACKAGES); do \
	    dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q '^install ok installed' || echo $$p; done); \
	if [ -n "$$missing" ]; then \
	    echo "Installing:" $$missing; \
	    if [ "$$(id -u)" -ne 0 ]; then echo "Run as root to install packages: apt-get install" $$missing; exit 1; fi; \
	    apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $$missing; \
	fi

build: deps
	cmake --preset default
	cmake --build --preset default

run: build
	@if [ -x build/default/app/ravlin ]; then ./build/default/app/ravlin; \
	else echo "The window is not built yet."; fi

# Every test: GCC build with warnings as errors (engine, controls, window, command line),
# the window built by Clang with warnings as errors, then the engine and command-line tests
# again under the sanitizers (Clang), then short fuzz runs.
test: deps test-ci test-clang test-asan test-fuzz

test-ci:
	cmake --preset ci
	cmake --build --preset ci
	QT_QPA_PLATFORM=offscreen ctest --preset ci -j2

test-clang:
	cmake --preset clang
	cmake --build --preset clang --target ravlin controls-gallery

test-asan:
	cmake --preset asan
	cmake --build --preset asan
	ctest --preset asan -j2

test-fuzz:
	@if [ -f fuzz/CMakeLists.txt ]; then \
	    cmake --preset fuzz && cmake --build --preset fuzz --target fuzzers && \
	    fuzz/run-all.sh build/fuzz $(FUZZ_SECONDS); \
	else echo "No fuzz targets yet."; fi

fuzz: deps
	cmake --preset fuzz
	cmake --build --preset fuzz --target fuzzers
	fuzz/run-all.sh build/fuzz $(FUZZ_SECONDS)

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
