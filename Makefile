# The commands a newcomer needs. Each configures and builds first.
#   make demo   run setsieve on the example pair and show the reports
#   make test   build and run every test (not the long "large" ones)
#   make bench  time setsieve against awk and Python peers (minutes)
#   make test-sanitize  every test against an ASan + UBSan build
#   make test-large     the huge-input tests (minutes, gigabytes of disk)
#   make fuzz           each fuzz target for FUZZ_SECONDS (clang, libFuzzer)
#   make install PREFIX=...  the program and its man page under PREFIX
#   make package        a Debian package in the build folder

BUILD_DIR ?= build
CMAKE_FLAGS ?=

FUZZ_SECONDS ?= 60
PREFIX ?= /usr/local

.PHONY: build test demo bench test-sanitize test-large fuzz install package \
	clean

build:
	cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Release $(CMAKE_FLAGS)
	cmake --build $(BUILD_DIR)

test: build
	ctest --test-dir $(BUILD_DIR) --output-on-failure -LE large

demo: build
	rm -rf $(BUILD_DIR)/demo && mkdir -p $(BUILD_DIR)/demo
	cp examples/fruit1.txt examples/fruit2.txt $(BUILD_DIR)/demo/
	cd $(BUILD_DIR)/demo && ../setsieve fruit1.txt fruit2.txt; echo "exit status $$?"
	@for f in unique1 unique2 common; do \
	  echo "==== $$f"; tr -d '\r' < $(BUILD_DIR)/demo/$$f; done

bench: build
	python3 bench/run.py --bin $(BUILD_DIR)/setsieve $(BENCH_FLAGS)

test-sanitize:
	cmake --preset sanitize
	cmake --build build-sanitize
	ctest --preset sanitize

test-large: build
	ctest --test-dir $(BUILD_DIR) --output-on-failure -L large

fuzz:
	cmake --preset fuzz
	cmake --build build-fuzz
	@for t in reader compare; do \
	  mkdir -p build-fuzz/corpus-$$t build-fuzz/crashes-$$t; \
	  echo "== $${t}_fuzz for $(FUZZ_SECONDS) s"; \
	  build-fuzz/$${t}_fuzz -max_total_time=$(FUZZ_SECONDS) -max_len=8192 \
	    -print_final_stats=1 -artifact_prefix=build-fuzz/crashes-$$t/ \
	    build-fuzz/corpus-$$t fuzz/corpus/$$t || exit 1; \
	done

install: build
	cmake --install $(BUILD_DIR) --prefix $(PREFIX)

package: build
	cd $(BUILD_DIR) && cpack -G DEB

clean:
	rm -rf $(BUILD_DIR) build-sanitize build-fuzz
