# Entry points: `make demo` and `make test` work on a fresh machine.
JOBS ?= $(shell nproc)
BUILD_TYPE ?= RelWithDebInfo
FUZZ_SECONDS ?= 60
CMAKE_FLAGS ?=

.PHONY: all deps build demo test test-normal test-asan test-tsan bench fuzz clean

all: build

deps:
	@scripts/install-deps.sh

build: deps
	cmake -S . -B build -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) $(CMAKE_FLAGS)
	cmake --build build -j $(JOBS)

# Builds only what the main job needs, then runs it.
demo: deps
	cmake -S . -B build -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) $(CMAKE_FLAGS)
	cmake --build build --target demo -j $(JOBS)
	scripts/run-demo.sh build

test: deps test-normal test-asan test-tsan

test-normal: build
	cd build && ctest --output-on-failure -j $(JOBS)

test-asan: deps
	cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DTOVIK_SANITIZE=address -DTOVIK_BUILD_BENCH=OFF $(CMAKE_FLAGS)
	cmake --build build-asan -j $(JOBS)
	cd build-asan && ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --output-on-failure -j $(JOBS)

test-tsan: deps
	cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=Debug -DTOVIK_SANITIZE=thread -DTOVIK_BUILD_BENCH=OFF $(CMAKE_FLAGS)
	cmake --build build-tsan -j $(JOBS)
	cd build-tsan && TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
	  ctest --output-on-failure -L concurrency -j $(JOBS)

bench: build
	scripts/run-benchmarks.sh build

fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTOVIK_FUZZ=ON -DTOVIK_BUILD_BENCH=OFF $(CMAKE_FLAGS)
	cmake --build build-fuzz --target fuzzers -j $(JOBS)
	scripts/run-fuzzers.sh build-fuzz $(FUZZ_SECONDS)

clean:
	rm -rf build build-asan build-tsan build-fuzz
