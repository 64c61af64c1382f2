# The two entry points: `make run` and `make test`.
BUILD_DIR ?= build
BUILD_TYPE ?= RelWithDebInfo
JOBS ?= $(shell nproc)

.PHONY: deps configure build run test bench fuzz tsan clean

deps:
	@bash scripts/install-deps.sh

# ccache, when the machine has it, only speeds up rebuilds.
LAUNCHER := $(if $(shell command -v ccache),-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)

configure: deps
	@cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) $(LAUNCHER) >/dev/null

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	@$(BUILD_DIR)/bin/zemo-db

test: build
	@cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

bench: build
	@$(BUILD_DIR)/bin/zemo-bench --help

# The fuzz targets under libFuzzer with clang, each for FUZZ_SECONDS; inputs that add coverage or
# fail are kept in tests/fuzz/corpus/<target>, which `make test` replays.
FUZZ_DIR ?= build-fuzz
FUZZ_SECONDS ?= 60
FUZZ_TARGETS ?= profile_file statement_check statement_parsers number_order csv_text

fuzz:
	@bash scripts/install-deps.sh fuzz
	@CC=clang CXX=clang++ cmake -S . -B $(FUZZ_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZEMO_FUZZ=ON $(LAUNCHER) >/dev/null
	@cmake --build $(FUZZ_DIR) -j $(JOBS) --target $(addprefix fuzz_,$(FUZZ_TARGETS))
	@bash scripts/run-fuzz.sh $(FUZZ_DIR) $(FUZZ_SECONDS) $(FUZZ_TARGETS)

# ThreadSanitizer over the core tests (the logic without windows, the server ones with the private
# cluster): any report from the project's code fails the run; tests/tsan.supp names Qt's own
# internals only.
TSAN_DIR ?= build-tsan

tsan:
	@bash scripts/install-deps.sh tsan
	@cmake -S . -B $(TSAN_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZEMO_TSAN=ON $(LAUNCHER) >/dev/null
	@cmake --build $(TSAN_DIR) -j $(JOBS) --target zemo_core_tests
	@cd $(TSAN_DIR) && TSAN_OPTIONS="suppressions=$(CURDIR)/tests/tsan.supp halt_on_error=1 exitcode=66 die_after_fork=0" \
	  ctest -L core --output-on-failure -j $(JOBS)

clean:
	@rm -rf $(BUILD_DIR) $(FUZZ_DIR) $(TSAN_DIR)
