#!/usr/bin/env bash
# Puts the classic SDL 1.2 library (Debian's libsdl1.2debian) into a folder of the build,
# so that the end-to-end tests can run the program on it as well as on the compatibility
# layer it is built with. The two conflict as packages, so the classic one is unpacked,
# not installed; tools/install-deps.sh test installs the libraries it needs at run time.
# Prints the folder that holds libSDL-1.2.so.0, for LD_LIBRARY_PATH.
# Usage: tools/fetch-classic-sdl.sh DEST
set -euo pipefail

dest=$(realpath -m "${1:?usage: $0 DEST}")
package=libsdl1.2debian
library=libSDL-1.2.so.0

# The folder of the library unpacked under $dest, if it is there.
library_dir() {
  local found
  found=$(find "$dest/root" -name "$library" -print -quit 2>/dev/null)
  [ -n "$found" ] && dirname "$found"
}

if ! library_dir >/dev/null; then
  rm -rf "$dest"
  mkdir -p "$dest/download"
  # As root apt hands downloads to its unprivileged _apt user, which cannot write here.
  sandbox=()
  [ "$(id -u)" -eq 0 ] && sandbox=(-o APT::Sandbox::User=root)
  if ! (cd "$dest/download" && apt-get download -qq "${sandbox[@]}" "$package" >&2); then
    echo "Cannot download $package; if apt has no package lists yet, run apt-get update." >&2
    exit 1
  fi
  dpkg-deb -x "$dest"/download/"$package"_*.deb "$dest/root"
fi
library_dir || { echo "$package holds no $library" >&2; exit 1; }
