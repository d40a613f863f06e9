# The commands a newcomer needs. Each configures and builds first.
#   make demo   run setsieve on the example pair and show the reports
#   make test   build and run every test (not the long "large" ones)
#   make bench  time setsieve against awk and Python peers (minutes)

BUILD_DIR ?= build
CMAKE_FLAGS ?=

.PHONY: build test demo bench clean

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

clean:
	rm -rf $(BUILD_DIR)
