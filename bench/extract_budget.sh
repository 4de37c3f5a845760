#!/usr/bin/env bash
# One extraction per input over tests/regress, fuzz/corpus and tests/data/golden: fails
# loudly when any takes more than 100 ms or 64 MiB.
# usage: bench/extract_budget.sh [BUILD_DIR]   (default build/release)
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/release}
tool=$build/bench/extract_budget
if [ ! -x "$tool" ]; then
  echo "extract_budget.sh: $tool is missing: cmake --preset release && cmake --build --preset release --target extract_budget" >&2
  exit 2
fi
exec "$tool" "$root/tests/regress" "$root/fuzz/corpus" "$root/tests/data/golden"
