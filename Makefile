# The two commands a newcomer types: `make run` and `make test`.
JOBS ?= 2
SETUP = scripts/setup.sh
XVFB = xvfb-run -a -s "-screen 0 1280x1024x24"

.PHONY: run test test-linux test-windows build-linux build-windows bench setup release
.PHONY: build-asan test-asan build-fuzz fuzz fuzz-smoke valgrind

setup:
	@$(SETUP)

build-linux: setup
	@cmake --preset linux >/dev/null
	@cmake --build --preset linux -j$(JOBS)

build-windows: setup
	@cmake --preset windows >/dev/null
	@cmake --build --preset windows -j$(JOBS)

test-linux: build-linux
	@ctest --preset linux

test-windows: build-windows
	@$(XVFB) ctest --preset windows

build-asan: setup
	@cmake --preset asan >/dev/null
	@cmake --build --preset asan -j$(JOBS)

# The native suite with AddressSanitizer, UndefinedBehaviorSanitizer and LeakSanitizer.
test-asan: build-asan
	@ctest --preset asan

build-fuzz: setup
	@cmake --preset fuzz >/dev/null
	@cmake --build --preset fuzz -j$(JOBS)

# Each fuzz target for FUZZ_SECONDS seconds; findings are kept in build/fuzz/artifacts.
FUZZ_SECONDS ?= 900
fuzz: build-fuzz
	@fuzz/run.sh $(FUZZ_SECONDS)

# A few seconds each, as part of the test command: a fixed number of inputs from a fixed
# seed, so that the test command's outcome depends neither on chance nor on the machine's
# speed (the fuzz target above explores).
FUZZ_SMOKE_RUNS ?= 3000
FUZZ_SMOKE_SECONDS ?= 120
fuzz-smoke: build-fuzz
	@FUZZ_RUNS=$(FUZZ_SMOKE_RUNS) fuzz/run.sh $(FUZZ_SMOKE_SECONDS)

# The native suite under valgrind's memcheck.
valgrind: build-linux
	@scripts/valgrind.sh build/linux

# The Windows suite runs last, so that the closing lines are its summary.
test: test-linux test-asan fuzz-smoke test-windows

# Builds only the program it starts: Rowdeal.exe with a display, rowdeal-split without.
run: setup
	@JOBS=$(JOBS) scripts/run.sh

# build/release/Rowdeal-<version>-win64.zip: the three stripped programs, the README and a
# version file.
release: setup
	@cmake --preset windows >/dev/null
	@cmake --build --preset windows -j$(JOBS) --target release

bench: build-linux
	@bench/run.sh
