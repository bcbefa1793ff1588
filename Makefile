# Tarvelin: the two entry points are `make demo` and `make test`.
JOBS ?= $(shell nproc)
ASAN_DIR := build/asan
REL_DIR := build/release

.PHONY: deps test demo release asan bench format clean

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

format:
	find src apps tests bench -name '*.cpp' -o -name '*.h' | xargs clang-format -i

clean:
	rm -rf build
