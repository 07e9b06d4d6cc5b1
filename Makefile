# Thin front end over CMake: `make demo`, `make test`, `make check`, `make fuzz`.
JOBS ?= 2
# Seconds each fuzz target runs in `make fuzz`.
FUZZ_SECONDS ?= 60

.PHONY: all build demo test check bench fuzz clean

all: build

build:
	cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
	cmake --build build -j $(JOBS)

demo: build
	cd examples && ../build/bnsl demo.opt

test: build
	cd build && ctest --output-on-failure -j $(JOBS)

check:
	cmake -S . -B build-san -DCMAKE_BUILD_TYPE=Debug -DBNSL_SANITIZE=ON >/dev/null
	cmake --build build-san -j $(JOBS)
	cd build-san && ASAN_OPTIONS=detect_leaks=0 ctest --output-on-failure -j $(JOBS)

bench:
	cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DBNSL_BENCH=ON >/dev/null
	cmake --build build-bench -j $(JOBS)

# The libFuzzer targets of tests/fuzz, built with clang, run one after the other.
fuzz:
	cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Release -DBNSL_FUZZ=ON >/dev/null
	cmake --build build-fuzz -j $(JOBS) --target fuzz_targets
	tests/fuzz/run.sh build-fuzz $(FUZZ_SECONDS)

clean:
	rm -rf build build-san build-bench build-fuzz
