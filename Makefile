# tessaline: one command plays the show, one runs every test.
#   make run    install what is missing, build, play the show
#   make test   install what is missing, build, run every test (+ ASan/UBSan unit tests)
#   make video  render the show to tessaline.mp4
JOBS       ?= $(shell nproc)
BUILD      ?= build
ASAN_BUILD ?= build-asan
CMAKE_ARGS ?=

.PHONY: all deps build run test test-main test-asan test-fuzz video clean

all: build

deps:
	@scripts/install-deps

build: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_ARGS) >/dev/null
	@cmake --build $(BUILD) -j$(JOBS)

run: build
	@if [ -z "$$DISPLAY" ] && [ -z "$$WAYLAND_DISPLAY" ]; then \
	  echo "make run: no display here (DISPLAY is not set); rendering the show to tessaline.mp4 instead"; \
	  $(MAKE) --no-print-directory video; \
	else \
	  cd $(BUILD) && ./tessaline; \
	fi

test: build
	@$(MAKE) --no-print-directory test-main test-asan test-fuzz

test-main:
	@cd $(BUILD) && ctest --output-on-failure -j$(JOBS)

# The unit tests again under AddressSanitizer and UndefinedBehaviorSanitizer.
test-asan: deps
	@cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DVEXEL_SANITIZE=ON -DVEXEL_UNIT_ONLY=ON >/dev/null
	@cmake --build $(ASAN_BUILD) -j$(JOBS)
	@cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --output-on-failure -j$(JOBS) -L unit

# A bounded run of the loader fuzzer (the long runs are done by hand).
test-fuzz: deps
	@if [ -x scripts/run-fuzz ]; then scripts/run-fuzz 60; fi

video: build
	@if [ -x $(BUILD)/tessaline-capture ]; then \
	  cd $(BUILD) && ./tessaline-capture --video ../tessaline.mp4 && echo "make video: wrote tessaline.mp4"; \
	else \
	  echo "make video: the capture tool is not built yet"; exit 1; \
	fi

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) build-fuzz
