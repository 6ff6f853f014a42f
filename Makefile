# The commands the README names. Each works alone on a fresh Debian 12
# machine: `make test` and `make demo` install what is missing and build
# first. `make build` installs only what the builds need; `make deps` adds
# what the tests, the fuzzers and the benchmarks need. Builds use two jobs;
# JOBS=n changes that. WERROR=ON makes warnings in our own code fail the
# build (`make test` sets it, as does CI=true in the environment).
SHELL := /bin/bash
.DEFAULT_GOAL := build
.NOTPARALLEL:

MAKEFLAGS += --no-print-directory
JOBS ?= 2
# ccache takes paths inside the checkout as relative ones, so a clone in
# another folder (CI's) reuses what an earlier build compiled.
export CCACHE_BASEDIR ?= $(CURDIR)
export CCACHE_NOHASHDIR ?= true
BUILD_TYPE ?= RelWithDebInfo
FUZZ_SECONDS ?= 120
WERROR ?=
WERROR_FLAG := $(if $(WERROR),-DBRIMWELL_WERROR=$(WERROR))

CMAKE_NATIVE := cmake -S . -B build/native -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) $(WERROR_FLAG)
CMAKE_WIN32 := cmake -S . -B build/win32 -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) \
	-DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-i686.cmake \
	-DBRIMWELL_HOST_BRIMDEF=$(CURDIR)/build/native/bin/brimdef $(WERROR_FLAG)
CMAKE_ASAN := cmake -S . -B build/asan -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DBRIMWELL_ASAN=ON \
	$(WERROR_FLAG)
CMAKE_FUZZ := cmake -S . -B build/fuzz -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DBRIMWELL_FUZZ=ON \
	-DBRIMWELL_TESTS=OFF -DCMAKE_CXX_COMPILER=clang++

.PHONY: deps deps-build build build-native build-win32 build-win32-only build-asan build-fuzz screenshots \
	test demo asan fuzz bench clean

## deps: install the Debian packages the builds, the tests, the fuzzers and the benchmarks need
deps:
	@scripts/install-deps all

# Only what the builds need.
deps-build:
	@scripts/install-deps build

## build: the native programs (build/native/bin) and the win32 ones (build/win32/bin)
build: deps-build
	@$(MAKE) --no-print-directory build-native build-win32

build-native:
	@$(CMAKE_NATIVE) >/dev/null
	@cmake --build build/native -j $(JOBS)

# The native brimdef compiles the definition that brimsetup.exe binds.
build-win32: build-native build-win32-only

build-win32-only:
	@$(CMAKE_WIN32) >/dev/null
	@cmake --build build/win32 -j $(JOBS)

build-asan:
	@$(CMAKE_ASAN) >/dev/null
	@cmake --build build/asan -j $(JOBS)

build-fuzz:
	@$(CMAKE_FUZZ) >/dev/null
	@cmake --build build/fuzz -j $(JOBS)

## test: every suite (native, win32 under Wine, ASan/UBSan, end to end) with one summary;
## warnings fail the builds, scripts/check-deps finds every package the builds and tests use
## named by scripts/install-deps, and each phase prints its time
test:
	@scripts/phase deps scripts/install-deps all
	@scripts/phase "build native" $(MAKE) build-native WERROR=$(or $(WERROR),ON)
	@scripts/phase "build win32" $(MAKE) build-win32-only WERROR=$(or $(WERROR),ON)
	@scripts/phase "build asan" $(MAKE) build-asan WERROR=$(or $(WERROR),ON)
	@scripts/phase "check deps" scripts/check-deps
	@scripts/phase tests scripts/run-tests

## demo: bind the demo definition into the runtime, build its distribution with -b and install it
## through its setup.exe on a fresh substitute machine; print the installed files and keys
demo: deps-build build
	@scripts/demo

## screenshots: the demo's setup under Wine in Xvfb, stepped through with xdotool; PNGs in build/screenshots
screenshots: deps build
	@scripts/screenshots

## asan: the unit tests and the end-to-end checks built with AddressSanitizer and UBSan
asan: deps build-asan
	@SUITES="asan e2e-asan brimsetup-asan arc-asan" scripts/run-tests

## fuzz: build the fuzzers (form streams, archives) with clang and run each for FUZZ_SECONDS
fuzz: deps build-fuzz
	@FUZZ_SECONDS=$(FUZZ_SECONDS) scripts/fuzz

## bench: the archive engine against zlib, gzip; brimarc against zip, unzip; big definitions;
## our setup against NSIS: build, size, unattended install under Wine; runtime and loader sizes (bench/README.md)
bench: deps build
	@cmake --build build/native -j $(JOBS) --target archive_bench
	@bench/run
	@bench/nsis

clean:
	rm -rf build
