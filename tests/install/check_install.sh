#!/usr/bin/env bash
# Installs the build into scratch folders, once under a prefix and once through DESTDIR, and
# checks what landed there: every file in its place and nothing else, the desktop entry and
# AppStream metadata valid together, the icons and manual pages sound, the documents naming
# the version being built, and the installed programs working from where they were put.
# A hardened build (HARDENED 1) must show Debian's hardening in every installed program.
# Usage: check_install.sh BUILD_DIR VERSION APP_ID HAS_CLI HARDENED
set -euo pipefail
build=$1 version=$2 id=$3 has_cli=$4 hardened=$5
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
expected=$(expected_files "$id" "$has_cli")

# --- Where the files go ---------------------------------------------------------------------

prefix=$scratch/prefix
env -u DESTDIR "${CMAKE:-cmake}" --install "$build" --prefix "$prefix" >/dev/null
if ! diff -u <(echo "$expected" | LC_ALL=C sort) <(files_under "$prefix") >&2; then
  fail "cmake --install --prefix: the installed files differ from the expected ones (- missing, + unexpected)"
fi

# With DESTDIR everything must land below it, under the prefix, and nothing at the prefix itself.
staged_prefix=/opt/shotsweep-install-check-$$
DESTDIR=$scratch/dest "${CMAKE:-cmake}" --install "$build" --prefix "$staged_prefix" >/dev/null
if ! diff -u <(echo "$expected" | sed "s|^|${staged_prefix#/}/|" | LC_ALL=C sort) \
             <(files_under "$scratch/dest") >&2; then
  fail "DESTDIR install: the staged files differ from the expected ones (- missing, + unexpected)"
fi
if [[ -e $staged_prefix ]]; then
  fail "DESTDIR install wrote to $staged_prefix itself"
  rm -rf "$staged_prefix"
fi

# --- The programs -----------------------------------------------------------------------------

# The installed interpreter runs the kind of script a cleanup writes: set every RAW file aside,
# give the kept one its name back, delete the rest.
photos=$scratch/photos
mkdir "$photos"
touch "$photos/DSC_0001.NEF" "$photos/DSC_0002.NEF" "$photos/dsc_0003.Cr2"
printf '%s\r\n' '@echo off' "cd $photos" 'ren *.nef *.nbak' 'ren *.cr2 *.cbak' \
  'if exist DSC_0001.nbak ren DSC_0001.nbak DSC_0001.NEF' 'del *.nbak' 'echo swept %1' 'exit 3' \
  > "$scratch/sweep.bat"
status=0
output=$(cd "$scratch" && "$prefix/bin/shotsweep-batch" sweep.bat photos 2>&1) || status=$?
[[ $status == 3 ]] || fail "installed shotsweep-batch: exit status $status, expected the script's 3"
[[ $output == "swept photos" ]] || fail "installed shotsweep-batch printed '$output', expected 'swept photos'"
left=$(files_under "$photos" | tr '\n' ' ')
[[ $left == "DSC_0001.NEF dsc_0003.cbak " ]] || fail "installed shotsweep-batch left '$left' in the photo folder"

if [[ $has_cli == 1 ]]; then
  line=$("$prefix/bin/shotsweep-cli" --version | head -n 1) || fail "shotsweep-cli --version failed"
  [[ $line == "shotsweep ${version%.*}"* ]] || fail "shotsweep-cli --version printed '$line'"
  # A staged command line finds its interpreter beside it, and in its libexec folder too.
  mkdir -p "$scratch/raw" "$scratch/jpg" && touch "$scratch/raw/a.nef" "$scratch/raw/b.nef" "$scratch/jpg/a.jpg"
  stage_bin=$scratch/dest$staged_prefix/bin
  (cd "$scratch" && "$stage_bin/shotsweep-cli" by-folder raw jpg --keep >/dev/null) ||
    fail "the staged shotsweep-cli could not run a cleanup"
  mkdir -p "$scratch/dest$staged_prefix/libexec/shotsweep"
  mv "$stage_bin/shotsweep-batch" "$scratch/dest$staged_prefix/libexec/shotsweep/"
  (cd "$scratch" && "$stage_bin/shotsweep-cli" restore raw >/dev/null) ||
    fail "the staged shotsweep-cli did not find shotsweep-batch in libexec/shotsweep"
  left=$(files_under "$scratch/raw" | tr '\n' ' ')
  [[ $left == "a.nef b.nef " ]] || fail "the staged cleanup and restore left '$left'"
fi

if [[ $hardened == 1 ]]; then
  check_hardening "$build" "$prefix"/bin/*
fi

# --- Desktop entry, metainfo, icons --------------------------------------------------------

desktop=$prefix/share/applications/$id.desktop
metainfo=$prefix/share/metainfo/$id.metainfo.xml
desktop-file-validate "$desktop" >&2 || fail "desktop-file-validate rejects $id.desktop"
appstreamcli validate --no-net --strict "$metainfo" >&2 || fail "appstreamcli rejects the metainfo"
# The tree check also matches the metainfo's launchable against the installed desktop entry.
appstreamcli validate-tree --no-net --strict "$prefix" >&2 || fail "appstreamcli rejects the installed tree"

# Started from the menu, the program must know it: --desktop moves its start folder.
grep -qx "Exec=shotsweep --desktop" "$desktop" || fail "the desktop entry does not start 'shotsweep --desktop'"
grep -qx "Icon=$id" "$desktop" || fail "the desktop entry's icon is not $id"

# Every installed program is provided by the metainfo, and nothing else is.
provided=$(grep -o '<binary>[^<]*</binary>' "$metainfo" | sed 's/<[^>]*>//g' | LC_ALL=C sort | tr '\n' ' ')
installed=$(ls "$prefix/bin" | LC_ALL=C sort | tr '\n' ' ')
[[ $provided == "$installed" ]] || fail "the metainfo provides '$provided' but bin/ holds '$installed'"

for png in "$prefix"/share/icons/hicolor/*x*/apps/"$id".png; do
  size=$(basename "$(dirname "$(dirname "$png")")")
  file -b "$png" | grep -q "^PNG image data, ${size/x/ x }," || fail "$size icon is not a $size PNG: $(file -b "$png")"
done

# --- Manual pages -----------------------------------------------------------------------------

for page in "$prefix"/share/man/man1/*.1.gz; do
  gzip -t "$page" || fail "${page##*/} is no sound gzip file"
done
# Every page, also the one of a program not built yet, reads without a warning, as lintian
# checks them.
for page in "$build"/man/*.1; do
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null)
  [[ -z $warnings ]] || fail "${page##*/}: $warnings"
done

# --- Documents: every place that names the version or the licence agrees ---------------------

doc=$prefix/share/doc/shotsweep
newest=$(zcat "$doc/changelog.gz" | sed -n '1s/^shotsweep (\([^)]*\)).*/\1/p')
[[ $newest == "$version" ]] || fail "the changelog's newest entry is '$newest', the build is $version"
release=$(grep -o '<release version="[^"]*"' "$metainfo" | head -n 1 | cut -d'"' -f2)
[[ $release == "$version" ]] || fail "the metainfo's newest release is '$release', the build is $version"

licence=$(sed -n 's|.*<project_license>\(.*\)</project_license>.*|\1|p' "$metainfo")
grep -qx "License: $licence" "$doc/copyright" || fail "copyright does not license the files under $licence"
[[ $licence == GPL-3.0-or-later ]] && cmp -s "$doc/LICENSE" /usr/share/common-licenses/GPL-3 ||
  fail "LICENSE is not the text of $licence"

((failures == 0)) || { echo "install check: $failures problem(s)" >&2; exit 1; }
