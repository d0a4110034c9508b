# SPDX-License-Identifier: GPL-3.0-or-later
# Quick start: `make run` starts the program on the simulated card; `make test` runs every test.
# Both install the Debian packages they need first (only those missing).
BUILD ?= build
ASAN_BUILD ?= build-asan
RELEASE_BUILD ?= build-release
FUZZ_BUILD ?= build-fuzz
JOBS ?= $(shell nproc)
FUZZ_SECONDS ?= 120

.PHONY: all setup configure build run test asan-test release-test bench fuzz deb format clean

all: build

setup:
	@scripts/setup-deps.sh

configure: setup
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: configure
	cmake --build $(BUILD) -j$(JOBS)

run: build
	@scripts/run-program.sh $(BUILD)/bin/tessary

test: build
	cd $(BUILD) && ctest --output-on-failure -j$(JOBS)

# The core tests again, built with AddressSanitizer and UndefinedBehaviorSanitizer.
asan-test: setup
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DTESSARY_SANITIZE=ON \
	    -DTESSARY_GUI=OFF -DTESSARY_BENCH=OFF
	cmake --build $(ASAN_BUILD) -j$(JOBS)
	cd $(ASAN_BUILD) && ctest --output-on-failure -j$(JOBS)

# The core and its tests again, built as Release: some of the compiler's warnings appear only
# when it optimises fully.
release-test: setup
	cmake -S . -B $(RELEASE_BUILD) -DCMAKE_BUILD_TYPE=Release -DTESSARY_GUI=OFF -DTESSARY_BENCH=OFF
	cmake --build $(RELEASE_BUILD) -j$(JOBS)
	cd $(RELEASE_BUILD) && ctest --output-on-failure -j$(JOBS)

# The window benchmarks draw offscreen when there is no display; the window benchmark's
# settings file beside it is skipped. The Python reader's benchmark runs with the system's Python.
bench: build
	@if [ -z "$$DISPLAY" ]; then export QT_QPA_PLATFORM=offscreen; fi; \
	for b in $(BUILD)/bin/bench_*; do \
	    case $$b in *.*) continue ;; esac; echo "== $$b"; $$b || exit 1; \
	done
	@echo "== bench/python_reader.py"; PYTHONPATH=python /usr/bin/python3 bench/python_reader.py

# Runs every libFuzzer target for FUZZ_SECONDS on its seed corpus.
fuzz:
	@scripts/setup-deps.sh --fuzz
	@scripts/fuzz.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

# The Debian package $(BUILD)/tessary_VERSION_ARCH.deb; its library dependencies are worked
# out from the binaries. Install it with `apt-get install ./$(BUILD)/tessary_*.deb`.
deb: build
	cd $(BUILD) && cpack -G DEB

format:
	find texts data settings acquisition upgrade export viewer app cli tests bench fuzz -name '*.cpp' -o -name '*.h' | \
	    xargs clang-format -i

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(RELEASE_BUILD) $(FUZZ_BUILD)
