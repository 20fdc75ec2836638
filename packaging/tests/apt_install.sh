#!/usr/bin/env bash
# What apt would install with the Debian package on a Debian 12 machine that has no SDL
# 1.2 yet: the maintained compatibility layer, libsdl1.2-compat-shim, and not the classic
# libsdl1.2debian 1.2.15. The machine is this one with every SDL 1.2 package, and every
# package that depends on one, taken out of a copy of dpkg's status file; apt-get then
# simulates the install against that copy and the machine's own package lists, so nothing
# is installed and the machine's state is not touched.
# The package for another architecture (arm64, armhf) is tried the same way, on this
# machine with that architecture added to dpkg.
# Usage: apt_install.sh PACKAGE_DIR WORK_DIR [ARCHITECTURE]
set -euo pipefail
package_dir=$1 work=$2 arch=${3:-$(dpkg --print-architecture)}
# apt names packages of a foreign architecture with it.
qualifier=""
[ "$arch" = "$(dpkg --print-architecture)" ] || qualifier=":$arch"

sdl_packages="libsdl1.2debian libsdl1.2-compat libsdl1.2-compat-shim libsdl1.2-compat-dev
              libsdl1.2-dev"

debs=("$package_dir"/vyrtel_*_"$arch".deb)
[ -f "${debs[0]}" ] || { echo "no vyrtel_*_$arch.deb in $package_dir" >&2; exit 1; }
deb=${debs[0]}

rm -rf "$work"
mkdir -p "$work"
eval "$(apt-config shell machine_status Dir::State::status/f)"
status_file=$work/status
# A package goes when its name, or a name it depends on (Depends, Pre-Depends, any
# alternative), is gone; the names it provides go with it. Repeated until nothing more
# goes, so that what is left has all it depends on and apt does not call it broken.
awk -v seeds="$sdl_packages" '
  # The package names in a field: versions, architectures and separators taken out.
  function names(list) {
    gsub(/\([^)]*\)/, "", list)
    gsub(/:[^ ,|]*|[,|]/, " ", list)
    return list
  }
  BEGIN { RS = ""; FS = "\n" }
  {
    stanza[++n] = $0
    record = $0
    gsub(/\n[ \t]+/, " ", record)  # each field on one line, its continuation lines joined
    split(record, fields, "\n")
    for (i in fields) {
      value = fields[i]
      if (sub(/^Package:/, "", value)) name[n] = names(value)
      else if (sub(/^(Pre-)?Depends:/, "", value)) depends[n] = depends[n] " " names(value)
      else if (sub(/^Provides:/, "", value)) provides[n] = provides[n] " " names(value)
    }
  }
  END {
    split(seeds, seed, " ")
    for (i in seed) gone[seed[i]] = 1
    do {
      changed = 0
      for (r = 1; r <= n; r++) {
        if (removed[r]) continue
        split(name[r] " " depends[r], needed, " ")
        for (i in needed) if (needed[i] in gone) removed[r] = changed = 1
        if (!removed[r]) continue
        split(name[r] " " provides[r], owned, " ")
        for (i in owned) gone[owned[i]] = 1
      }
    } while (changed)
    for (r = 1; r <= n; r++) if (!removed[r]) printf "%s\n\n", stanza[r]
  }
' "$machine_status" >"$status_file"

# No cache files: apt would otherwise write ones built from the trimmed status.
apt_options=(-o "Dir::State::status=$status_file" -o Dir::Cache::pkgcache=
             -o Dir::Cache::srcpkgcache= -o Debug::NoLocking=true)
if ! apt-cache "${apt_options[@]}" show libsdl1.2-compat-shim >/dev/null 2>&1; then
  echo "apt's package lists are missing, or name no libsdl1.2-compat-shim." >&2
  echo "Run 'apt-get update' (as root) and run this test again." >&2
  exit 1
fi

if ! apt-get "${apt_options[@]}" install -s "$deb" >"$work/apt.log" 2>&1; then
  echo "apt-get cannot install the package on a machine without SDL 1.2:" >&2
  cat "$work/apt.log" >&2
  exit 1
fi
installs=$(grep '^Inst ' "$work/apt.log" || true)
printf '%s\n' "$installs"
status=0
grep -q "^Inst vyrtel$qualifier " <<<"$installs" ||
  { echo "apt would not install vyrtel itself" >&2; status=1; }
grep -q "^Inst libsdl1\\.2-compat-shim$qualifier " <<<"$installs" ||
  { echo "apt would not install libsdl1.2-compat-shim" >&2; status=1; }
if grep -q '^Inst libsdl1\.2debian[: ]' <<<"$installs"; then
  echo "apt would install the classic SDL 1.2, libsdl1.2debian" >&2
  status=1
fi
exit $status
