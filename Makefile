# Thin front end over CMake: `make demo`, `make test`, `make check`, `make install`.
JOBS ?= 2
PREFIX ?= /usr/local

.PHONY: all deps build program demo install test check bench clean

all: build

# The LP engine of the exact branch-and-cut search, COIN-OR CLP, found by pkg-config.
# Installed here when missing and run as root; otherwise the line to run is shown.
COIN_PACKAGES = pkg-config coinor-libclp-dev
deps:
	@if ! pkg-config --exists clp 2>/dev/null; then \
	  if [ "$$(id -u)" = 0 ]; then \
	    apt-get update && DEBIAN_FRONTEND=noninteractive apt-get install -y $(COIN_PACKAGES); \
	  else \
	    echo "COIN-OR CLP is missing. Run: sudo apt-get install -y $(COIN_PACKAGES)"; exit 1; \
	  fi; \
	fi

build: deps
	cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DBNSL_TESTS=ON >/dev/null
	cmake --build build -j $(JOBS)

# The program alone: no GoogleTest needed.
program: deps
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

check: deps
	cmake -S . -B build-san -DCMAKE_BUILD_TYPE=Debug -DBNSL_SANITIZE=ON >/dev/null
	cmake --build build-san -j $(JOBS)
	cd build-san && ASAN_OPTIONS=detect_leaks=0 ctest --output-on-failure -j $(JOBS)

bench: deps
	cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DBNSL_BENCH=ON >/dev/null
	cmake --build build-bench -j $(JOBS)

clean:
	rm -rf build build-san build-bench
