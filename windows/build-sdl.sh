#!/usr/bin/env bash
# Builds SDL2 and sdl12-compat for Windows with the MinGW-w64 toolchain the program is
# built with, and installs them into DEST/prefix: SDL2.dll and SDL.dll, the import library,
# SDL's main-routine wrapper, the headers, the pkg-config file and both licence texts.
# Built once per build folder: a finished prefix of the same sources is kept.
#
# The sources are exactly the two upstream release commits below. They come from the
# folder VYRTEL_WINDOWS_SOURCES names, as the archives SDL2-<version>.tar.gz and
# sdl12-compat-<version>.tar.gz, checked against their checksums; without that variable
# they are fetched from upstream by commit.
# Usage: windows/build-sdl.sh DEST
set -euo pipefail

project=$(cd "$(dirname "$0")/.." && pwd)
dest=$(realpath -m "${1:?usage: $0 DEST}")
prefix=$dest/prefix
jobs=$(nproc)

# name, archive folder, upstream repository, release commit, checksum of the archive
sdl2=(SDL2-2.32.10 https://github.com/libsdl-org/SDL.git
      5d249570393f7a37e037abf22cd6012a4cc56a71
      8087bad3d8ad2f1afbc8f53152b3e0a480ab4303acb4cb998cbca5a69a7581a0)
compat=(sdl12-compat-1.2.76 https://github.com/libsdl-org/sdl12-compat.git
        293b4cbd9eea61b18b9c9425d0c9200bff037360
        88a1136a6ea74a210b36e9d0f0374601013ff0c344d501e8b194039736f0632c)

# What the prefix was built from, sources and recipe; a prefix with another stamp is
# built again.
stamp="${sdl2[2]} ${compat[2]} $(sha256sum <"$0" | cut -d' ' -f1)"
if [ "$(cat "$prefix/.built-from" 2>/dev/null)" = "$stamp" ]; then
  exit 0
fi

fail() {
  echo "$*" >&2
  exit 1
}

# Unpacks library $1 (its name, repository, commit and checksum) into $dest/src/<name>.
unpack_from_folder() {
  local name=$1 sum=$4 archive=$VYRTEL_WINDOWS_SOURCES/$1.tar.gz
  [ -f "$archive" ] || fail "VYRTEL_WINDOWS_SOURCES ($VYRTEL_WINDOWS_SOURCES) holds no $name.tar.gz"
  echo "$sum  $archive" | sha256sum --check --status ||
    fail "$archive does not match the checksum of $name"
  tar -xzf "$archive" -C "$dest/src"
}

unpack_from_upstream() {
  local name=$1 repository=$2 commit=$3 clone=$dest/src/$1.git
  rm -rf "$clone"
  git init -q "$clone"
  if ! git -C "$clone" fetch -q --depth 1 "$repository" "$commit" 2>/dev/null; then
    fail "Cannot fetch SDL's sources: set VYRTEL_WINDOWS_SOURCES to the folder that holds" \
         "${sdl2[0]}.tar.gz and ${compat[0]}.tar.gz"
  fi
  git -C "$clone" archive --prefix="$name/" "$commit" | tar -x -C "$dest/src"
  rm -rf "$clone"
}

# SDL2 names its revision after `git describe` in its source folder, which, unpacked
# inside another checkout (this project's, say), describes that checkout instead. A
# REVISION.txt, as SDL's own release archives carry, names the release commit.
unpack() {
  if [ -n "${VYRTEL_WINDOWS_SOURCES:-}" ]; then
    unpack_from_folder "$@"
  else
    unpack_from_upstream "$@"
  fi
  echo "release-${1##*-}-0-g$3" >"$dest/src/$1/REVISION.txt"
}

# Configures, builds and installs the CMake project in $dest/src/$1, stripped, saying what
# it is doing, since each library takes a while. With Ninja, which runs SDL2's two hundred
# or so trial compilations of its configuration in a third less time than make. The
# source folder's path, which SDL's messages hold through __FILE__, is written as "." so
# that the libraries do not depend on where they were built; their dates come from
# SOURCE_DATE_EPOCH, which the compiler and the linker honour, when it is set.
build() {
  local name=$1 started=$SECONDS
  shift
  echo "  configuring $name"
  cmake -G Ninja -S "$dest/src/$name" -B "$dest/build/$name" -DCMAKE_BUILD_TYPE=Release \
    --toolchain "$project/windows/mingw-w64.cmake" -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DCMAKE_C_FLAGS="-ffile-prefix-map=$dest/src/$name=." "$@" >/dev/null
  echo "  compiling $name on $jobs cores"
  cmake --build "$dest/build/$name" -j "$jobs" >/dev/null
  cmake --install "$dest/build/$name" --strip >/dev/null
  install -D -m 644 "$dest/src/$name/LICENSE.txt" "$prefix/licenses/${name%-*}.txt"
  echo "  $name built in $((SECONDS - started)) s"
}

rm -rf "$dest"
mkdir -p "$dest/src"
unpack "${sdl2[@]}"
unpack "${compat[@]}"

echo "Building SDL2 and sdl12-compat for Windows, once for this build folder (a few minutes)"
# SDL2 as upstream configures it for Windows. Leaving out the subsystems the program never
# starts (audio, game controllers and the like) would save only a sixth of the DLL and a
# tenth of the build, for a library unlike the one every other SDL program ships.
build "${sdl2[0]}" -DSDL_SHARED=ON -DSDL_STATIC=OFF -DSDL_TEST=OFF
build "${compat[0]}" -DSDL12TESTS=OFF -DSDL2_INCLUDE_DIR="$prefix/include/SDL2"
echo "$stamp" >"$prefix/.built-from"
