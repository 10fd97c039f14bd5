#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the optimised tree and runs every benchmark (see bench/README.md).
#   scripts/bench.sh [benchmark options]
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh test
cmake --preset ci >/dev/null
cmake --build --preset ci -j "$(nproc)"
for b in build/ci/bench/*_bench; do
  [ -x "$b" ] || continue
  echo "=== $b"
  "$b" "$@"
done
