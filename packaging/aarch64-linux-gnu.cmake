# Cross-compiling for 64-bit ARM Linux (Debian's arm64: the Raspberry Pi 3, 4, 5 and Zero 2 W
# with a 64-bit system, ARM Chromebooks' Linux, ARM boards) with Debian's cross compiler,
# against the arm64 libraries that multiarch installs beside the build machine's own.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)
set(CMAKE_LIBRARY_ARCHITECTURE aarch64-linux-gnu)
# pkg-config reads the arm64 libraries' files, never the build machine's.
set(ENV{PKG_CONFIG_LIBDIR} /usr/lib/aarch64-linux-gnu/pkgconfig:/usr/share/pkgconfig)
