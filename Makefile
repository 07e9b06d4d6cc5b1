# Thin front end over CMake: `make demo`, `make test`, `make check`.
JOBS ?= 2

.PHONY: all build demo test check bench clean

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

clean:
	rm -rf build build-san build-bench
