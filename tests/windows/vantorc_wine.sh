#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# vantorc.exe under Wine prints its usage screen and its error blocks byte for
# byte as vantorc does on Linux (the same golden text and blocks that the
# Linux tests compare against).
#   vantorc_wine.sh WINE_RUN VANTORC.EXE USAGE_GOLDEN VERSION
set -euo pipefail
wine_run=$1 vantorc=$2 golden=$3 version=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

crlf() { printf '%s\r\n' "$@"; }
rule() { crlf "$(printf '=%.0s' $(seq 62))"; }
banner() { rule; crlf "Vantorc - LAN pop-up messages and network listings" "Version $version"; rule; }
error_block() { crlf "" "Vantorc ERROR: $1" "  Use 'vantorc -?' to show command-line options" ""; banner; }

usage() {
  while IFS= read -r line; do
    case "$line" in
      "[banner]") banner ;;
      "[pause]") crlf "Press <enter> to continue..." ;;
      *) crlf "$line" ;;
    esac
  done <"$golden"
}

failures=0
# check NAME EXPECTED_FILE ARGS... (standard input: three Enter presses)
check() {
  local name=$1 expected=$2
  shift 2
  local status=0
  printf '\n\n\n' | "$wine_run" "$vantorc" "$@" >"$work/$name.out" 2>"$work/$name.err" || status=$?
  if [ "$status" -eq 77 ]; then exit 77; fi
  if ! cmp -s "$expected" "$work/$name.out"; then
    echo "FAIL $name: output differs from the Linux text"
    diff <(od -c "$expected") <(od -c "$work/$name.out") | head -20 || true
    failures=$((failures + 1))
  else
    echo "ok   $name"
  fi
}

# This computer is a workgroup computer without servers: after the help
# screen the default query ends with its error block, as on Linux.
{ usage; error_block "No Servers found on network"; } >"$work/usage.expected"
check usage "$work/usage.expected" -?
check help "$work/usage.expected" /HELP

n=0
while IFS='|' read -r message args; do
  n=$((n + 1))
  error_block "$message" >"$work/error$n.expected"
  # shellcheck disable=SC2086
  check "error$n" "$work/error$n.expected" $args
done <<'CASES'
No parameters supplied|
Incorrect parameter: -x|-x
Help options should only be used on their own|-v -?
Too many Query options, please just use one|-qd -qa
No user names supplied|-u
Recipients given but no message text specified|-u bob
Message text given but no recipients specified|-m hi
CASES

echo "$((n + 2)) checked, $failures failed"
[ "$failures" -eq 0 ]
