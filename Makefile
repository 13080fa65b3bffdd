# The two commands of the README: `make run` and `make test`. Plain `make` sets up and builds.
.PHONY: all setup build test run clean
all: build

setup:
	@scripts/setup.sh

build: setup
	@scripts/build.sh

test: build
	@scripts/run-tests.sh

run: build
	@scripts/run.sh

clean:
	rm -rf build
