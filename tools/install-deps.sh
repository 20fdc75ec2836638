#!/usr/bin/env bash
# Installs the Debian packages a make target needs, when they are missing, adding to dpkg
# first each foreign architecture (arm64, armhf) that one of them is for.
# Usage: tools/install-deps.sh build|web|test|bench|package|arm64|armhf|windows|release
# As root it runs apt-get; otherwise it prints the lines to run and fails.
set -euo pipefail

# The compiler, CMake, SDL 1.2 and Xlib (the X11 desktop's scale and wake-up).
build=(g++ cmake make pkg-config libsdl1.2-compat-dev libx11-dev)
# Zips whose bytes depend on nothing but the files in them.
zip=(zip strip-nondeterminism)
# The browser page: Debian's Emscripten, which brings its own SDL 1.2 and runs on Node,
# librsvg's converter for its icons, and its zip. npm comes with most Node installations;
# Debian's own is added only where it is missing.
web=(cmake make emscripten librsvg2-bin "${zip[@]}")
if ! command -v npm >/dev/null; then
  web+=(npm)
fi
# The classic SDL 1.2 library that the end-to-end tests also run on is unpacked into the
# build folder, not installed (it conflicts with the compatibility layer); these are the
# libraries it needs at run time.
classic_sdl_runtime=(libasound2 libcaca0 libpulse0 libx11-6 libxext6)
# The Windows zip: MinGW-w64's compilers, in the flavour with standard C++ threads, git to
# fetch SDL's sources, Ninja to build them, librsvg's and icoutils' converters for the
# icon, and zip.
windows=(cmake make ninja-build git g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix
         binutils-mingw-w64-x86-64 librsvg2-bin icoutils "${zip[@]}")
package=("${build[@]}" dpkg-dev file)
# The package for Debian architecture $1, cross-built with Debian's cross compiler for GNU
# triplet $2 against that architecture's SDL 1.2, Xlib and C++ library (dpkg-shlibdeps
# reads the package's dependencies from them), which multiarch installs beside the build
# machine's own.
cross_package() {
  echo "${package[@]}" "g++-$2" "libsdl1.2-compat-dev:$1" "libx11-dev:$1" "libstdc++6:$1"
}
read -ra arm64 <<<"$(cross_package arm64 aarch64-linux-gnu)"
read -ra armhf <<<"$(cross_package armhf arm-linux-gnueabihf)"
# A release: git for the source archive, and the five builds.
release=(git "${package[@]}" "${arm64[@]}" "${armhf[@]}" "${windows[@]}" "${web[@]}")
# Headless X server with a window manager, X client libraries (XTEST, DAMAGE) and libpng
# for the real-window tests and their PNG screenshots, valgrind, Clang with its sanitizer runtimes
# for the second build, the browser page with the browsers it is tested in (Chromium,
# Firefox, and WebKitGTK's MiniBrowser with its WebDriver and the C library's locale
# sources, from which its Russian is made) and the JavaScript parser that checks its words
# come from its language tables, the validators of the desktop entry, metainfo and manual
# page, Debian's package checker
# with hardening-check, the two static analysers, Google Benchmark, since the measuring
# tools are built, tested and analysed too, the Windows zip with Wine to run it, and a
# release, built a second time a day later by libfaketime's clock, with diffoscope to
# show where two builds of it differ, and qemu to run its arm64 and armhf programs.
test=("${build[@]}" googletest libgtest-dev xvfb openbox libx11-dev libxtst-dev libxdamage-dev
      libpng-dev valgrind clang libclang-rt-14-dev desktop-file-utils appstream groff-base man-db
      dpkg-dev file lintian devscripts clang-tidy cppcheck libbenchmark-dev
      "${classic_sdl_runtime[@]}" "${web[@]}" chromium firefox-esr webkit2gtk-driver locales
      node-acorn "${release[@]}" faketime wine wine64 unzip diffoscope-minimal qemu-user-static)
# Google Benchmark, GoogleTest for the measuring tools' own tests, the headless X server,
# window manager and X client libraries (XTEST, DAMAGE) the measurements use, what the
# classic SDL 1.2 library needs to run, Wine (and unzip) for the Windows zip, qemu for the
# arm64 program, and the browser page with the browsers it is measured in. The zip and the
# arm64 package are built by their own targets, which install what they need.
bench=("${build[@]}" libbenchmark-dev googletest libgtest-dev xvfb openbox libx11-dev libxtst-dev
       libxdamage-dev libpng-dev "${classic_sdl_runtime[@]}" wine wine64 unzip qemu-user-static
       "${web[@]}" chromium firefox-esr)

case "${1:-build}" in
  build) wanted=("${build[@]}") ;;
  web) wanted=("${web[@]}") ;;
  test) wanted=("${test[@]}") ;;
  bench) wanted=("${bench[@]}") ;;
  package) wanted=("${package[@]}") ;;
  arm64) wanted=("${arm64[@]}") ;;
  armhf) wanted=("${armhf[@]}") ;;
  windows) wanted=("${windows[@]}") ;;
  release) wanted=("${release[@]}") ;;
  *) echo "usage: $0 build|web|test|bench|package|arm64|armhf|windows|release" >&2; exit 2 ;;
esac

missing=()
# dpkg-query prints a status for each architecture a package is known for: one line each.
for pkg in "${wanted[@]}"; do
  if ! dpkg-query -W -f='${db:Status-Status}\n' "$pkg" 2>/dev/null | grep -qx installed; then
    missing+=("$pkg")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

# The architectures named after a missing package's colon that dpkg does not know yet.
new_architectures=()
for arch in $(printf '%s\n' "${missing[@]}" | sed -n 's/.*://p' | sort -u); do
  if ! dpkg --print-foreign-architectures | grep -qx "$arch"; then
    new_architectures+=("$arch")
  fi
done
if [ "$(id -u)" -ne 0 ]; then
  echo "Missing packages. Install them as root with:" >&2
  for arch in "${new_architectures[@]}"; do
    echo "  dpkg --add-architecture $arch" >&2
  done
  echo "  apt-get update && apt-get install -y ${missing[*]}" >&2
  exit 1
fi
for arch in "${new_architectures[@]}"; do
  echo "Adding the $arch architecture"
  dpkg --add-architecture "$arch"
done
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}"
