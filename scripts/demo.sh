#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds, and runs the main job on the shipped demo
# network (examples/office.json): vantorc asks the domain controllers who is
# active and sends a message to a user and to a group, reporting each
# recipient; then the lines that landed in the deliveries file are shown.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh build
cmake --preset ci >/dev/null
cmake --build --preset ci -j 2

export VANTOR_LAN="sim:$PWD/examples/office.json"
# A store of its own, so that the demo never touches the user's lists.
export VANTOR_STORE="$PWD/build/ci/demo-store.db"
deliveries=examples/office.deliveries.jsonl
touch "$deliveries"
before=$(wc -l < "$deliveries")

echo "=== VANTOR_LAN=$VANTOR_LAN"
echo "=== vantorc -v -u bob -g Warehouse -m \"The delivery van is at the gate.\""
status=0
build/ci/src/console/vantorc -v -u bob -g Warehouse -m "The delivery van is at the gate." || status=$?
echo "=== exit status $status (0: everything asked for was done)"
echo "=== delivered ($deliveries, new lines):"
tail -n +"$((before + 1))" "$deliveries"
