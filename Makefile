# The two set-up commands: `make run` and `make test`.
BUILD_DIR ?= build
JOBS ?= $(shell nproc)

.PHONY: deps configure configure-release build run test bench package clean

deps:
	@scripts/install-deps

configure: deps
	@cmake --preset default >/dev/null

configure-release: deps
	@cmake --preset release >/dev/null

build: configure
	@cmake --build --preset default -j $(JOBS)

run: build
	$(BUILD_DIR)/bin/fangji

test: build
	QT_QPA_PLATFORM=offscreen ctest --preset default -j $(JOBS)

bench: configure-release
	@cmake --build --preset release -j $(JOBS) --target fangji_bench write_bench export_bench
	build-release/bin/fangji_bench
	build-release/bin/write_bench
	build-release/bin/export_bench

package: configure-release
	@cmake --build --preset release -j $(JOBS)
	cd build-release && cpack -G DEB

clean:
	rm -rf $(BUILD_DIR) build-release
