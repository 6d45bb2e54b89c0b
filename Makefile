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

clean:
	rm -rf $(BUILD) $(SANITIZE_BUILD)
