# Thin wrapper over CMake + Ninja: `make run` and `make test` are the two everyday commands.
BUILD_DIR ?= build
BUILD_TYPE ?= RelWithDebInfo
JOBS ?= 2

.PHONY: all deps configure build run test test-windows bench clean format

all: build

deps:
	@bash scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) >/dev/null

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS)

# Starts a simulated switcher on a pseudo-terminal linked as COM1 in the run folder, then the console
# there. The simulator ends when the console does.
run: build
	@bash scripts/run-console.sh $(BUILD_DIR)

test: build
	@cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS) --timeout 600

# Cross-compiles the cores, the serial layer, korvex-edid and their tests for Windows with MinGW-w64
# and runs them under Wine in a temporary prefix (needs scripts/install-deps.sh --windows).
test-windows:
	@bash scripts/install-deps.sh --windows
	@JOBS=$(JOBS) BUILD_TYPE=$(BUILD_TYPE) bash scripts/test-windows.sh build-windows

bench: build
	@bash scripts/run-benchmarks.sh $(BUILD_DIR)

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	@rm -rf $(BUILD_DIR) build-windows
