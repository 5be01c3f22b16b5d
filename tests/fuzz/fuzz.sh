#!/usr/bin/env bash
# Runs the fuzzers of a SHOTSWEEP_FUZZ build, one after the other, each for SECONDS over a copy
# of its corpus: what a fuzzer adds to its corpus stays in a scratch folder, never in the
# repository. A finding fails the run; its input is printed and kept in BUILD/findings/.
#   tests/fuzz/fuzz.sh BUILD_FOLDER SECONDS [TARGET...]   (default: every target)
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
build="$(cd "$1" && pwd)"
seconds="$2"
shift 2
targets=("$@")
if ((${#targets[@]} == 0)); then
  for folder in "$here"/corpus/*/; do targets+=("$(basename "$folder")"); done
fi

scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$build/findings"
failed=()
for target in "${targets[@]}"; do
  fuzzer="$build/bin/fuzz_$target"
  [[ -x "$fuzzer" ]] || { echo "no fuzzer $fuzzer" >&2; exit 2; }
  work="$scratch/$target"
  mkdir -p "$work/corpus" "$work/findings"
  cp -r "$here/corpus/$target/." "$work/corpus/"
  echo "=== fuzz_$target for ${seconds}s"
  # -timeout: an input that takes this long counts as a hang; -rss_limit_mb: as running away.
  options=(-max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 -print_final_stats=1
           -artifact_prefix="$work/findings/")
  case "$target" in
    script_line | interpreter) options+=(-dict="$here/script.dict") ;;
  esac
  if "$fuzzer" "${options[@]}" "$work/corpus" >"$work/log" 2>&1; then
    # The last status line (executions, coverage) and the speed.
    grep -E '^#[0-9]+' "$work/log" | tail -1 || true
    grep -E 'stat::(number_of_executed_units|average_exec_per_sec)' "$work/log" || true
  else
    tail -60 "$work/log"
    failed+=("$target")
    for finding in "$work/findings"/*; do
      [[ -f "$finding" ]] || continue
      cp "$finding" "$build/findings/${target}-$(basename "$finding")"
      echo "--- finding of fuzz_$target: $build/findings/${target}-$(basename "$finding")"
      echo "    reproduce: $fuzzer $build/findings/${target}-$(basename "$finding")"
      head -c 2048 "$finding" | od -A d -c | head -40
    done
  fi
done
if ((${#failed[@]})); then
  echo "fuzzing found faults in: ${failed[*]}" >&2
  exit 1
fi
echo "fuzzed ${#targets[@]} targets for ${seconds}s each: no finding"
