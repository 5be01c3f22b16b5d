#!/bin/sh
# "shotsweep --help" and "shotsweep --version" print and end where there is no display at all,
# as in a terminal over ssh: no DISPLAY, no WAYLAND_DISPLAY (nor the runtime folder where
# Wayland looks for its default socket), no QT_QPA_PLATFORM.
#   info_options_test.sh SHOTSWEEP VERSION
set -u
bin=$1 version=$2
fail() { echo "FAIL: $*"; exit 1; }
scratch=$(mktemp -d) && trap 'rm -rf "$scratch"' EXIT
cd "$scratch" || exit 1
bare() { env -u DISPLAY -u WAYLAND_DISPLAY -u XDG_RUNTIME_DIR -u QT_QPA_PLATFORM timeout 20 "$bin" "$@"; }

out=$(bare --version) || fail "--version ended with status $?"
[ "$out" = "shotsweep $version" ] || fail "--version printed: $out"
out=$(bare --help) || fail "--help ended with status $?"
case "$out" in
  "Usage: shotsweep [--desktop]"*--help*--version*"man shotsweep"*) ;;
  *) fail "--help printed: $out" ;;
esac
# Without those options the same surroundings cannot open the window: they do lack a display.
if bare >/dev/null 2>&1; then fail "the window opened without a display, so this proves nothing"; fi
echo "ok"
