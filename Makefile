# Entry points: `make demo` filters the bundled recording; `make test` builds and runs every test,
# once plainly and once under AddressSanitizer and UndefinedBehaviorSanitizer.
BUILD := build
SANITIZE_BUILD := build-sanitize
JOBS ?= 2

.PHONY: all deps build test test-plain test-sanitize demo clean

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
# per millisecond at 1 kHz); then the same recording written as EDF+D and filtered from there. Where 32-bit programs cannot run natively, build/run32 names the emulator.
DEMO := $(BUILD)/demo
demo: build
	@mkdir -p $(DEMO)
	@$$(cat $(BUILD)/run32) $(BUILD)/sgfilter filter samples/arterial-pressure.csv \
	  -o $(DEMO)/pressure-filtered.csv --plot $(DEMO)/pressure-filtered.svg --verbose \
	  --channel pressure --order 3 --width 25 --then --derivative 1 --order 3 --width 25
	@$$(cat $(BUILD)/run32) $(BUILD)/make-sample --format edf -o $(DEMO)/arterial-pressure.edf
	@$$(cat $(BUILD)/run32) $(BUILD)/sgfilter info $(DEMO)/arterial-pressure.edf
	@$$(cat $(BUILD)/run32) $(BUILD)/sgfilter filter $(DEMO)/arterial-pressure.edf \
	  -o $(DEMO)/pressure-filtered-from-edf.csv --plot $(DEMO)/pressure-filtered-from-edf.svg --verbose \
	  --channel pressure --order 3 --width 25 --then --derivative 1 --order 3 --width 25

clean:
	rm -rf $(BUILD) $(SANITIZE_BUILD)
