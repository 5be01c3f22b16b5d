#!/usr/bin/env bash
# Builds the Debian package as Debian does (dpkg-buildpackage, debhelper, debian/), twice, from
# two copies of the source in two different folders, the second build later in (faked) time,
# in another time zone, locale and umask; then checks what Debian would check:
#   - the two builds give byte-identical packages;
#   - hardening-check finds every protection it can see in every installed program, and the
#     build had the compiler's half in every object (check_hardening in common.sh);
#   - lintian at the info level finds nothing that is not overridden with a reason;
#   - the package's own test (debian/tests) passes on the installed package;
#   - the version, the libraries it depends on and its files are right.
# Usage: check_package.sh SOURCE_DIR VERSION APP_ID
set -euo pipefail
source_dir=$1 version=$2 id=$3
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# --- Two builds --------------------------------------------------------------------------------

# The files git tracks or would track, as they are in the work tree (uncommitted edits included,
# ignored build folders never), so the work tree is never touched by the build.
copy_source() {
  mkdir -p "$1"
  (cd "$source_dir" && git ls-files -z --cached --others --exclude-standard |
     tar --null -T - --ignore-failed-read -c 2>/dev/null) | tar -x -C "$1"
}
git -C "$source_dir" rev-parse --git-dir >/dev/null 2>&1 ||
  { fail "$source_dir is no git work tree: the package is built from the files git tracks"; exit 1; }

first=$scratch/one/shotsweep
second=$scratch/two/a/deeper/folder/shotsweep-$version
copy_source "$first"
copy_source "$second"

export DEB_BUILD_OPTIONS="parallel=2 ${DEB_BUILD_OPTIONS:-}"
# dpkg-buildpackage leaves the package in the source folder's parent.
build() {
  local folder=$1
  shift
  (cd "$folder" && "$@" dpkg-buildpackage -us -uc -b) >"$folder.log" 2>&1 ||
    { tail -n 60 "$folder.log" >&2; fail "dpkg-buildpackage failed in $folder (log above)"; exit 1; }
}
build "$first" env
(umask 0002 && build "$second" env TZ=Pacific/Kiritimati LC_ALL=C.UTF-8 faketime -f +400d)

arch=$(dpkg --print-architecture)
deb=$scratch/one/shotsweep_${version}_$arch.deb
[[ -f $deb ]] || { ls "$scratch/one" >&2; fail "no ${deb##*/}"; exit 1; }

# --- Reproducible ------------------------------------------------------------------------------

for package in "$scratch"/one/*.deb; do
  twin=$(dirname "$second")/${package##*/}
  if cmp -s "$package" "$twin"; then
    echo "reproducible: $(sha256sum "$package" | cut -d' ' -f1)  ${package##*/}" >&2
  else
    fail "${package##*/} differs between the two builds: $(sha256sum "$package" "$twin")"
  fi
done

# --- Hardened ----------------------------------------------------------------------------------

root=$scratch/root
dpkg-deb -x "$deb" "$root"
check_hardening "$(echo "$first"/obj-*)" "$root"/usr/bin/*

# --- lintian -----------------------------------------------------------------------------------

# Both packages (the programs and their debugging symbols) and the build record; overrides in
# debian/shotsweep.lintian-overrides carry their reasons.
findings=$(lintian -I --tag-display-limit 0 "$scratch/one/shotsweep_${version}_$arch.changes" 2>/dev/null) ||
  fail "lintian could not check the package"
[[ -z $findings ]] || fail "lintian -I finds:"$'\n'"$findings"

# --- The package's own test --------------------------------------------------------------------

# For real: autopkgtest installs the package on this machine (the null virt server), runs
# debian/tests against it, and the package is purged after. One run at a time on a machine, and
# never over a shotsweep that someone else installed.
(
  flock 9
  failures=0
  if dpkg-query -W -f='${Status}' shotsweep 2>/dev/null | grep -q "ok installed"; then
    fail "a shotsweep package is installed here; the autopkgtest installs and purges its own: purge it first"
    exit 1
  fi
  echo 'DPkg::Lock::Timeout "600";' >"$scratch/apt.conf"
  status=0
  APT_CONFIG=$scratch/apt.conf autopkgtest "$deb" "$first" -- null >"$scratch/autopkgtest.log" 2>&1 || status=$?
  dpkg --purge shotsweep >/dev/null 2>&1 || fail "could not purge the package the autopkgtest installed"
  grep -q '^cli-cleanup  *PASS' "$scratch/autopkgtest.log" && ((status == 0)) ||
    { cat "$scratch/autopkgtest.log" >&2; fail "autopkgtest: exit status $status (log above)"; }
  ((failures == 0))
) 9>/run/lock/shotsweep-autopkgtest.lock || failures=$((failures + 1))

# --- Its contents ------------------------------------------------------------------------------

field() { dpkg-deb --field "$deb" "$1"; }
[[ $(field Version) == "$version" ]] || fail "Version: $(field Version), the build is $version"
# Filled in by dpkg-shlibdeps from the libraries the programs link.
for library in libc6 libqt6widgets6 libicu; do
  field Depends | grep -q "\b$library" || fail "Depends lacks $library: $(field Depends)"
done
[[ $(field Recommends) == "exiv2, libimage-exiftool-perl" ]] || fail "Recommends: $(field Recommends)"

# Debian ships the licence's text in /usr/share/common-licenses, so the package leaves it out,
# compresses a long README, and adds lintian's overrides.
if ! diff -u <({ expected_files "$id" 1 | grep -vx share/doc/shotsweep/LICENSE |
                   sed -e 's|^|usr/|' -e 's|README.md$|README.md.gz|'
                 echo usr/share/lintian/overrides/shotsweep; } | LC_ALL=C sort) \
             <(files_under "$root") >&2; then
  fail "the package's files differ from the install's (- missing, + unexpected)"
fi

((failures == 0)) || { echo "package check: $failures problem(s)" >&2; exit 1; }
