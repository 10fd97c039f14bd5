#!/usr/bin/env bash
# Builds the optimised preset and runs every benchmark.
#   scripts/bench.sh
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh test
cmake --preset release >/dev/null
cmake --build --preset release -j 2
for b in build/release/bench/bench_*; do
  [ -x "$b" ] || continue
  echo "=== $b"
  "$b"
done
