# Entry points: `make demo` filters the bundled recording; `make test` builds and runs every test,
# once plainly and once under AddressSanitizer and UndefinedBehaviorSanitizer.
BUILD := build
SANITIZE_BUILD := build-sanitize
JOBS ?= 2

.PHONY: all deps build test test-plain test-sanitize demo bench clean

all: build

deps:
	@tools/install-deps.sh

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release
	cmake --build $(BUILD) -j$(JOBS)

test: test-plain test-sanitize

test-plain: build
	cd $(BUILD) && ctest --output-on-failure

test-sanitize: deps
	cmake -S . -B $(SANITIZE_BUILD) -DCMAKE_BUILD_TYPE=Debug -DSG_SANITIZE=ON
	cmake --build $(SANITIZE_BUILD) -j$(JOBS)
	cd $(SANITIZE_BUILD) && ctest --output-on-failure

# The bundled recording through two stages: the smoothed pressure, then its first derivative (dP/dt,
# per millisecond at 1 kHz). Where 32-bit programs cannot run natively, build/run32 names the emulator.
DEMO := $(BUILD)/demo
demo: build
	@mkdir -p $(DEMO)
	@$$(cat $(BUILD)/run32) $(BUILD)/sgfilter filter samples/arterial-pressure.csv \
	  -o $(DEMO)/pressure-filtered.csv --plot $(DEMO)/pressure-filtered.svg --verbose \
	  --channel pressure --order 3 --width 25 --then --derivative 1 --order 3 --width 25

# The filter's speed through Main1 against scipy's savgol_filter on the same data, in one run.
bench: build
	@bench/run-bench.sh $(BUILD)

clean:
	rm -rf $(BUILD) $(SANITIZE_BUILD)
