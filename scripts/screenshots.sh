#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Starts the windowed program under Xvfb on the demo network and writes PNGs
# of the main window's tabs, the status window (during a session query and
# after a send) and the dialogs.
#   scripts/screenshots.sh [OUTDIR]     (default: build/screenshots)
set -euo pipefail
cd "$(dirname "$0")/.."
out="${1:-build/screenshots}"

scripts/install-deps.sh demo
cmake --preset ci >/dev/null
cmake --build --preset ci -j "$(nproc)" --target vantor_screenshots

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp examples/office.json "$work/office.json"
export VANTOR_STORE="$work/store.db"
mkdir -p "$out"
# trayer gives the display a notification area for the tray icon.
xvfb-run -a -s "-screen 0 1280x800x24" bash -c '
  trayer --edge top --align right --widthtype pixel --width 120 --heighttype pixel --height 32 &
  tray=$!
  sleep 1
  "$0" "$1" "$2"; rc=$?
  kill $tray
  exit $rc' build/ci/tests/gui/vantor_screenshots "$work/office.json" "$out"
