#!/usr/bin/env bash
# Sets up, builds and starts Shotsweep. The folder you run this from becomes the program's
# start folder (Shotsweep.ini, ShotsweepDirs.dat, exiv2/exiftool are looked up there).
# Only the programs are built, not the tests or benchmarks; the window needs a display.
set -euo pipefail
here="$PWD"
root="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
SHOTSWEEP_TARGETS="shotsweep shotsweep-batch shotsweep-cli" "$root/scripts/setup.sh"
cd "$here"
exec "$root/build/bin/shotsweep" "$@"
