#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Receiving end to end. In a private network namespace, smbd on 127.0.0.1
# port 139 is set up by `vantor-receive --setup` to hand each message to
# vantor-deliver, which smbd runs as its guest account. Two test users
# (added to the namespace's own passwd, never to the system's) each have a
# session: a private D-Bus session bus with a stand-in notification service
# that records every call, and vantor-receive. Messages come from
# `smbclient -M` and from vantorc through the samba backend; the checks
# read the recorded notifications and each user's history byte for byte.
#   samba_receive.sh VANTOR_DELIVER VANTOR_RECEIVE VANTORC NOTIFY_RECORDER HISTORY_DUMP
# Needs root, ip, smbd, smbclient, dbus-daemon and setpriv. Exits 77
# (skipped) when one is missing, unless VANTOR_REQUIRE_SMBD is set.
set -u

. "$(dirname "$0")/skip.sh"
failures=0
ok() { echo "ok: $*"; }
bad() { echo "FAILED: $*"; failures=$((failures + 1)); }
expect() {  # expect WHAT EXPECTED ACTUAL
  if [ "$2" = "$3" ]; then ok "$1"; else bad "$1: expected [$2], got [$3]"; fi
}

[ "$(id -u)" = 0 ] || skip "needs root (namespaces, test users, smbd's guest account)"
for tool in ip smbclient dbus-daemon setpriv; do
  command -v "$tool" >/dev/null 2>&1 || skip "$tool is not installed"
done
smbd=""
for p in /usr/sbin/smbd /usr/local/sbin/smbd; do [ -x "$p" ] && smbd=$p && break; done
[ -n "$smbd" ] || skip "smbd is not installed"

ns=vtrcv$$
dir=$(mktemp -d "${TMPDIR:-/tmp}/vantor-rcv-XXXXXX")
chmod 755 "$dir"
bin=$dir/bin
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  for pid in $(ip netns pids "$ns" 2>/dev/null); do kill -9 "$pid" 2>/dev/null; done
  wait 2>/dev/null
  ip netns del "$ns" 2>/dev/null
  rm -rf "/etc/netns/$ns" "$dir"
}
trap cleanup EXIT

# The programs where the guest account and the test users may run them.
mkdir -p "$bin"
cp "$1" "$bin/vantor-deliver"
cp "$2" "$bin/vantor-receive"
cp "$4" "$bin/notify_recorder"
vantorc=$3
dump=$5
chmod 755 "$bin"/*

ip netns add "$ns" || skip "cannot create a network namespace"
ip -n "$ns" link set lo up
in_ns() { ip netns exec "$ns" "$@"; }

# Two users that exist only inside the namespace (ip netns exec mounts
# /etc/netns/NAME/passwd over /etc/passwd), with ids nobody else has.
uid=4200
free_uid() { while getent passwd "$uid" >/dev/null || getent group "$uid" >/dev/null; do uid=$((uid + 1)); done; }
free_uid; ann=$uid; uid=$((uid + 1))
free_uid; bob=$uid
mkdir -p "/etc/netns/$ns"
{ cat /etc/passwd; echo "vtann:x:$ann:$ann::$dir/vtann:/usr/sbin/nologin"; echo "vtbob:x:$bob:$bob::$dir/vtbob:/usr/sbin/nologin"; } \
  > "/etc/netns/$ns/passwd"
{ cat /etc/group; echo "vtann:x:$ann:"; echo "vtbob:x:$bob:"; } > "/etc/netns/$ns/group"
guest_uid=$(id -u nobody)
guest_gid=$(id -g nobody)

# smbd, first with the recipe that shows nobody anything; the set-up replaces it.
s=$dir/smbd
mkdir -p "$s"/{lock,state,cache,private,pid,ncalrpc} "$dir/log" "$dir/drop"
chmod 1777 "$dir/log" "$dir/drop"
cat > "$dir/smb.conf" <<EOF
[global]
  netbios name = RCVHOST
  workgroup = VANTORTEST
  server role = standalone server
  smb ports = 139
  interfaces = 127.0.0.1
  bind interfaces only = yes
  lock directory = $s/lock
  state directory = $s/state
  cache directory = $s/cache
  private dir = $s/private
  pid directory = $s/pid
  ncalrpc dir = $s/ncalrpc
  log file = $s/log.smbd
  load printers = no
  printcap name = /dev/null
  disable spoolss = yes
  map to guest = bad user
  message command = /bin/sh -c '/usr/bin/xmessage -file %s; rm %s' &
EOF
cp "$dir/smb.conf" "$dir/smb.conf.orig"
out=$(in_ns "$bin/vantor-receive" --setup --smb-conf="$dir/smb.conf" --spool="$dir/spool" \
  --helper="$bin/vantor-deliver" 2>&1)
rc=$?
expect "the set-up succeeds" 0 "$rc"
echo "$out" | grep -q "Warning: messages travel by SMB1" && ok "the set-up warns about SMB1" || bad "no SMB1 warning: $out"
grep -q "^;vantor-receive; *message command = /bin/sh" "$dir/smb.conf" && ok "the old message command is kept, commented out" ||
  bad "the old message command: $(cat "$dir/smb.conf")"
# The helper logs to the system log; here, to a file the checks can read.
sed -i "s|--file=%s|--log=$dir/log/deliver.log --file=%s|" "$dir/smb.conf"

printf 'message spool = %s\n' "$dir/spool" > "$dir/lan.conf"
printf '127.0.0.1 RCVHOST\n127.0.0.1 VTANN\n127.0.0.1 VTBOB\n127.0.0.1 HELPDESK\n' > "$dir/lmhosts"
printf 'netbios name = DESK\nsamba config =\ndirectory = no\nresolve order = lmhosts\nlmhosts file = %s\nreply timeout = 10\nmessage spool =\n' \
  "$dir/lmhosts" > "$dir/sender.conf"
chmod 644 "$dir/lan.conf"

in_ns "$smbd" --foreground --debug-stdout -s "$dir/smb.conf" > "$s/out" 2>&1 &
pids+=($!)
for _ in $(seq 150); do in_ns bash -c 'exec 3<>/dev/tcp/127.0.0.1/139' 2>/dev/null && break; sleep 0.1; done
in_ns bash -c 'exec 3<>/dev/tcp/127.0.0.1/139' 2>/dev/null || skip "smbd did not start: $(tail -3 "$s/out")"

as_user() {  # as_user UID COMMAND...: in the namespace, as that user, in that user's session
  local u=$1 home run=()
  shift
  home=$dir/$(in_ns getent passwd "$u" | cut -d: -f1)
  # Started in the background, the command takes the place of the subshell,
  # so that its process id is the one to stop.
  [ -n "${EXEC_USER:-}" ] && run=(exec)
  "${run[@]}" ip netns exec "$ns" setpriv --reuid="$u" --regid="$u" --clear-groups env -i PATH=/usr/bin:/bin HOME="$home" LC_ALL=C.UTF-8 \
    XDG_RUNTIME_DIR="$home/run" VANTOR_STORE="$home/store.db" VANTOR_LAN_CONF="$dir/lan.conf" \
    QT_QPA_PLATFORM=offscreen DBUS_SESSION_BUS_ADDRESS="unix:path=$home/bus" "$@"
}
declare -A receiver
start_session() {  # start_session NAME UID: the bus and the stand-in notification service
  local home=$dir/$1
  mkdir -p "$home/notes" "$home/run"
  chown -R "$2:$2" "$home"
  chmod 700 "$home" "$home/run"
  EXEC_USER=1 as_user "$2" dbus-daemon --session --address="unix:path=$home/bus" --nofork --nopidfile > "$home/dbus.log" 2>&1 &
  pids+=($!)
  for _ in $(seq 100); do [ -S "$home/bus" ] && break; sleep 0.05; done
  EXEC_USER=1 as_user "$2" "$bin/notify_recorder" "$home/notes" > "$home/recorder.log" 2>&1 &
  pids+=($!)
  for _ in $(seq 100); do [ -e "$home/notes/ready" ] && break; sleep 0.05; done
  [ -e "$home/notes/ready" ] || bad "$1's notification service did not start: $(cat "$home/recorder.log")"
}
start_receiver() {  # start_receiver NAME UID
  local home=$dir/$1
  : > "$home/receive.log"
  EXEC_USER=1 as_user "$2" "$bin/vantor-receive" >> "$home/receive.log" 2>&1 &
  receiver[$1]=$!
  pids+=($!)
  for _ in $(seq 200); do grep -q "receiving messages for $1" "$home/receive.log" && return 0; sleep 0.05; done
  bad "$1's receiver did not start: $(cat "$home/receive.log")"
}
stop_receiver() {
  kill "${receiver[$1]}" 2>/dev/null
  wait "${receiver[$1]}" 2>/dev/null
}
notes() { find "$dir/$1/notes" -name '*.body' | wc -l; }
wait_notes() {  # wait_notes NAME COUNT: until NAME has COUNT notifications (10 s at most)
  for _ in $(seq 200); do [ "$(notes "$1")" -ge "$2" ] && break; sleep 0.05; done
  expect "$1 has $2 notifications" "$2" "$(notes "$1")"
}
history() {  # history NAME: dumps NAME's history into $dir/NAME/history, prints the count
  rm -rf "$dir/$1/history"
  mkdir -p "$dir/$1/history"
  "$dump" "$dir/$1/store.db" "$dir/$1/history"
}
send() { in_ns env VANTOR_LAN="samba:$dir/sender.conf" "$vantorc" -f "$@" > /dev/null 2>&1; }

start_session vtann "$ann"
start_session vtbob "$bob"
start_receiver vtann "$ann"
start_receiver vtbob "$bob"
today=$(date +%Y-%m-%d)

# 1. From smbclient -M and from vantorc, letters beyond ASCII included.
text1='Grüße aus Köln, ½ Zoë'
printf '%s' "$text1" | in_ns smbclient -M vtann -I 127.0.0.1 -U alice -N > "$dir/smbclient.out" 2>&1
wait_notes vtann 1
send -u VTANN -m "Zweite Nachricht – Grüße" -m "Zeile zwei"
wait_notes vtann 2
n=$dir/vtann/notes
expect "smbclient's notification: summary" "Message from alice to vtann" "$(cat "$n/1.summary")"
expect "smbclient's notification: body" "$text1" "$(cat "$n/1.body")"
expect "vantorc's notification: summary" "Message from DESK to vtann" "$(cat "$n/2.summary")"
# The en dash is not in the DOS code page; the line break is one in the notification.
expect "vantorc's notification: body" "$(printf 'Zweite Nachricht ? Grüße\nZeile zwei')" "$(cat "$n/2.body")"
expect "vantorc's history" 2 "$(history vtann)"
h=$dir/vtann/history
printf '%s' "$text1" > "$dir/expected1"
# smbd writes each CR LF of the wire as LF.
printf 'Zweite Nachricht ? Grüße\nZeile zwei' > "$dir/expected2"
cmp -s "$dir/expected1" "$h/1.text" && ok "history: smbclient's text byte for byte" || bad "history text 1: $(od -c "$h/1.text")"
cmp -s "$dir/expected2" "$h/2.text" && ok "history: vantorc's text byte for byte" || bad "history text 2: $(od -c "$h/2.text")"
expect "history: sender and recipient" "alice vtann DESK vtann" "$(cat "$h/1.from") $(cat "$h/1.to") $(cat "$h/2.from") $(cat "$h/2.to")"
case "$(cat "$h/2.time")" in "$today"T*) ok "history: the time of arrival" ;; *) bad "history time: $(cat "$h/2.time")" ;; esac
expect "vtbob was not disturbed" 0 "$(notes vtbob)"
# Only the user and the guest account reach an inbox.
inbox_mode=$(stat -c "%a %u %g" "$dir/spool/inbox/$ann")
expect "ann's inbox" "1770 $ann $guest_gid" "$inbox_mode"

# 2. Aliases: registered for good, by their owner alone.
as_user "$ann" "$bin/vantor-receive" --add-name=HELPDESK || bad "ann cannot add an alias"
out=$(as_user "$bob" "$bin/vantor-receive" --remove-name=HELPDESK 2>&1)
expect "bob cannot remove ann's alias" 1 "$?"
out=$(as_user "$bob" "$bin/vantor-receive" --add-name=helpdesk 2>&1)
expect "bob cannot take ann's alias" 1 "$?"
as_user "$bob" "$bin/vantor-receive" --names | grep -q "^HELPDESK.alias of vtann" && ok "everyone sees the alias" ||
  bad "names: $(as_user "$bob" "$bin/vantor-receive" --names)"
send -u HELPDESK -m "for the help desk"
wait_notes vtann 3
expect "the alias reaches its owner" "for the help desk" "$(cat "$n/3.body")"

# 3. The computer's name reaches every logged-on user.
send -u RCVHOST -m "to everybody"
wait_notes vtann 4
wait_notes vtbob 1
expect "bob's message to the computer" "to everybody" "$(cat "$dir/vtbob/notes/1.body")"

# 4. A user who is not logged on gets the message at the next session, once.
stop_receiver vtbob
send -u VTBOB -m "while you were away"
send -u RCVHOST -m "only to those here"
wait_notes vtann 5
sleep 0.5
expect "nothing shows while bob is away" 1 "$(notes vtbob)"
grep -q 'to "vtbob" left for vtbob (not logged on)' "$dir/log/deliver.log" && ok "the helper keeps it for later" ||
  bad "deliver.log: $(cat "$dir/log/deliver.log")"
start_receiver vtbob "$bob"
wait_notes vtbob 2
expect "bob's next session shows it" "while you were away" "$(cat "$dir/vtbob/notes/2.body")"
stop_receiver vtbob
start_receiver vtbob "$bob"
sleep 0.5
expect "and only once" 2 "$(notes vtbob)"
expect "bob's history" 2 "$(history vtbob)"

# 5. Hostile input: through smbd, and straight to the helper as smbd runs it.
marker=$dir/marker
touch "$marker"
printf 'x' | in_ns smbclient -M vtann -I 127.0.0.1 -U "x\$(touch $dir/pwned)\`id\`;|&" -N > /dev/null 2>&1
wait_notes vtann 6
hostile() {  # hostile CONTENT ARGS...: runs the helper on a message file of CONTENT; prints its status
  local f
  f=$(mktemp "$dir/drop/msg.XXXXXX")
  printf '%b' "$1" > "$f"
  chown "$guest_uid:$guest_gid" "$f"
  shift
  in_ns setpriv --reuid="$guest_uid" --regid="$guest_gid" --clear-groups "$bin/vantor-deliver" --spool="$dir/spool" \
    --log="$dir/log/deliver.log" --file="$f" "$@" 2>/dev/null
  echo $?
  [ -e "$f" ] && bad "the message file $f was left behind"
}
expect "shell characters in the sender are only text" 0 \
  "$(hostile 'hi' "--from=\$(touch $dir/pwned)\`id\`" --to=vtann)"
expect "a path as recipient is refused" 1 "$(hostile 'hi' --from=A --to=../../../etc/passwd)"
expect "a very long recipient is refused" 1 "$(hostile 'hi' --from=A --to="$(printf 'R%.0s' $(seq 300))")"
expect "a very long sender is refused" 1 "$(hostile 'hi' --from="$(printf 'S%.0s' $(seq 300))" --to=vtann)"
expect "a 100 KB message is refused" 1 "$(hostile "$(head -c 102400 /dev/zero | tr '\0' 'x')" --from=A --to=vtann)"
expect "bytes that are no text are cleaned" 0 "$(hostile 'ok\xff\xfe\x01end' --from=A --to=vtann)"
wait_notes vtann 8
for why in "no user of this computer receives" "the recipient is longer than 64 bytes" \
  "the sender is longer than 64 bytes" "the message file holds more than 8192 bytes"; do
  grep -q "refused: $why" "$dir/log/deliver.log" && ok "logged: $why" || bad "no log line: $why"
done
[ ! -e "$dir/pwned" ] && ok "nothing ran" || bad "a command in a name ran"
expect "the cleaned text" "$(printf 'ok\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbdend')" "$(cat "$n/8.body")"
stray=$(find "$dir" -newer "$marker" -type f ! -path "$dir/vtann/*" ! -path "$dir/vtbob/*" ! -path "$dir/log/*" \
  ! -path "$dir/smbd/*" ! -path "$dir/spool/names/*")
expect "nothing written outside the spool" "" "$stray"

# 6. Turning receiving off gives smb.conf back.
sed -i "s| --log=$dir/log/deliver.log||" "$dir/smb.conf"
in_ns "$bin/vantor-receive" --remove --smb-conf="$dir/smb.conf" > /dev/null || bad "--remove failed"
cmp -s "$dir/smb.conf" "$dir/smb.conf.orig" && ok "--remove gives smb.conf back" || bad "smb.conf after --remove differs"

if [ "$failures" -gt 0 ]; then
  echo "$failures checks failed"
  echo "--- deliver.log"; cat "$dir/log/deliver.log" 2>/dev/null
  echo "--- vtann"; cat "$dir/vtann/receive.log"
  exit 1
fi
echo "passed"
