#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A store written by vantor-reg.exe under Wine is read back by Wine's own
# regedit with the same values: the store is the registry itself.
#   regedit_wine.sh WINE_RUN VANTOR-REG.EXE EXPECTED_EXPORT
set -euo pipefail
wine_run=$1 reg=$2 expected=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
key='HKEY_CURRENT_USER\Software\Vantor'

run() {
  local status=0
  "$wine_run" "$@" || status=$?
  if [ "$status" -eq 77 ]; then exit 77; fi
  return "$status"
}

# The prefix is shared by the tests: start from an empty store.
run "$reg" delete "$key" /f >/dev/null 2>&1 || true
# Lists and settings as both programs write them, and a saved message, by
# command and by script; names and data with commas, quotes, backslashes and
# letters beyond ASCII.
run "$reg" add "$key\\ListNames" /v Sales /d 2 /f >/dev/null
run "$reg" add "$key\\Lists\\Sales" /v alice /d '2,Alice, "the boss"' /f >/dev/null
run "$reg" add "$key\\Lists\\Sales" /v 'Zoë' /d '3,C:\temp\' /f >/dev/null
run "$reg" add "$key\\Forms\\Main" /v Left /d -12 /f >/dev/null
run "$reg" add "$key\\Forms\\Main\\Signature" /v 'Regards, Zoë' /d '' /f >/dev/null
cat >"$work/messages.reg" <<'REG'
REGEDIT4

[HKEY_CURRENT_USER\Software\Vantor\Messages]
"NextNumber"="2"

[HKEY_CURRENT_USER\Software\Vantor\Messages\1]
"Alias"="me"
"Count"="1"
"Title"="Message #1 - Café"
REG
# vantor-reg reads the script from a Linux path through Wine's Z: drive.
run "$reg" import "Z:$(echo "$work/messages.reg" | tr / '\\')" >/dev/null

run regedit /E "Z:$(echo "$work/export.reg" | tr / '\\')" "$key"
# regedit writes UTF-16 with CR LF; compared as UTF-8 with LF.
iconv -f UTF-16 -t UTF-8 "$work/export.reg" | tr -d '\r' | sed '1s/^\xef\xbb\xbf//' >"$work/export.txt"
if ! diff -u "$expected" "$work/export.txt"; then
  echo "FAIL: regedit /E reads other values than vantor-reg.exe wrote"
  exit 1
fi
echo "ok: regedit /E reads the values vantor-reg.exe wrote"
run "$reg" delete "$key" /f >/dev/null
