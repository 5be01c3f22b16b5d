#!/usr/bin/env bash
# Builds the Debian package with CPack into a scratch folder and checks it as Debian would:
# lintian finds no error (an unstripped program is one), the version and the libraries it
# depends on are right, and its files are the install's files under /usr.
# Usage: check_package.sh BUILD_DIR VERSION APP_ID HAS_CLI
set -euo pipefail
build=$1 version=$2 id=$3 has_cli=$4
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

"${CPACK:-cpack}" -G DEB --config "$build/CPackConfig.cmake" -B "$scratch" >"$scratch/cpack.log" 2>&1 ||
  { cat "$scratch/cpack.log" >&2; fail "cpack -G DEB failed"; exit 1; }
deb=$scratch/shotsweep_${version}_$(dpkg --print-architecture).deb
[[ -f $deb ]] || { ls "$scratch" >&2; fail "no ${deb##*/}"; exit 1; }

# lintian prints its warnings and notes too, so the log shows them; only errors fail.
lintian --fail-on error --tag-display-limit 0 "$deb" >&2 || fail "lintian reports errors"

field() { dpkg-deb --field "$deb" "$1"; }
[[ $(field Version) == "$version" ]] || fail "Version: $(field Version), the build is $version"
# Filled in by dpkg-shlibdeps from the libraries the programs link.
for library in libc6 libqt6widgets6 libicu; do
  field Depends | grep -q "\b$library" || fail "Depends lacks $library: $(field Depends)"
done

if ! diff -u <(expected_files "$id" "$has_cli" | sed 's|^|usr/|' | LC_ALL=C sort) \
             <(dpkg-deb --fsys-tarfile "$deb" | tar -t | grep -v '/$' | sed 's|^\./||' | LC_ALL=C sort) >&2; then
  fail "the package's files differ from the install's (- missing, + unexpected)"
fi

((failures == 0)) || { echo "package check: $failures problem(s)" >&2; exit 1; }
