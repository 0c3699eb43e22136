# Thin wrapper: every target installs what it needs first, so a fresh
# Debian 12 machine needs nothing but `make run` or `make test`.
BUILD      ?= build
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
JOBS       ?= $(shell nproc)
CMAKE_FLAGS ?=
export CCACHE_SLOPPINESS := pch_defines,time_macros,include_file_mtime,include_file_ctime
# Paths relative to the checkout, so clones and worktrees share cached objects.
export CCACHE_BASEDIR := $(CURDIR)
export CCACHE_NOHASHDIR := 1
export QT_QPA_PLATFORM ?= offscreen

.PHONY: all deps build run test test-asan fuzz fuzz-run bench clean

all: build

deps:
	bash scripts/install-deps.sh

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)

build: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

# Main job: the demo application once it exists; until then the benchmarks.
run: build
	bash scripts/run-main.sh $(BUILD)

test: build
	bash scripts/run-tests.sh $(BUILD)

# The same suite under AddressSanitizer and UndefinedBehaviorSanitizer.
test-asan: deps
	cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVD_SANITIZE=ON -DVD_BUILD_BENCH=OFF -DVD_BUILD_TOOLS=OFF
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	UBSAN_OPTIONS=print_stacktrace=1 bash scripts/run-tests.sh $(ASAN_BUILD)

# libFuzzer binaries (clang), e.g. ./build-fuzz/fuzz/fuzz_xml fuzz/corpus/fuzz_xml
fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVD_FUZZ=ON -DVD_SANITIZE=ON -DVD_BUILD_TESTS=OFF -DVD_BUILD_BENCH=OFF -DVD_BUILD_TOOLS=OFF
	cmake --build $(FUZZ_BUILD) -j $(JOBS)

# Every fuzz target for FUZZ_SECONDS each, from its corpus; new inputs and
# crashes land in a temporary folder, never in fuzz/corpus/.
FUZZ_SECONDS ?= 30
fuzz-run: fuzz
	bash scripts/run-fuzz.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

bench: build
	bash scripts/run-bench.sh $(BUILD)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD)
