# tessaline: one command plays the show, one runs every test.
#   make run    install what is missing, build, play the show
#   make test   install what is missing, build, run every test (+ ASan/UBSan unit tests, TSan sound tests, fuzz corpus replays,
#               the Windows zip under Wine, the browser build in headless Chromium)
#   make fuzz   fuzz campaigns of FUZZ_MINUTES (10) per target from random seeds; finds kept in build-fuzz/
#   make video     render the show to tessaline.mp4 (640x480, anti-aliased)
#   make video-hd  render the show to tessaline-1080p.mp4 (1920x1080, anti-aliased)
#   make soak      the show for SOAK_MINUTES (30) under window storms, memory watched
#   make release   the portable archive dist/tessaline-VERSION-linux-x86_64.tar.xz
#   make deb       the Debian package dist/tessaline_VERSION_amd64.deb, checked by lintian & co.
#   make release-check  both, installed and played in a bare Debian (downloads one; not in make test)
#   make windows   the Windows zip dist/tessaline-VERSION-windows-x86_64.zip (cross-built; docs/windows.md)
#   make windows-check  that zip unpacked and played under Wine on a private Xvfb
#   make web       the browser build dist/tessaline-VERSION-web/ and its zip (WebAssembly; docs/web.md)
#   make web-serve that folder served on 127.0.0.1:8000
#   make web-check the page played in headless Chromium and checked
JOBS       ?= $(shell nproc)
BUILD      ?= build
ASAN_BUILD ?= build-asan
TSAN_BUILD ?= build-tsan
RELEASE_BUILD ?= build-release
WINDOWS_BUILD ?= build-windows
WEB_BUILD  ?= build-web
DIST       ?= dist
CMAKE_ARGS ?=
# Anti-aliasing samples a pixel (tessaline-capture --aa). VIDEO_AA is the most
# that still captures 640x480 faster than real time on a 2-core machine: 2
# samples already cost more CPU a frame than two cores have at 60 fps
# (figures in docs/capture.md). The HD video takes about 20 minutes.
VIDEO_AA    ?= 1
VIDEO_HD_AA ?= 4

.PHONY: all deps deps-test deps-video deps-release build run test test-main fuzz video video-hd soak \
        release-build release deb release-check deps-windows windows windows-check \
        deps-web web web-serve web-check clean

all: build

# What building and playing need; the tests, videos and packages add their own.
deps:
	@scripts/install-deps build
deps-test:
	@scripts/install-deps test
deps-video:
	@scripts/install-deps video
deps-release:
	@scripts/install-deps release

build: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_ARGS) >/dev/null
	@cmake --build $(BUILD) -j$(JOBS)

run: build
	@if [ -z "$$DISPLAY" ] && [ -z "$$WAYLAND_DISPLAY" ]; then \
	  echo "make run: no display here (DISPLAY is not set); rendering the show to tessaline.mp4 instead"; \
	  $(MAKE) --no-print-directory deps-video video; \
	else \
	  cd $(BUILD) && ./tessaline; \
	fi

# Everything, closing with one line that counts all tests (the Windows zip's
# check under Wine and the page's in headless Chromium among them). The test packages come first, so that the
# build configures with the tests.
test: deps-test
	@$(MAKE) --no-print-directory build
	@$(MAKE) --no-print-directory windows
	@$(MAKE) --no-print-directory web
	@WINDOWS_ZIP="$$(ls -t $(DIST)/tessaline-*-windows-x86_64.zip | head -n1)" \
	  WEB_FOLDER="$$(ls -td $(DIST)/tessaline-*-web/ | head -n1)" WEB_NODE=$(abspath $(WEB_BUILD))/node \
	  TSAN_BUILD=$(TSAN_BUILD) scripts/run-tests $(BUILD) $(ASAN_BUILD) $(JOBS)

# The main tree alone (unit, GL, end-to-end).
test-main: deps-test
	@$(MAKE) --no-print-directory build
	@cd $(BUILD) && ctest --output-on-failure -j$(JOBS)

# Long campaigns, not part of `make test`: FUZZ_MINUTES per target, random
# seeds, new inputs kept in build-fuzz/found-TARGET/ for the next campaign.
# A fault's input lands in build-fuzz/artifacts/: it becomes a file of
# tests/fuzz/corpus/TARGET/ and a unit test.
FUZZ_MINUTES ?= 10
FUZZ_TARGETS ?= lwo image
fuzz: deps-test
	@$(MAKE) --no-print-directory build
	@scripts/fuzz-campaign $(FUZZ_MINUTES) $(FUZZ_TARGETS)

video: deps-video build
	@if [ -x $(BUILD)/tessaline-capture ]; then \
	  cd $(BUILD) && ./tessaline-capture --aa $(VIDEO_AA) --video ../tessaline.mp4 && echo "make video: wrote tessaline.mp4"; \
	else \
	  echo "make video: the capture tool is not built yet"; exit 1; \
	fi

# 16:9: the 4:3 picture centred between black bars, H.264 (CRF 18, yuv420p,
# faststart) with AAC.
video-hd: deps-video build
	@if [ -x $(BUILD)/tessaline-capture ]; then \
	  cd $(BUILD) && ./tessaline-capture --size 1920x1080 --aa $(VIDEO_HD_AA) --video ../tessaline-1080p.mp4 && \
	    echo "make video-hd: wrote tessaline-1080p.mp4"; \
	else \
	  echo "make video-hd: the capture tool is not built yet"; exit 1; \
	fi

# Not part of `make test`: half an hour (SOAK_MINUTES) under Xvfb.
soak: build
	@cd $(BUILD) && bash ../tests/soak/soak.sh ./tessaline tests/e2e/x11-tool

# ---- releases ---------------------------------------------------------------
# A tree of its own: hardened, no tests, installed under /usr (where the
# package's program looks for its data).
release-build: deps-release
	@cmake -S . -B $(RELEASE_BUILD) -DCMAKE_BUILD_TYPE=Release -DVEXEL_RELEASE=ON \
	  -DCMAKE_INSTALL_PREFIX=/usr $(CMAKE_ARGS) >/dev/null
	@cmake --build $(RELEASE_BUILD) -j$(JOBS)

release: release-build
	@scripts/make-release $(RELEASE_BUILD) $(DIST)

deb: release-build
	@scripts/make-deb $(RELEASE_BUILD) $(DIST)

# Downloads a minimal Debian once (cached in $(BUILD)/release-check) and plays
# both artefacts there as a normal user. Needs root, for the chroot.
release-check:
	@scripts/install-deps release-check
	@$(MAKE) --no-print-directory release deb
	@scripts/release-check $(DIST) $(BUILD)/release-check

# ---- Windows ----------------------------------------------------------------
# The toolchain, Wine and the libraries' Debian sources; then each library
# cross-built once into a prefix of its own in the per-user cache
# ($$TESSALINE_CACHE, else $$XDG_CACHE_HOME/tessaline, else ~/.cache/tessaline;
# docs/windows.md), listed in $(WINDOWS_BUILD)/deps/prefixes.
deps-windows: deps
	@scripts/install-deps windows $(WINDOWS_BUILD)/deps
	@nice scripts/build-windows-deps $(WINDOWS_BUILD)/deps $(JOBS)

# The data and the icon come from the native tree, whose tools run here.
# The tree is configured afresh when the prefixes change: pkg-config's
# findings are cached in it.
windows: deps-windows build
	@scripts/make-windows-icon $(BUILD) $(WINDOWS_BUILD)/tessaline.ico
	@cmp -s $(WINDOWS_BUILD)/deps/prefixes $(WINDOWS_BUILD)/tree/deps-prefixes || \
	  { rm -f $(WINDOWS_BUILD)/tree/CMakeCache.txt; mkdir -p $(WINDOWS_BUILD)/tree; \
	    cp $(WINDOWS_BUILD)/deps/prefixes $(WINDOWS_BUILD)/tree/deps-prefixes; }
	@cmake -S . -B $(WINDOWS_BUILD)/tree -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
	  -DVEXEL_WINDOWS_DEPS="$$(paste -sd';' $(WINDOWS_BUILD)/deps/prefixes)" \
	  -DVEXEL_WINDOWS_ICON=$(abspath $(WINDOWS_BUILD))/tessaline.ico -DCMAKE_BUILD_TYPE=Release $(CMAKE_ARGS) >/dev/null
	@cmake --build $(WINDOWS_BUILD)/tree -j$(JOBS) --target tessaline
	@scripts/make-windows $(BUILD) $(WINDOWS_BUILD)/tree $(WINDOWS_BUILD)/deps/prefixes $(DIST)

# Needs the native tree's test helpers (x11-tool, frame-probe).
windows-check: deps-test
	@$(MAKE) --no-print-directory build windows
	@scripts/windows-check "$$(ls -t $(DIST)/tessaline-*-windows-x86_64.zip | head -n1)" $(BUILD)

# ---- the browser ------------------------------------------------------------
# Emscripten, Chromium and puppeteer-core; the libraries' Debian sources; then
# each library built once into $(WEB_BUILD)/deps/prefix (kept between runs).
WEB_SOURCES = zlib libpng1.6 giflib libjpeg-turbo libopenmpt
deps-web: deps
	@scripts/install-deps web $(WEB_BUILD)/node
	@scripts/fetch-windows-sources $(WEB_BUILD)/deps $(WEB_SOURCES)
	@nice scripts/build-web-deps $(WEB_BUILD)/deps $(JOBS)

# The data comes from the native tree, whose tools generate it.
web: deps-web build
	@NODE_PATH=/usr/share/nodejs emcmake cmake -S . -B $(WEB_BUILD)/tree -DCMAKE_BUILD_TYPE=Release \
	  -DVEXEL_WEB_DEPS=$(abspath $(WEB_BUILD))/deps/prefix $(CMAKE_ARGS) >/dev/null
	@NODE_PATH=/usr/share/nodejs cmake --build $(WEB_BUILD)/tree -j$(JOBS) --target tessaline
	@scripts/make-web $(BUILD) $(WEB_BUILD)/tree $(DIST)

web-serve: web
	@cd "$$(ls -td $(DIST)/tessaline-*-web/ | head -n1)" && echo "make web-serve: http://127.0.0.1:8000/ (Ctrl+C ends)" && \
	  python3 -m http.server --bind 127.0.0.1 8000

web-check: web
	@scripts/web-check "$$(ls -td $(DIST)/tessaline-*-web/ | head -n1)" $(WEB_BUILD)/node

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(TSAN_BUILD) $(RELEASE_BUILD) $(WINDOWS_BUILD) $(WEB_BUILD) build-fuzz $(DIST)
