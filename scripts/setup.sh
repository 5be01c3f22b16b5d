#!/usr/bin/env bash
# Installs the missing Debian packages, then configures and builds Shotsweep.
#   scripts/setup.sh [BUILD_FOLDER [CMAKE_OPTION...]]   (default: build/)
# Quick when nothing changed: dpkg is asked first, apt only runs for what is missing.
# SHOTSWEEP_TARGETS="a b" builds only those targets (and what they need), not everything.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$root/build}"
shift || true

missing=()
while read -r pkg; do
  [[ -z "$pkg" || "$pkg" == \#* ]] && continue
  if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$pkg")
  fi
done < "$root/scripts/packages.txt"

if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  [[ $(id -u) -ne 0 ]] && sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

if [[ ! -f "$build/build.ninja" ]]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
fi
targets=()
for target in ${SHOTSWEEP_TARGETS:-}; do targets+=(--target "$target"); done
cmake --build "$build" "${targets[@]}"
