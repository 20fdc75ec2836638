# Cross-compiling for 32-bit ARM Linux (Debian's armhf, ARMv7 and later with hardware
# floating point: the Raspberry Pi 2, 3, 4 and 5 with a 32-bit system) with Debian's cross
# compiler, against the armhf libraries that multiarch installs beside the build machine's
# own.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR arm)
set(CMAKE_C_COMPILER arm-linux-gnueabihf-gcc)
set(CMAKE_CXX_COMPILER arm-linux-gnueabihf-g++)
set(CMAKE_LIBRARY_ARCHITECTURE arm-linux-gnueabihf)
# pkg-config reads the armhf libraries' files, never the build machine's.
set(ENV{PKG_CONFIG_LIBDIR} /usr/lib/arm-linux-gnueabihf/pkgconfig:/usr/share/pkgconfig)
