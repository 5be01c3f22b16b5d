# Sourced by both install checks.

# What an install puts under its prefix, one path a line.
# Arguments: APP_ID HAS_CLI (1 when shotsweep-cli is built).
expected_files() {
  local id=$1 has_cli=$2 size program
  for program in shotsweep shotsweep-batch shotsweep-cli; do
    [[ $program == shotsweep-cli && $has_cli != 1 ]] && continue
    echo "bin/$program"
    echo "share/man/man1/$program.1.gz"
  done
  echo "share/applications/$id.desktop"
  echo "share/metainfo/$id.metainfo.xml"
  echo "share/icons/hicolor/scalable/apps/$id.svg"
  for size in 16 22 24 32 48 64 128 256; do
    echo "share/icons/hicolor/${size}x$size/apps/$id.png"
  done
  echo share/doc/shotsweep/README.md
  echo share/doc/shotsweep/LICENSE
  echo share/doc/shotsweep/copyright
  echo share/doc/shotsweep/changelog.gz
}

# Every file and link under FOLDER, relative to it, sorted.
files_under() {
  (cd "$1" && find . \( -type f -o -type l \) -printf '%P\n' | LC_ALL=C sort)
}

# A check that fails says why and lets the others run; the script's end counts them.
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}
