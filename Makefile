# Front door: `make test`, `make check`, `make build`, `make run`, `make demo`, `make fuzz`, `make bench`,
# `make package`, `make windows`.
BUILD_DIR ?= build
ASAN_DIR ?= build-asan
WINDOWS_DIR ?= build-windows
JOBS ?= $(shell nproc)
KIND ?= subscriber
CMAKE_FLAGS ?= -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
SANITIZE_CC ?= clang-14
SANITIZE_CXX ?= clang++-14
SANITIZE_FLAGS ?= -DINTERCOM_SANITIZE=ON
# Seconds per fuzz target: `make fuzz` runs each this long, `make test` 20 s each.
FUZZ_SECONDS ?= 60

.PHONY: deps build check test test-fast test-asan test-fuzz fuzz windows test-windows run demo package bench clean

deps:
	@scripts/install-deps.sh

$(BUILD_DIR)/build.ninja: CMakeLists.txt | deps
	cmake -S . -B $(BUILD_DIR) $(CMAKE_FLAGS)

build: deps $(BUILD_DIR)/build.ninja
	cmake --build $(BUILD_DIR) -j $(JOBS)

# The quick loop for every edit: the plain build and its tests, without the
# sanitizer, fuzzing or Windows parts of `make test`.
check: build
	cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

test-fast: check

# The sanitizer tree (ASan + UBSan) is a clang build whose libraries also carry
# libFuzzer's coverage hooks: the fuzz targets are linked in it too, so one
# build serves `make test-asan` and `make test-fuzz`. Without clang it is a g++
# build and fuzzing is skipped.
$(ASAN_DIR)/build.ninja: CMakeLists.txt | deps
	@if command -v $(SANITIZE_CXX) >/dev/null; then \
	  echo "CC=$(SANITIZE_CC) CXX=$(SANITIZE_CXX) cmake -S . -B $(ASAN_DIR) $(CMAKE_FLAGS) $(SANITIZE_FLAGS) -DINTERCOM_FUZZ=ON"; \
	  CC=$(SANITIZE_CC) CXX=$(SANITIZE_CXX) cmake -S . -B $(ASAN_DIR) $(CMAKE_FLAGS) $(SANITIZE_FLAGS) -DINTERCOM_FUZZ=ON; \
	else \
	  echo "cmake -S . -B $(ASAN_DIR) $(CMAKE_FLAGS) $(SANITIZE_FLAGS)"; \
	  cmake -S . -B $(ASAN_DIR) $(CMAKE_FLAGS) $(SANITIZE_FLAGS); \
	fi

test-asan: deps $(ASAN_DIR)/build.ninja
	cmake --build $(ASAN_DIR) -j $(JOBS)
	cd $(ASAN_DIR) && ctest --output-on-failure -j $(JOBS)

# Short fuzz runs catch regressions; skipped when clang is not installed.
test-fuzz: deps $(ASAN_DIR)/build.ninja
	FUZZ_DIR=$(CURDIR)/$(ASAN_DIR) JOBS=$(JOBS) scripts/run-fuzz.sh 20

fuzz: deps $(ASAN_DIR)/build.ninja
	FUZZ_DIR=$(CURDIR)/$(ASAN_DIR) JOBS=$(JOBS) scripts/run-fuzz.sh $(FUZZ_SECONDS)

# The Windows build (mingw-w64, static): intercom-config.exe, intercom-cli.exe,
# their installer and portable zip, and the tests.
# Its tests run under Wine and use the Linux build's simulator.
$(WINDOWS_DIR)/build.ninja: CMakeLists.txt cmake/mingw-w64-x86_64.cmake | deps
	cmake -S . -B $(WINDOWS_DIR) $(CMAKE_FLAGS) \
	  -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-w64-x86_64.cmake \
	  -DINTERCOM_HOST_BUILD=$(CURDIR)/$(BUILD_DIR)

windows: deps $(WINDOWS_DIR)/build.ninja
	cmake --build $(WINDOWS_DIR) -j $(JOBS)

test-windows: build windows
	cd $(WINDOWS_DIR) && ctest --output-on-failure -j $(JOBS)

# The Windows part runs wherever mingw-w64 and Wine are installed, which
# `make deps` sees to; the check runs after it, not when make starts.
test: check test-asan test-fuzz
	@if command -v x86_64-w64-mingw32-g++-posix >/dev/null && test -x /usr/lib/wine/wine64; then \
	  $(MAKE) --no-print-directory test-windows; \
	else \
	  echo "mingw-w64 or wine64 missing: Windows build and Wine tests skipped"; \
	fi

run: build
	$(CURDIR)/$(BUILD_DIR)/intercom-config

demo: build
	scripts/demo.sh $(KIND)

# The Debian package intercom-config_<version>_<arch>.deb, built in $(BUILD_DIR)
# and copied here.
package: build
	rm -f $(BUILD_DIR)/intercom-config_*.deb
	cd $(BUILD_DIR) && cpack -G DEB
	cp $(BUILD_DIR)/intercom-config_*.deb .

# Figures against the simulator, one table on stdout (a few minutes; not a test).
# With mingw-w64 and Wine, also the Windows window program under Wine.
bench: build
	@if command -v x86_64-w64-mingw32-g++-posix >/dev/null && test -x /usr/lib/wine/wine64; then \
	  $(MAKE) --no-print-directory windows && \
	  python3 bench/run_bench.py $(BUILD_DIR) --windows $(WINDOWS_DIR); \
	else \
	  python3 bench/run_bench.py $(BUILD_DIR); \
	fi

clean:
	rm -rf $(BUILD_DIR) $(ASAN_DIR) $(WINDOWS_DIR)
