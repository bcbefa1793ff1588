# Tarvelin: the two entry points are `make demo` and `make test`.
JOBS ?= $(shell nproc)
ASAN_DIR := build/asan
REL_DIR := build/release
FUZZ_DIR := build/fuzz
FUZZ_SECONDS ?= 60

.PHONY: deps test demo release asan bench fuzz screenshots format clean

deps:
	bash scripts/install-deps.sh

asan: deps
	cmake -S . -B $(ASAN_DIR) -DCMAKE_BUILD_TYPE=Debug -DTARVELIN_SANITIZE=ON
	cmake --build $(ASAN_DIR) -j $(JOBS)

release: deps
	cmake -S . -B $(REL_DIR) -DCMAKE_BUILD_TYPE=Release
	cmake --build $(REL_DIR) -j $(JOBS)

test: asan
	cd $(ASAN_DIR) && QT_QPA_PLATFORM=offscreen LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp \
	  ctest --output-on-failure -j $(JOBS)

demo: release
	bash scripts/demo.sh $(REL_DIR)/bin/tarvelin

bench: release
	bash scripts/bench.sh $(REL_DIR)/bench

# libFuzzer targets built with clang; each runs FUZZ_SECONDS (scripts/fuzz.sh).
fuzz:
	bash scripts/install-deps.sh --fuzz
	cmake -S . -B $(FUZZ_DIR) -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++-14 \
	  -DCMAKE_CXX_FLAGS="-O1 -g" -DTARVELIN_FUZZ=ON -DTARVELIN_BUILD_TESTS=OFF -DTARVELIN_BUILD_BENCH=OFF
	cmake --build $(FUZZ_DIR) -j $(JOBS) --target fuzz_targets
	FUZZ_SECONDS=$(FUZZ_SECONDS) bash scripts/fuzz.sh $(FUZZ_DIR)

# The pictures of docs/, taken under Xvfb from the tests' build.
screenshots: test
	bash scripts/install-deps.sh --screenshots
	bash scripts/screenshots.sh $(ASAN_DIR)

format:
	find src apps tests bench fuzz -name '*.cpp' -o -name '*.h' | xargs clang-format -i

clean:
	rm -rf build
