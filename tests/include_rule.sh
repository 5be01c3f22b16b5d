#!/usr/bin/env bash
# Fails on any #include that climbs out of its folder ("../"): the compiler finds such a file
# next to the one that includes it, past the include roots that keep each layer to the
# libraries it links.
#   tests/include_rule.sh SOURCE_TREE
set -uo pipefail
found=$(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*["<][^">]*\.\./' "$1" \
          --include='*.cpp' --include='*.h' --exclude-dir='build*' --exclude-dir='.git')
if [[ -n "$found" ]]; then
  echo "An #include climbs out of its folder; name the header from its layer's root instead:"
  echo "$found"
  exit 1
fi
echo "No #include climbs out of its folder."
