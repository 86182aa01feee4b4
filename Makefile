# A thin wrapper over the CMake presets.
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
BUILD := build/release
PREFIX ?= /usr/local
DESTDIR ?=

.PHONY: all build test demo bench install package clean

all: build

build:
	cmake --preset default >/dev/null
	cmake --build --preset default -j $(JOBS)

test: build
	ctest --preset default -j $(JOBS)

demo: build
	tools/demo.sh $(BUILD)

# Medians of 15 repetitions, interleaved so that the sets compared run side by side.
bench: build
	$(BUILD)/bench/convert_frame_bench --benchmark_min_time=0.1 --benchmark_repetitions=15 \
	    --benchmark_enable_random_interleaving=true --benchmark_report_aggregates_only=true
	python3 bench/whole_process.py $(BUILD)
	python3 bench/pipe_process.py $(BUILD)
	if [ -e $(BUILD)/gst/libgstchromafold.so ]; then python3 bench/gst_pipelines.py $(BUILD)/gst; fi

# Installs into $(DESTDIR)$(PREFIX): the program and its manual, the shared and
# static libraries, the headers, and the pkg-config and CMake files.
install:
	cmake --preset default -DCMAKE_INSTALL_PREFIX=$(PREFIX) >/dev/null
	cmake --build --preset default -j $(JOBS)
	DESTDIR=$(DESTDIR) cmake --install $(BUILD)

# The Debian packages chromafold, libchromafold1, libchromafold-dev and
# gstreamer1.0-chromafold, in build/package; GSTREAMER=OFF leaves out the last,
# which needs GStreamer's development files.
GSTREAMER ?= ON
package:
	cmake --preset package -DCHROMAFOLD_GSTREAMER=$(GSTREAMER) >/dev/null
	cmake --build --preset package -j $(JOBS)
	cd build/package && cpack -G DEB

clean:
	rm -rf build
