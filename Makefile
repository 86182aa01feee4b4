# A thin wrapper over the CMake presets.
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
BUILD := build/release

.PHONY: all build test demo bench clean

all: build

build:
	cmake --preset default >/dev/null
	cmake --build --preset default -j $(JOBS)

test: build
	ctest --preset default -j $(JOBS)

demo: build
	tools/demo.sh $(BUILD)

bench: build
	$(BUILD)/bench/convert_frame_bench --benchmark_min_time=0.5
	python3 bench/whole_process.py $(BUILD)

clean:
	rm -rf build
