# The two commands a newcomer types: `make run` and `make test`.
JOBS ?= 2
SETUP = scripts/setup.sh
XVFB = xvfb-run -a -s "-screen 0 1280x1024x24"

.PHONY: run test test-linux test-windows build-linux build-windows bench setup

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

test: test-linux test-windows

run: build-linux build-windows
	@scripts/run.sh

bench: build-linux
	@bench/run.sh
