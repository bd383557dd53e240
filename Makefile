# Thin wrapper over CMake + Ninja: `make run` and `make test` are the two everyday commands.
BUILD_DIR ?= build
BUILD_TYPE ?= RelWithDebInfo
JOBS ?= 2

.PHONY: all deps configure build run run-shared test test-asan test-tsan test-windows windows package-windows fuzz bench package \
	screenshots clean format format-check

all: build

# The packages are checked once per change of the install script, not on every build.
DEPS_STAMP := $(BUILD_DIR)/.deps-installed
deps: $(DEPS_STAMP)
$(DEPS_STAMP): scripts/install-deps.sh
	@bash scripts/install-deps.sh
	@mkdir -p $(BUILD_DIR) && touch $@

# Configured once; after that Ninja reruns CMake by itself when a CMake file changes.
configure: deps $(BUILD_DIR)/build.ninja
$(BUILD_DIR)/build.ninja:
	@cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) >/dev/null

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS)

# Starts a simulated switcher on a pseudo-terminal linked as COM1 in the run folder, then the console
# there. The simulator ends when the console does.
run: build
	@bash scripts/run-console.sh $(BUILD_DIR)

# The same simulated line shared through korvexd, and the console connected to korvexd over "Network...";
# more consoles and korvex-ctl --host may join it.
run-shared: build
	@bash scripts/run-shared.sh $(BUILD_DIR)

test: build
	@cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS) --timeout 600

# The whole suite under AddressSanitizer and UndefinedBehaviorSanitizer, in its own build folder.
test-asan: deps
	@cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVEX_SANITIZE=address,undefined \
		-DKORVEX_BUILD_BENCH=OFF >/dev/null
	@cmake --build build-asan -j $(JOBS)
	@cd build-asan && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
		LSAN_OPTIONS=suppressions=$(CURDIR)/scripts/lsan.supp \
		ctest --output-on-failure -j $(JOBS) --timeout 900 $(CTEST_ARGS)

# The threaded parts (serial link, Qt hand-off, console against the simulator, korvexd with its line's
# worker threads, and the consoles on it) under ThreadSanitizer.
TSAN_TESTS ?= serial_test|serial_qt_test|app_console_window_test|e2e_|korvexd_reliability_test|korvexd_e2e_test
TSAN_TARGETS ?= serial_test serial_qt_test app_console_window_test e2e_test korvex-sim korvex-edid \
	korvexd korvex-ctl korvexd_reliability_test korvexd_e2e_test
test-tsan: deps
	@cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVEX_SANITIZE=thread \
		-DKORVEX_BUILD_BENCH=OFF >/dev/null
	@cmake --build build-tsan -j $(JOBS) --target $(TSAN_TARGETS)
	@cd build-tsan && TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 die_after_fork=0 suppressions=$(CURDIR)/scripts/tsan.supp" \
		ctest --output-on-failure -j $(JOBS) --timeout 900 -R '$(TSAN_TESTS)' $(CTEST_ARGS)

# The randomized soak at length: SEEDS seeds (a count from 1, or A-B) of STEPS steps each, the console
# against korvex-sim; a difference names its seed and step, and `soak_test --seed N --steps M` replays it.
SEEDS ?= 20
STEPS ?= 2000
.PHONY: test-soak
test-soak: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS) --target soak_test korvex-sim
	@QT_QPA_PLATFORM=offscreen KORVEX_SIM=$(CURDIR)/$(BUILD_DIR)/sim/korvex-sim \
		$(BUILD_DIR)/tests/soak/soak_test --seeds $(SEEDS) --steps $(STEPS)

# Every libFuzzer target (clang), one after another and niced, each from a copy of its committed seed
# corpus for the number of executions after its name; SECONDS=N stops each after N seconds at the latest.
FUZZERS ?= fuzz_link_protocol:10000000 fuzz_edid_decoder:10000000 fuzz_edid_capture:10000000 \
	fuzz_sim_line:10000000 fuzz_console_receive:1000000 fuzz_wall_files:1000000 \
	fuzz_unit_cutter:10000000 fuzz_videohub_parser:10000000 fuzz_web_api:1000000
fuzz: deps
	@CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DKORVEX_BUILD_FUZZ=ON -DKORVEX_BUILD_TESTS=OFF -DKORVEX_BUILD_BENCH=OFF >/dev/null
	@cmake --build build-fuzz -j $(JOBS) --target $(foreach f,$(FUZZERS),$(firstword $(subst :, ,$(f))))
	@bash scripts/run-fuzzers.sh build-fuzz $(if $(SECONDS),--seconds $(SECONDS)) $(FUZZERS)

# The Debian package: korvex_<version>_<arch>.deb in the build folder.
package: build
	@cd $(BUILD_DIR) && cpack -G DEB >/dev/null && ls -1 $(CURDIR)/$(BUILD_DIR)/korvex_*.deb

# The README's pictures: every page, the address dialog and the traffic window, into docs/.
screenshots: build
	@bash scripts/screenshots.sh $(BUILD_DIR)

# Cross-compiles the cores, the serial layer, korvex-edid and their tests for Windows with MinGW-w64
# and runs them under Wine in a temporary prefix; with Qt for MinGW at hand also the console's widget
# and window tests and the console against korvex-sim on COM1 (needs scripts/install-deps.sh --windows).
test-windows:
	@bash scripts/install-deps.sh --windows
	@JOBS=$(JOBS) BUILD_TYPE=$(BUILD_TYPE) bash scripts/test-windows.sh build-windows

# The console, korvex-edid and korvex-ctl for Windows with everything they need in one folder,
# build-windows-gui/dist/korvex-<version>-windows; package-windows zips it. Qt for MinGW is built
# once per machine first when it is missing (scripts/build-qt-windows.sh, about two hours).
windows:
	@bash scripts/install-deps.sh --windows
	@JOBS=$(JOBS) BUILD_TYPE=$(BUILD_TYPE) bash scripts/build-windows.sh build-windows-gui

package-windows:
	@bash scripts/install-deps.sh --windows
	@JOBS=$(JOBS) BUILD_TYPE=$(BUILD_TYPE) bash scripts/build-windows.sh --package build-windows-gui

bench: build
	@cmake --build $(BUILD_DIR) -j $(JOBS) --target korvex_benchmarks
	@bash scripts/run-benchmarks.sh $(BUILD_DIR)

# Every tracked C++ source and header, the web panel's scripts and the browser tests, in the style of the
# root .clang-format; format-check changes nothing, names every line that differs and then fails.
FORMATTED = git ls-files '*.cpp' '*.h' 'src/web/panel/*.js' 'tests/web/*.mjs'
format: deps
	@$(FORMATTED) | xargs clang-format -i

format-check: deps
	@$(FORMATTED) | xargs clang-format --dry-run --Werror

clean:
	@rm -rf $(BUILD_DIR) build-windows build-windows-gui
