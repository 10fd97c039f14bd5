#!/usr/bin/env bash
# Installs what is missing, builds, and runs the main job on the shipped demo
# network (examples/office.json): a tour of the network and one delivered
# message, then the lines that landed in the deliveries file.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh build
cmake --preset ci >/dev/null
cmake --build --preset ci -j "$(nproc)"

export VANTOR_LAN="sim:$PWD/examples/office.json"
deliveries=examples/office.deliveries.jsonl
: > "$deliveries"
echo "=== VANTOR_LAN=$VANTOR_LAN"
build/ci/examples/lan_tour
echo "=== delivered ($deliveries):"
cat "$deliveries"
