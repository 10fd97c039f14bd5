#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Checks the Debian package with lintian: any error fails; warnings and
# notes are shown (those left are overridden, each with its reason, in
# packaging/lintian-overrides).
#   lintian_deb.sh DEB
set -euo pipefail
deb=$1
lintian --fail-on error --display-info --show-overrides --tag-display-limit 0 "$deb"
echo "lintian: no errors in $(basename "$deb")"
