# Threadwick: one command each to run, test and measure.
#   make run    install what is missing, build, start Threadwick on a ready demo directory
#   make test   install what is missing, build, run every test
#   make bench  build in release mode and run the benchmarks
BUILD     ?= build
BENCH_BUILD ?= build-bench
DEMO      ?= demo
JOBS      ?= $(shell nproc)
CMAKE_GEN := -G Ninja

.PHONY: all deps configure build test run demo bench screenshot clean

all: build

deps:
	@bash scripts/install-deps.sh

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo

configure: deps $(BUILD)/build.ninja

build: configure
	cmake --build $(BUILD) -j $(JOBS)

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

demo: build
	bash scripts/make-demo.sh $(BUILD) $(DEMO)

run: demo
	cd $(DEMO) && ./Threadwick

bench: deps
	cmake -S . -B $(BENCH_BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release -DTHREADWICK_BUILD_TESTS=OFF
	cmake --build $(BENCH_BUILD) -j $(JOBS)
	xvfb-run -a -s "-screen 0 1280x800x24" bash scripts/run-bench.sh $(BENCH_BUILD)

screenshot: demo
	bash scripts/screenshot.sh $(BUILD) $(DEMO) docs/screenshot.png

clean:
	rm -rf $(BUILD) $(BENCH_BUILD) $(DEMO)
