#!/usr/bin/env bash
# Sets up, builds and runs every test.
#   ./test.sh             the normal build, in build/
#   ./test.sh --sanitize  the same tests built with AddressSanitizer and UndefinedBehaviorSanitizer,
#                         in build-sanitize/ (the Debian package check is left out there)
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
  *)
    echo "usage: $0 [--sanitize]" >&2
    exit 2
    ;;
esac
