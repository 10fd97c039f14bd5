#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Lists USERS (default 2000) users of a Samba AD domain controller that it
# provisions in a private network namespace, with vantorc and with
# samba-tool user list (LDAP) in the same run, alternating, and prints the
# median of each and the ratio. Needs root; see tests/e2e/samba_dc.sh.
#   bench/samba_dc_bench.sh BUILD_DIR [USERS]
set -euo pipefail
build=$1
users=${2:-2000}
exec bash "$(dirname "$0")/../tests/e2e/samba_dc.sh" --bench "$users" \
  "$build/tests/samba_dir_tool" "$build/src/console/vantorc"
