# Entry points: `make demo` filters the bundled recording; `make test` builds and runs every test,
# once plainly and once under AddressSanitizer and UndefinedBehaviorSanitizer, then replays the
# fuzzer's seed corpus and fuzzes briefly; `make fuzz FUZZ_SECONDS=600` fuzzes for as long as asked.
BUILD := build
SANITIZE_BUILD := build-sanitize
FUZZ_BUILD := build-fuzz
JOBS ?= 2
FUZZ_SECONDS ?= 600
FUZZ_TEST_SECONDS ?= 30
FUZZ_TEST_RUNS ?= 6000

.PHONY: all deps build test test-plain test-sanitize test-fuzz build-fuzz fuzz demo bench bench-view bench-save bench-view-recording bench-open bench-write bench-wfdb cohort bench-cohort clean

all: build

deps:
	@tools/install-deps.sh

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release
	cmake --build $(BUILD) -j$(JOBS)

test: test-plain test-sanitize test-fuzz

test-plain: build
	cd $(BUILD) && ctest -j$(JOBS) --output-on-failure

test-sanitize: deps
	cmake -S . -B $(SANITIZE_BUILD) -DCMAKE_BUILD_TYPE=Debug -DSG_SANITIZE=ON
	cmake --build $(SANITIZE_BUILD) -j$(JOBS)
	cd $(SANITIZE_BUILD) && ctest -j$(JOBS) --output-on-failure

# The fuzzer: clang with libFuzzer, AddressSanitizer and UndefinedBehaviorSanitizer, in its own build.
build-fuzz: deps
	cmake -S . -B $(FUZZ_BUILD) -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSG_FUZZ=ON
	cmake --build $(FUZZ_BUILD) -j$(JOBS)

test-fuzz: build-fuzz
	tools/run-fuzzer.sh $(FUZZ_BUILD) check $(FUZZ_TEST_SECONDS) $(FUZZ_TEST_RUNS)

fuzz: build-fuzz
	tools/run-fuzzer.sh $(FUZZ_BUILD) fuzz $(FUZZ_SECONDS)

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

# The filter's speed through Main1 against scipy's savgol_filter on the same data, in one run.
bench: build
	@bench/run-bench.sh $(BUILD)

# sgfilter view's server timed as its page uses it, on a 24-hour 8-channel EDF+D at 1 kHz made once
# into build/bench-view/ (VIEW_DURATION=SECONDS for a shorter one, RECORDING=FILE for another file).
VIEW_DURATION ?= 86400
bench-view: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release
	@DURATION=$(VIEW_DURATION) bench/view-bench.sh $(BUILD) $(RECORDING)

# The page's Save… against the filter command it runs, on the recording of bench-view (made by it).
bench-save: bench-view-recording
	@node bench/save-bench.mjs $(BUILD) $(if $(RECORDING),$(RECORDING),$(BUILD)/bench-view/view-$(VIEW_DURATION).edf)

bench-view-recording: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release
	@ONLY_RECORDING=1 DURATION=$(VIEW_DURATION) bench/view-bench.sh $(BUILD) $(RECORDING)

# Opening the day-long EDF+D of bench-view from a cold disk and a warm one: sgfilter info beside
# a plain read of the file (RECORDING=FILE for another file).
bench-open: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release
	@bench/open-bench.sh $(BUILD) $(RECORDING)

# sgfilter's EDF+ write path, native, before and after its speed-up, in one run; checks the bytes.
bench-write: deps
	@bench/run-write-bench.sh $(BUILD)

# Reading and filtering a day-long format-212 WFDB record against the same samples as EDF, in one run.
bench-wfdb: build
	@bench/wfdb-read-bench.sh $(BUILD)

# The cohort workflow (workflow/): every recording under IN filtered by CONFIG's recipe into OUT with
# Snakemake, on CORES local cores or, with PROFILE=workflow/profiles/slurm, as SLURM jobs. Snakemake
# keeps its records in OUT/.snakemake, so the same command resumes a run that stopped.
CONFIG ?= workflow/config.yaml
CORES ?= $(JOBS)
cohort: build
	@test -n "$(IN)" -a -n "$(OUT)" || { echo "usage: make cohort IN=recordings/ OUT=results/ [CONFIG=workflow/config.yaml] [CORES=N | PROFILE=workflow/profiles/slurm]" >&2; exit 2; }
	@mkdir -p $(OUT)
	snakemake -s workflow/Snakefile --configfile $(abspath $(CONFIG)) --directory $(abspath $(OUT)) \
	  --config input=$(abspath $(IN)) output=$(abspath $(OUT)) \
	  $(if $(PROFILE),--profile $(abspath $(PROFILE)),--cores $(CORES) --keep-going --rerun-incomplete)

# The workflow against plain sgfilter runs over 200 one-hour recordings, and Snakemake's planning
# time over 10,000 (recordings made once into build/bench-cohort/).
bench-cohort: build
	@bench/cohort-bench.sh $(BUILD)

clean:
	rm -rf $(BUILD) $(SANITIZE_BUILD) $(FUZZ_BUILD)
