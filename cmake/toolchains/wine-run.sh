#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs a Windows program under Wine for the tests:
#   WINEPREFIX=FOLDER wine-run.sh PROGRAM.exe ARGS...
#   WINEPREFIX=FOLDER wine-run.sh --stop-server   (ends the prefix's wineserver)
# - WINEPREFIX must be given: the tests never touch the user's own ~/.wine.
# - No display: DISPLAY and WAYLAND_DISPLAY are removed, so Wine uses its
#   null driver and opens no window.
# - No network: the program runs in a network namespace of its own (only a
#   loopback interface) when one can be made; Wine's network calls then reach
#   nothing but this computer. Without one (no root, no user namespaces) the
#   run is refused with the exit status 77, which the tests count as skipped.
# - Wine neither installs its .NET or HTML engines (which it would download)
#   nor makes menu entries, and prints no debugging output.
set -euo pipefail

if [ -z "${WINEPREFIX:-}" ]; then
  echo "wine-run.sh: set WINEPREFIX to a private folder" >&2
  exit 2
fi
if ! command -v wine >/dev/null; then
  echo "wine-run.sh: wine is not installed (scripts/install-deps.sh windows)" >&2
  exit 77
fi
mkdir -p "$WINEPREFIX"
export WINEPREFIX
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
unset DISPLAY WAYLAND_DISPLAY
# One prefix is made once; later runs reuse it.
export WINEARCH=win64
# Wine reads the command line and file names in the locale's character set:
# UTF-8, whatever the caller's locale, so that every name arrives whole.
export LC_ALL=C.UTF-8

if [ "${VANTOR_WINE_NETNS:-}" = 1 ]; then
  # Already inside the private namespace (see below).
  ip link set lo up 2>/dev/null || true
  if [ "${1:-}" = --stop-server ]; then
    # The server lives as long as its last program and a little more: end
    # it now, so that no process of the tests outlives them.
    wineserver -k 2>/dev/null || true
    exit 0
  fi
  exec wine "$@"
fi
export VANTOR_WINE_NETNS=1
if unshare --net true 2>/dev/null; then
  exec unshare --net "$0" "$@"
fi
if unshare --map-root-user --net true 2>/dev/null; then
  exec unshare --map-root-user --net "$0" "$@"
fi
echo "wine-run.sh: cannot make a private network namespace (needs root or user namespaces); not running Wine" >&2
exit 77
