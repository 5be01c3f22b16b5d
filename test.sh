#!/usr/bin/env bash
# Sets up, builds and runs every test.
#   ./test.sh             the normal build, in build/
#   ./test.sh --sanitize  the same tests built with AddressSanitizer and UndefinedBehaviorSanitizer,
#                         in build-sanitize/ (the Debian package check is left out there)
#   ./test.sh --fuzz [SECONDS]  the fuzz targets built with clang as libFuzzer programs, in
#                         build-fuzz/, each fuzzed for SECONDS (default 30) over a copy of its corpus
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
case "${1:-}" in
  "")
    "$root/scripts/setup.sh"
    ctest --test-dir "$root/build" --output-on-failure -j2
    ;;
  --sanitize)
    "$root/scripts/setup.sh" "$root/build-sanitize" -DSHOTSWEEP_SANITIZE=ON
    ctest --test-dir "$root/build-sanitize" --output-on-failure -j2 -LE package
    ;;
  --fuzz)
    CC=clang CXX=clang++ "$root/scripts/setup.sh" "$root/build-fuzz" -DSHOTSWEEP_FUZZ=ON
    "$root/tests/fuzz/fuzz.sh" "$root/build-fuzz" "${2:-30}"
    ;;
  *)
    echo "usage: $0 [--sanitize | --fuzz [SECONDS]]" >&2
    exit 2
    ;;
esac
