# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by the end-to-end scripts: skip REASON ends a script that cannot
# run here with status 77 (skipped), or with 1 when VANTOR_REQUIRE_SMBD says
# that this machine has everything and the test must run.
required=0
if [ -n "${VANTOR_REQUIRE_SMBD:-}" ] && [ "${VANTOR_REQUIRE_SMBD}" != 0 ]; then required=1; fi
skip() {
  echo "skipped: $*"
  if [ "$required" = 1 ]; then exit 1; fi
  exit 77
}
