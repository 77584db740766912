# Front door: `make run` plays, `make test` runs everything CI runs.
BUILD ?= build
JOBS ?= $(shell nproc)

.PHONY: all deps build run test clean

all: build

deps:
	@scripts/setup-deps

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G Ninja

build: $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

run: deps build
	@scripts/play $(BUILD)

# The GL and end-to-end tests need an X server: without a display, run everything under Xvfb.
test: deps build
	@if [ -z "$${DISPLAY:-}" ]; then \
	  cd $(BUILD) && xvfb-run -a -s "-screen 0 1280x1024x24" ctest --output-on-failure -j $(JOBS); \
	else \
	  cd $(BUILD) && ctest --output-on-failure -j $(JOBS); \
	fi

clean:
	rm -rf $(BUILD)
