# The commands the README names. Each works alone on a fresh Debian 12
# machine: `make test` and `make demo` install what is missing and build
# first. Builds use two jobs; JOBS=n changes that.
SHELL := /bin/bash
.DEFAULT_GOAL := build
.NOTPARALLEL:

MAKEFLAGS += --no-print-directory
JOBS ?= 2
BUILD_TYPE ?= RelWithDebInfo
FUZZ_SECONDS ?= 120

CMAKE_NATIVE := cmake -S . -B build/native -DCMAKE_BUILD_TYPE=$(BUILD_TYPE)
CMAKE_WIN32 := cmake -S . -B build/win32 -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) \
	-DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-i686.cmake \
	-DBRIMWELL_HOST_BRIMDEF=$(CURDIR)/build/native/bin/brimdef
CMAKE_ASAN := cmake -S . -B build/asan -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DBRIMWELL_ASAN=ON
CMAKE_FUZZ := cmake -S . -B build/fuzz -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DBRIMWELL_FUZZ=ON \
	-DBRIMWELL_TESTS=OFF -DCMAKE_CXX_COMPILER=clang++

.PHONY: deps build build-native build-win32 build-asan build-fuzz test demo asan fuzz bench clean

## deps: install the Debian packages the build and the tests need
deps:
	@scripts/install-deps

## build: the native programs (build/native/bin) and the win32 ones (build/win32/bin)
build: deps
	@$(MAKE) --no-print-directory build-native build-win32

build-native:
	@$(CMAKE_NATIVE) >/dev/null
	@cmake --build build/native -j $(JOBS)

# The native brimdef compiles the definition that brimsetup.exe binds.
build-win32: build-native
	@$(CMAKE_WIN32) >/dev/null
	@cmake --build build/win32 -j $(JOBS)

build-asan:
	@$(CMAKE_ASAN) >/dev/null
	@cmake --build build/asan -j $(JOBS)

build-fuzz:
	@$(CMAKE_FUZZ) >/dev/null
	@cmake --build build/fuzz -j $(JOBS)

## test: every suite (native, win32 under Wine, ASan/UBSan, end to end) with one summary
test: deps build build-asan
	@scripts/run-tests

## demo: compile, check and decompile the demo definition; archive its payload with brimarc
demo: deps build
	@scripts/demo

## asan: the unit tests and the end-to-end checks built with AddressSanitizer and UBSan
asan: deps build-asan
	@SUITES="asan e2e-asan brimsetup-asan arc-asan" scripts/run-tests

## fuzz: build the fuzzers (form streams, archives) with clang and run each for FUZZ_SECONDS
fuzz: deps build-fuzz
	@FUZZ_SECONDS=$(FUZZ_SECONDS) scripts/fuzz

## bench: the archive engine against zlib, gzip; brimarc against zip, unzip; big definitions (bench/README.md)
bench: deps build-native
	@cmake --build build/native -j $(JOBS) --target archive_bench
	@bench/run

clean:
	rm -rf build
