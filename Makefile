# The set-up commands: `make run`, `make test`, and `make check` (what CI runs).
BUILD_DIR ?= build
JOBS ?= $(shell nproc)

.PHONY: deps configure configure-asan configure-release build build-asan run test test-asan \
        format format-check check bench package clean

deps:
	@scripts/install-deps

configure: deps
	@cmake --preset default >/dev/null

configure-asan: deps
	@cmake --preset asan >/dev/null

configure-release: deps
	@cmake --preset release >/dev/null

build: configure
	@cmake --build --preset default -j $(JOBS)

build-asan: configure-asan
	@cmake --build --preset asan -j $(JOBS)

run: build
	$(BUILD_DIR)/bin/fangji

test: build
	QT_QPA_PLATFORM=offscreen ctest --preset default -j $(JOBS)

# The whole suite once more, built with AddressSanitizer and UndefinedBehaviorSanitizer.
test-asan: build-asan
	QT_QPA_PLATFORM=offscreen ctest --preset asan -j $(JOBS)

format: deps
	@scripts/format

format-check: deps
	@scripts/check-format

# Formatting first (it takes seconds), then the suite with warnings as errors, then under the sanitizers.
check: format-check
	@$(MAKE) --no-print-directory test
	@$(MAKE) --no-print-directory test-asan

bench: configure-release
	@cmake --build --preset release -j $(JOBS) --target fangji_bench write_bench export_bench
	build-release/bin/fangji_bench
	build-release/bin/write_bench
	build-release/bin/export_bench

package: configure-release
	@cmake --build --preset release -j $(JOBS)
	cd build-release && cpack -G DEB

clean:
	rm -rf $(BUILD_DIR) build-asan build-release
