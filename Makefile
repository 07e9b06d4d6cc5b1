# Thin front end over CMake: `make demo`, `make test`, `make check`, `make install`.
JOBS ?= 2
PREFIX ?= /usr/local

.PHONY: all build program demo install test check bench clean

all: build

build:
	cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DBNSL_TESTS=ON >/dev/null
	cmake --build build -j $(JOBS)

# The program alone: no GoogleTest needed.
program:
	cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DBNSL_TESTS=OFF >/dev/null
	cmake --build build -j $(JOBS) --target bnsl

# Learns the Asia network from the bundled CSV file (examples/asia.csv, see
# docs/guide.md); the graph and the network are written to examples/asia.dot and
# examples/asia.bif.
demo: program
	cd examples && ../build/bnsl asia-csv.opt

install: program
	cmake --install build --prefix $(PREFIX)

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
