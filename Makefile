# Everything a fresh Debian machine needs: `make test` and `make demo` do all the set-up themselves.
PRESET ?= release
JOBS ?= $(shell nproc)
BUILD := build/$(PRESET)

.PHONY: deps configure build test asan demo fuzz bench windows clean

deps:
	@scripts/install-deps

configure: deps
	@cmake --preset $(PRESET) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

test: build
	@ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

asan:
	@$(MAKE) --no-print-directory test PRESET=asan

demo: build
	@scripts/demo $(BUILD)

fuzz: deps
	@scripts/fuzz $(or $(SECONDS_EACH),60)

bench: deps
	@scripts/bench

# The window-free programs for 64-bit Windows, tested under wine, packed into dist/.
windows:
	@scripts/windows $(JOBS)

clean:
	rm -rf build
