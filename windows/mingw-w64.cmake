# Cross-compiling for 64-bit Windows with Debian's MinGW-w64, in the flavour whose C++
# runtime has the standard threads; SDL and the program are built with the same one.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VYRTEL_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${VYRTEL_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VYRTEL_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${VYRTEL_MINGW_TRIPLET}-windres)

# Libraries and headers come from the MinGW sysroot and the prefix the SDL libraries are
# installed into, never from the build machine; programs run on the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${VYRTEL_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Where windows/build-sdl.sh installed SDL2 and the compatibility layer built for Windows:
# their pkg-config file is the only one the build sees.
set(VYRTEL_WINDOWS_SDL_PREFIX "" CACHE PATH "Folder SDL2 and sdl12-compat for Windows are installed in")
if(VYRTEL_WINDOWS_SDL_PREFIX)
  list(APPEND CMAKE_FIND_ROOT_PATH ${VYRTEL_WINDOWS_SDL_PREFIX})
  set(ENV{PKG_CONFIG_LIBDIR} ${VYRTEL_WINDOWS_SDL_PREFIX}/lib/pkgconfig)
endif()
