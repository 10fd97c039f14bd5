#!/usr/bin/env bash
# Builds the optimised tree and runs every benchmark (see bench/README.md).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh build
cmake --preset ci >/dev/null
cmake --build --preset ci -j 2
for b in build/ci/bench/*_bench; do
  echo "=== $b"
  "$b" "$@"
done
