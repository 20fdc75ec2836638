# Two commands set everything up: `make run` builds and runs the program, `make test`
# builds and runs every test. Both install the Debian packages they need first.

BUILD := build
SANITIZE_BUILD := build-sanitize
JOBS := $(shell nproc)
CMAKE_FLAGS := -DVYRTEL_WARNINGS_AS_ERRORS=ON
# The program alone, without the tests and the measuring tools.
PROGRAM_ONLY := -DVYRTEL_BUILD_TESTS=OFF -DVYRTEL_BUILD_BENCH=OFF

.PHONY: run test bench screenshot package package-arm64 package-armhf build web web-site \
        web-screenshot browser-tools windows release

# One time for every date a build writes into what it makes (archive entries, the Debian
# package, Windows' time stamps), so that the same source gives the same bytes:
# tools/source-date.sh takes the commit's, unless it is set already.
SOURCE_DATE_EPOCH ?= $(shell tools/source-date.sh)
export SOURCE_DATE_EPOCH

# Configures build folder $(1) with the options $(2), through $(CONFIGURE) where a target
# names a wrapper of CMake's, and builds it: all of it, or the targets $(3).
define configure_and_build
$(CONFIGURE) cmake -S . -B $(1) $(CMAKE_FLAGS) $(2)
cmake --build $(1) -j $(JOBS)$(if $(3), --target $(3))
endef

# The Debian package of build folder $(1), its files' modes the same whatever the umask.
debian_package = cd $(1) && umask 022 && cpack -G DEB

build:
	tools/install-deps.sh build
	$(call configure_and_build,$(BUILD),$(PROGRAM_ONLY))

# The program reads rfs/rk_font.bin under its working directory: run it from here.
run: build
	$(BUILD)/vyrtel

# The browser page, put together in $(SITE), and zipped into
# $(WEB_BUILD)/vyrtel-<version>-web.zip: the program built with Debian's Emscripten, its
# font and the page. Debian's Emscripten finds its JavaScript optimiser's modules only
# through NODE_PATH when the Node first on PATH is not Debian's own.
WEB_BUILD := build-web
SITE := $(BUILD)/web
PORT ?= 8000

web-site: export NODE_PATH := /usr/share/nodejs
web-site: CONFIGURE := emcmake
web-site:
	tools/install-deps.sh web
	$(call configure_and_build,$(WEB_BUILD),-DCMAKE_BUILD_TYPE=Release \
	  -DVYRTEL_WEB_SITE_DIR=$(CURDIR)/$(SITE))

# Builds the page and serves it on http://127.0.0.1:$(PORT)/ until Ctrl-C.
web: web-site
	node tools/serve-web.mjs $(SITE) $(PORT)

# The Windows zip, $(WINDOWS_BUILD)/vyrtel-<version>-win64.zip, cross-built with MinGW-w64.
# SDL2 and sdl12-compat are built for it once, into $(WINDOWS_BUILD)/sdl, from the
# archives in the folder VYRTEL_WINDOWS_SOURCES names or, without it, from upstream.
WINDOWS_BUILD := build-windows
WINDOWS_SDL := $(CURDIR)/$(WINDOWS_BUILD)/sdl

windows:
	tools/install-deps.sh windows
	windows/build-sdl.sh $(WINDOWS_SDL)
	$(call configure_and_build,$(WINDOWS_BUILD),--toolchain windows/mingw-w64.cmake \
	  -DCMAKE_BUILD_TYPE=Release -DVYRTEL_WINDOWS_SDL_PREFIX=$(WINDOWS_SDL)/prefix)

# puppeteer-core, as the lockfile pins it, for driving the browsers.
browser-tools:
	npm ci --no-audit --no-fund --loglevel=error

# Every test, in a GCC build and in a Clang build with the sanitizers, beside a release
# of the work tree made into $(TEST_RELEASE) and the classic SDL 1.2 library unpacked into
# $(CLASSIC_SDL); docs/testing.md says what runs.
CLASSIC_SDL := $(BUILD)/classic-sdl
TEST_RELEASE := $(BUILD)/release
SANITIZE_FLAGS := -DVYRTEL_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++
# Puts the folder of the classic SDL 1.2 library, unpacked into $(CLASSIC_SDL) the first
# time, into the shell's variable classic for the command that follows, or stops there
# when the library cannot be had.
WITH_CLASSIC_SDL = classic=$$(tools/fetch-classic-sdl.sh $(CLASSIC_SDL)) &&

test: CONFIGURE = $(WITH_CLASSIC_SDL)
test:
	tools/install-deps.sh test
	$(MAKE) --no-print-directory browser-tools
	tests/release/build-twice.sh $(TEST_RELEASE)
	$(call configure_and_build,$(BUILD),-DVYRTEL_BUILD_TESTS=ON \
	  -DVYRTEL_CLASSIC_SDL_DIR="$$classic" -DVYRTEL_BUILD_BENCH=ON \
	  -DVYRTEL_RELEASE_DIR=$(CURDIR)/$(TEST_RELEASE)/dist \
	  -DVYRTEL_RELEASE_AGAIN_DIR=$(CURDIR)/$(TEST_RELEASE)/again)
	tests/run-ctest.sh $(BUILD) -j $(JOBS)
	$(call configure_and_build,$(SANITIZE_BUILD),$(SANITIZE_FLAGS) \
	  -DVYRTEL_CLASSIC_SDL_DIR="$$classic")
	LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0 \
	  tests/run-ctest.sh $(SANITIZE_BUILD) -j $(JOBS) -LE no-sanitize
	@sed 's/^/GCC build: /' $(BUILD)/second-runs.txt
	@sed 's/^/Sanitizer build: /' $(SANITIZE_BUILD)/second-runs.txt

# The Debian package, build/vyrtel_<version>_<arch>.deb. It depends on the maintained
# SDL 1.2 first, on any SDL 1.2 failing that; its other dependencies are computed by
# dpkg-shlibdeps from the libraries the program links.
package:
	tools/install-deps.sh package
	$(call configure_and_build,$(BUILD),$(PROGRAM_ONLY))
	$(call debian_package,$(BUILD))

# The Debian packages for ARM, build-<arch>/vyrtel_<version>_<arch>.deb: arm64 for 64-bit
# ARM, armhf for 32-bit ARMv7 and later. Each is cross-built with Debian's cross compiler
# for the GNU triplet below (the name of its toolchain file too), against the SDL 1.2 of
# its architecture that multiarch installs.
triplet_arm64 := aarch64-linux-gnu
triplet_armhf := arm-linux-gnueabihf

package-arm64 package-armhf: package-%:
	tools/install-deps.sh $*
	$(call configure_and_build,build-$*,--toolchain packaging/$(triplet_$*).cmake $(PROGRAM_ONLY))
	$(call debian_package,build-$*)

# A release of the commit checked out, into dist/: the source archive, the Debian
# package, the Windows zip, the browser page's zip and their SHA256SUMS, each the same
# bytes wherever and whenever the commit is built. Refuses uncommitted changes.
release:
	tools/release.sh dist build-release

# Measures the program on each of its runners (the Linux program on both SDL 1.2
# libraries, the Windows zip under Wine, the arm64 package under qemu, the page in
# Chromium and Firefox) beside its floor there, on a private 1920x1080 Xvfb with a window
# manager, and prints one table of the figures, the cost of a frame and the goals:
# bench/probe.cpp. The floor is built in the Windows and arm64 build folders too, apart
# from what they ship.
BENCH_BUILD := build-bench

bench: web-site windows package-arm64 browser-tools
	tools/install-deps.sh bench
	cmake --build $(WINDOWS_BUILD) --target vyrtel_floor
	cmake --build build-arm64 --target vyrtel_floor
	$(call configure_and_build,$(BENCH_BUILD),-DVYRTEL_BUILD_TESTS=OFF -DVYRTEL_BUILD_BENCH=ON \
	  -DCMAKE_BUILD_TYPE=Release,vyrtel_probe)
	$(WITH_CLASSIC_SDL) $(BENCH_BUILD)/vyrtel_probe "$$classic" \
	  $(WINDOWS_BUILD)/$$(tools/release-name.sh windows) $(WINDOWS_BUILD)/vyrtel_floor.exe \
	  build-arm64/$$(tools/release-name.sh deb-arm64) build-arm64/vyrtel_floor $(SITE)

# A picture of the window, build/screenshot.png: the program with its shipped font on a
# private Xvfb, taken once the underline shows.
screenshot:
	tools/install-deps.sh test
	$(call configure_and_build,$(BUILD),-DVYRTEL_BUILD_TESTS=ON,vyrtel vyrtel_screenshot)
	$(BUILD)/vyrtel_screenshot $(BUILD)/screenshot.png

# Pictures of the browser page in headless Chromium: build/web-screenshot.png, and
# build/web-phone-screenshot.png as a phone held upright shows it.
web-screenshot: web-site browser-tools
	tools/install-deps.sh test
	node tools/web-screenshot.mjs $(SITE) $(BUILD)/web-screenshot.png
	node tools/web-screenshot.mjs $(SITE) $(BUILD)/web-phone-screenshot.png phone
