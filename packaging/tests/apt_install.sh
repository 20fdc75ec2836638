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
  function names(list, out,   items, count, i, item) {
    count = split(list, items, /[,|]/)
    for (i = 1; i <= count; i++) {
      item = items[i]
      sub(/\(.*/, "", item)
      sub(/:.*/, "", item)
      gsub(/[ \t]/, "", item)
      out[i] = item
    }
    return count
  }
  BEGIN { RS = ""; FS = "\n" }
  {
    n++
    stanza[n] = $0
    field = ""
    for (i = 1; i <= NF; i++) {
      line = $i
      if (line ~ /^[ \t]/) {
        if (field == "depends") depends[n] = depends[n] "," line
        else if (field == "provides") provides[n] = provides[n] "," line
        continue
      }
      field = ""
      if (line ~ /^Package:/) {
        sub(/^Package:[ \t]*/, "", line)
        name[n] = line
      } else if (line ~ /^(Pre-)?Depends:/) {
        sub(/^[^:]*:/, "", line)
        depends[n] = depends[n] "," line
        field = "depends"
      } else if (line ~ /^Provides:/) {
        sub(/^Provides:/, "", line)
        provides[n] = provides[n] "," line
        field = "provides"
      }
    }
  }
  END {
    count = split(seeds, seed, /[ \t\n]+/)
    for (i = 1; i <= count; i++) if (seed[i] != "") gone[seed[i]] = 1
    do {
      changed = 0
      for (r = 1; r <= n; r++) {
        if (removed[r]) continue
        hit = name[r] in gone
        count = names(depends[r], needed)
        for (i = 1; i <= count && !hit; i++) hit = needed[i] in gone
        if (!hit) continue
        removed[r] = 1
        changed = 1
        gone[name[r]] = 1
        count = names(provides[r], provided)
        for (i = 1; i <= count; i++) if (provided[i] != "") gone[provided[i]] = 1
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
