#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# End to end through the samba backend: starts a private smbd on 127.0.0.1
# (SMB1 allowed, an unprivileged port), sends with `PROGRAM -f -u NAME -m TEXT`
# and looks for the text in the file the peer's message command writes; then
# checks that a peer without a message command makes the send fail with exit
# status 2. smbd is stopped by its process id on every path.
#   samba_send.sh PROGRAM [--expect-error-text]
# Exits 77 (skipped) when smbd is missing or cannot start, unless
# VANTOR_REQUIRE_SMBD is set.
set -u

program=$1
expect_error_text=0
[ "${2:-}" = "--expect-error-text" ] && expect_error_text=1

. "$(dirname "$0")/skip.sh"
fail() {
  echo "FAILED: $*"
  exit 1
}

smbd=""
for p in /usr/sbin/smbd /usr/local/sbin/smbd /usr/bin/smbd; do
  if [ -x "$p" ]; then smbd=$p; break; fi
done
[ -n "$smbd" ] || skip "smbd is not installed"

dir=$(mktemp -d "${TMPDIR:-/tmp}/vantor-e2e-XXXXXX")
chmod 755 "$dir"  # the message command runs as the guest account
pid=""
stop_smbd() {
  if [ -n "$pid" ]; then
    kill "$pid" 2>/dev/null
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    pid=""
  fi
}
trap 'stop_smbd; rm -rf "$dir"' EXIT

# start_smbd NAME yes|no: a private smbd in $dir/NAME, with or without a message command.
start_smbd() {
  local d="$dir/$1" with_command=$2
  mkdir -p "$d"/{lock,state,cache,private,pid,ncalrpc,out}
  chmod 777 "$d/out"
  for _ in 1 2 3 4 5; do
    port=$((20000 + RANDOM % 40000))
    {
      echo "[global]"
      echo "  netbios name = VANTORPEER"
      echo "  workgroup = VANTORTEST"
      echo "  server role = standalone server"
      echo "  server min protocol = NT1"
      echo "  smb ports = $port"
      echo "  interfaces = 127.0.0.1"
      echo "  bind interfaces only = yes"
      for sub in lock state cache pid ncalrpc; do echo "  $sub directory = $d/$sub"; done | sed 's/ncalrpc directory/ncalrpc dir/'
      echo "  private dir = $d/private"
      echo "  log file = $d/log.smbd"
      echo "  load printers = no"
      echo "  printcap name = /dev/null"
      echo "  disable spoolss = yes"
      echo "  map to guest = bad user"
      if [ "$with_command" = yes ]; then
        echo "  message command = /bin/sh -c '(echo \"FROM=%f\"; /bin/cat %s; echo; echo \"--END--\") >> $d/out/messages.txt; /bin/rm -f %s'"
      fi
    } > "$d/smb.conf"
    "$smbd" --foreground --debug-stdout -s "$d/smb.conf" > "$d/smbd.out" 2>&1 &
    pid=$!
    for _ in $(seq 150); do
      if ! kill -0 "$pid" 2>/dev/null; then break; fi
      if (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then
        printf '127.0.0.1 VANTORPEER\n' > "$d/lmhosts"
        printf 'samba config =\ndirectory = no\nresolve order = lmhosts\nlmhosts file = %s\nsmb port = %s\nreply timeout = 10\n' \
          "$d/lmhosts" "$port" > "$d/lan.conf"
        return 0
      fi
      sleep 0.1
    done
    stop_smbd
  done
  return 1
}

export LC_ALL=C.UTF-8

# 1. A peer with a message command receives the text, letters beyond ASCII included.
start_smbd receiver yes || skip "smbd did not start: $(tail -3 "$dir/receiver/smbd.out" 2>/dev/null)"
text="Grüße aus Köln, Zoë"
out=$(VANTOR_LAN="samba:$dir/receiver/lan.conf" "$program" -f -u VANTORPEER -m "$text" 2>&1)
rc=$?
[ "$rc" = 0 ] || fail "send exited with $rc: $out"
grep -qF "$text" "$dir/receiver/out/messages.txt" 2>/dev/null ||
  fail "the text did not arrive: $(cat "$dir/receiver/out/messages.txt" 2>/dev/null)"
grep -q '^FROM=' "$dir/receiver/out/messages.txt" || fail "no sender recorded"

# 1b. LF CR (as joined -m texts are) is one line break: no blank line between the parts.
out=$(VANTOR_LAN="samba:$dir/receiver/lan.conf" "$program" -f -u VANTORPEER -m $'Lines joined\n\rby one break' 2>&1)
rc=$?
[ "$rc" = 0 ] || fail "send with a line break exited with $rc: $out"
next=$(grep -A1 -x 'Lines joined' "$dir/receiver/out/messages.txt" | tail -1)
[ "$next" = "by one break" ] || fail "LF CR did not arrive as one break: $(cat "$dir/receiver/out/messages.txt")"
stop_smbd

# 2. A peer without a message command refuses: exit status 2, "failed" in verbose mode, nothing delivered.
start_smbd refuser no || skip "smbd did not start a second time"
out=$(VANTOR_LAN="samba:$dir/refuser/lan.conf" "$program" -v -f -u VANTORPEER -m "$text" 2>&1)
rc=$?
[ "$rc" = 2 ] || fail "send to a refusing peer exited with $rc: $out"
echo "$out" | grep -q "Message to User: VANTORPEER failed" || fail "no failure line: $out"
if [ "$expect_error_text" = 1 ]; then
  echo "$out" | grep -q "The messenger service is not running." || fail "no error text: $out"
fi
[ ! -s "$dir/refuser/out/messages.txt" ] || fail "a refused message was delivered"
stop_smbd

echo "passed"
