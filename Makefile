# Front door: `make test`, `make build`, `make run`, `make demo`.
BUILD_DIR ?= build
ASAN_DIR ?= build-asan
JOBS ?= $(shell nproc)
KIND ?= subscriber
CMAKE_FLAGS ?= -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo

.PHONY: deps build test test-fast test-asan run demo clean

deps:
	@scripts/install-deps.sh

$(BUILD_DIR)/build.ninja: CMakeLists.txt | deps
	cmake -S . -B $(BUILD_DIR) $(CMAKE_FLAGS)

build: deps $(BUILD_DIR)/build.ninja
	cmake --build $(BUILD_DIR) -j $(JOBS)

test-fast: build
	cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

$(ASAN_DIR)/build.ninja: CMakeLists.txt | deps
	cmake -S . -B $(ASAN_DIR) $(CMAKE_FLAGS) -DINTERCOM_SANITIZE=ON

test-asan: deps $(ASAN_DIR)/build.ninja
	cmake --build $(ASAN_DIR) -j $(JOBS)
	cd $(ASAN_DIR) && ctest --output-on-failure -j $(JOBS)

test: test-fast test-asan

run: build
	$(CURDIR)/$(BUILD_DIR)/intercom-config

demo: build
	scripts/demo.sh $(KIND)

clean:
	rm -rf $(BUILD_DIR) $(ASAN_DIR)
