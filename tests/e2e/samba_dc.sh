#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The samba backend's directory against a real Samba AD domain controller,
# provisioned here in a private network namespace; the programs run in a
# second namespace joined to it by a veth pair. Nothing reaches the host's
# interfaces: both namespaces have only the pair and loopback, and each has
# its own hosts, resolv.conf, krb5.conf and smb.conf (/etc/netns/NAME).
#   samba_dc.sh DIR_TOOL [VANTORC]              the tests
#   samba_dc.sh --bench USERS DIR_TOOL VANTORC  listing USERS users: vantorc
#                                               against samba-tool, alternating
# Needs root, ip, and Samba's AD packages. Exits 77 (skipped) when one is
# missing, unless VANTOR_REQUIRE_SMBD is set; then that is a failure.
set -u

bench=0
users=1100  # more than one display batch (1000)
if [ "${1:-}" = "--bench" ]; then
  bench=1
  users=$2
  shift 2
fi
dir_tool=$1
vantorc=${2:-}
gui_check=${3:-}    # the windowed program's check (vantor_dc_check) and
gui_picture=${4:-}  # where it puts its picture of Net Items

. "$(dirname "$0")/skip.sh"
failures=0
check() {  # check NAME: reports the last command's outcome
  if [ "$1" = ok ]; then echo "ok: $2"; else echo "FAILED: $2"; failures=$((failures + 1)); fi
}

[ "$(id -u)" = 0 ] || skip "network namespaces need root"
for tool in ip samba samba-tool smbclient kinit; do
  command -v "$tool" >/dev/null 2>&1 || skip "$tool is not installed"
done
[ -d /usr/share/samba/setup ] || skip "samba-ad-provision is not installed"
python=/usr/bin/python3  # Samba's Python modules belong to the system's Python

id=$$
dcns=vtdc$id
clns=vtcl$id
net=10.$((200 + RANDOM % 50)).$((RANDOM % 250))
dcip=$net.1
clip=$net.2
deadip=$net.77  # in the namespace's network, held by nobody
dir=$(mktemp -d "${TMPDIR:-/tmp}/vantor-dc-XXXXXX")
samba_pid=""
session_pid=""

cleanup() {
  [ -n "$session_pid" ] && kill "$session_pid" 2>/dev/null
  if [ -n "$samba_pid" ]; then
    kill "$samba_pid" 2>/dev/null
    for _ in $(seq 100); do kill -0 "$samba_pid" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$samba_pid" 2>/dev/null
  fi
  # Whatever the controller started inside its namespace ends with it.
  for ns in "$dcns" "$clns"; do
    for pid in $(ip netns pids "$ns" 2>/dev/null); do kill -9 "$pid" 2>/dev/null; done
    ip netns del "$ns" 2>/dev/null
    rm -rf "/etc/netns/$ns"
  done
  wait 2>/dev/null
  rm -rf "$dir"
}
trap cleanup EXIT

ip netns add "$dcns" && ip netns add "$clns" || skip "cannot create network namespaces"
ip -n "$dcns" link set lo up
ip -n "$clns" link set lo up
ip -n "$dcns" link add vt0 type veth peer name vt1 netns "$clns" || skip "cannot create a veth pair"
ip -n "$dcns" addr add "$dcip/24" dev vt0
ip -n "$clns" addr add "$clip/24" dev vt1
ip -n "$dcns" link set vt0 up
ip -n "$clns" link set vt1 up

for ns in "$dcns" "$clns"; do
  mkdir -p "/etc/netns/$ns/samba"
  printf '127.0.0.1 localhost\n%s dc1.vtest.lan dc1\n%s client1.vtest.lan client1\n' "$dcip" "$clip" \
    > "/etc/netns/$ns/hosts"
  printf 'nameserver %s\n' "$dcip" > "/etc/netns/$ns/resolv.conf"
done
printf '[libdefaults]\n  default_realm = VTEST.LAN\n  dns_lookup_kdc = false\n[realms]\n  VTEST.LAN = {\n    kdc = %s\n  }\n' \
  "$dcip" > "$dir/krb5.conf"
export KRB5_CONFIG=$dir/krb5.conf
cl=$dir/client
mkdir -p "$cl"/{lock,state,cache,private,pid,ncalrpc}
# The client's own Samba settings, which Samba's client libraries read; its
# caches are its own, so that nothing the host's Samba knows leaks in.
cat > "/etc/netns/$clns/samba/smb.conf" <<EOF
[global]
  workgroup = VTEST
  realm = VTEST.LAN
  netbios name = CLIENT1
  security = ads
  name resolve order = host
  interfaces = $clip/24
  bind interfaces only = yes
  lock directory = $cl/lock
  state directory = $cl/state
  cache directory = $cl/cache
  private dir = $cl/private
  pid directory = $cl/pid
  ncalrpc dir = $cl/ncalrpc
EOF

t0=$(date +%s.%N)
dc=$dir/dc
in_dc() { ip netns exec "$dcns" "$@"; }
in_cl() { ip netns exec "$clns" "$@"; }
in_dc samba-tool domain provision --realm=VTEST.LAN --domain=VTEST --server-role=dc \
  --dns-backend=SAMBA_INTERNAL --adminpass='Adm1n-Pass!' --host-name=DC1 --host-ip="$dcip" \
  --targetdir="$dc" --option="interfaces=$dcip" --option="bind interfaces only=yes" \
  --option="dns forwarder=127.0.0.1" -s /dev/null > "$dir/provision.log" 2>&1 ||
  { tail -20 "$dir/provision.log"; skip "the domain cannot be provisioned"; }
mkdir -p "$dc/pid" "$dc/ncalrpc" "$dc/ntp_signd"
chmod 750 "$dc/ntp_signd"
# Every directory of its own, so that it shares nothing with a Samba of the host.
sed -i "/\[global\]/a\\	pid directory = $dc/pid\n\tncalrpc dir = $dc/ncalrpc\n\tntp signd socket directory = $dc/ntp_signd\n\tlog file = $dc/log.%m" \
  "$dc/etc/smb.conf"
"$python" "$(dirname "$0")/dc_accounts.py" "$dc/etc/smb.conf" "$users" > "$dir/accounts.log" 2>&1 ||
  { cat "$dir/accounts.log"; echo "FAILED: accounts"; exit 1; }
# Its own /run/samba too (winbind's socket is there), in the mount namespace of ip netns exec.
setsid ip netns exec "$dcns" sh -c "mount -t tmpfs none /run/samba && exec samba --foreground -s $dc/etc/smb.conf" \
  > "$dir/samba.log" 2>&1 &
samba_pid=$!

admin=$dir/admin.cred
printf 'username = VTEST\\Administrator\npassword = Adm1n-Pass!\n' > "$admin"
plain=$dir/user.cred
printf 'username = user0003\npassword = Passw0rd!0003\ndomain = VTEST\n' > "$plain"
wrong=$dir/wrong.cred
printf 'username = VTEST\\Administrator\npassword = not-the-password\n' > "$wrong"
chmod 600 "$admin" "$plain" "$wrong"
conf() {  # conf NAME [CREDENTIALS]: a lan.conf
  { echo "netbios name = CLIENT1"; echo "directory timeout = 6"
    [ -n "${2:-}" ] && echo "credentials file = $2"; } > "$dir/$1.conf"
}
conf admin "$admin"
conf plain "$plain"
conf wrong "$wrong"
conf ticket
as() { local c=$1; shift; in_cl env VANTOR_LAN="samba:$dir/$c.conf" "$@"; }

listening() { in_dc ss -ltn | grep -q "$dcip:$1 "; }
for _ in $(seq 720); do  # on a busy machine its DNS server can take a minute or two
  listening 445 && listening 389 && listening 88 && listening 53 && break
  kill -0 "$samba_pid" 2>/dev/null || break
  sleep 0.25
done
ready=0
for _ in $(seq 60); do
  if as admin "$dir_tool" dc > "$dir/dc.out" 2>&1; then ready=1; break; fi
  kill -0 "$samba_pid" 2>/dev/null || break
  sleep 0.5
done
[ "$ready" = 1 ] || { tail -30 "$dir/samba.log"; cat "$dir/dc.out"; echo "FAILED: the controller did not answer"; exit 1; }
echo "controller ready in $(awk -v a="$t0" -v b="$(date +%s.%N)" 'BEGIN { printf "%.1f", b - a }') s (provisioned, $users users added, started)"

sorted() { tr -d '\r' | sed '/^$/d' | LC_ALL=C sort; }
samba_list() { in_dc samba-tool "$@" -s "$dc/etc/smb.conf" 2>/dev/null | sorted; }

if [ "$bench" = 1 ]; then
  # Median of 5 runs each, the two sides alternating, both over the network.
  for i in 1 2 3 4 5; do
    s=$(date +%s%N); as admin "$vantorc" -f -b -su > "$dir/ours.out"; e=$(date +%s%N)
    echo $(((e - s) / 1000000)) >> "$dir/ours.ms"
    s=$(date +%s%N)
    in_cl samba-tool user list -H ldap://dc1.vtest.lan -U 'VTEST\Administrator%Adm1n-Pass!' > "$dir/theirs.out" 2>/dev/null
    e=$(date +%s%N)
    echo $(((e - s) / 1000000)) >> "$dir/theirs.ms"
  done
  ours=$(sort -n "$dir/ours.ms" | sed -n 3p)
  theirs=$(sort -n "$dir/theirs.ms" | sed -n 3p)
  echo "users listed: vantorc $(sorted < "$dir/ours.out" | wc -l), samba-tool $(sorted < "$dir/theirs.out" | wc -l)"
  echo "median ms: vantorc -f -b -su $ours, samba-tool user list -H ldap:// $theirs"
  echo "ratio (vantorc / samba-tool): $(awk -v a="$ours" -v b="$theirs" 'BEGIN { printf "%.2f", a / b }')"
  exit 0
fi

# --- the controller's name
grep -qx '\\\\DC1' "$dir/dc.out"
check $([ $? = 0 ] && echo ok || echo no) "the controller of VTEST is DC1 ($(tr '\n' ' ' < "$dir/dc.out"))"

# --- the windowed program's Net Items, refreshed from the controller
if [ -n "$gui_check" ]; then
  mkdir -p "$(dirname "$gui_picture")" "$dir/xdg" && chmod 700 "$dir/xdg"
  total=$(samba_list user list | wc -l)
  as admin env QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$dir/xdg" VANTOR_STORE="$dir/gui.db" \
    "$gui_check" "$total" Staff "$gui_picture" > "$dir/gui.out" 2>/dev/null
  while read -r verdict what; do check "$verdict" "vantor: $what"; done < "$dir/gui.out"
fi

# --- users, groups, computers as samba-tool lists them
if [ -n "$vantorc" ]; then
  as admin "$vantorc" -f -b -su | sorted > "$dir/users.ours"
  samba_list user list > "$dir/users.theirs"
  n=$(wc -l < "$dir/users.ours")
  cmp -s "$dir/users.ours" "$dir/users.theirs" && [ "$n" -gt 1000 ] && [ "$(uniq "$dir/users.ours" | wc -l)" = "$n" ]
  check $([ $? = 0 ] && echo ok || echo no) "vantorc -su lists the $n users samba-tool lists, over more than one batch"
  # The display query lists the domain's global and universal groups;
  # samba-tool lists the domain-local and builtin ones too.
  as admin "$vantorc" -f -b -sg | sorted > "$dir/groups.ours"
  samba_list group list > "$dir/groups.theirs"
  [ -z "$(LC_ALL=C comm -23 "$dir/groups.ours" "$dir/groups.theirs")" ] && [ "$(uniq "$dir/groups.ours" | wc -l)" = "$(wc -l < "$dir/groups.ours")" ] &&
    grep -qx Staff "$dir/groups.ours" && grep -qx Sales "$dir/groups.ours" && grep -qx 'Domain Users' "$dir/groups.ours" &&
    ! grep -qx Administrators "$dir/groups.ours"
  check $([ $? = 0 ] && echo ok || echo no) "vantorc -sg lists the domain's groups as samba-tool does, once each"
  as admin "$vantorc" -f -b -sp | sorted > "$dir/computers.ours"
  samba_list computer list | sed 's/\$$//' > "$dir/computers.theirs"
  cmp -s "$dir/computers.ours" "$dir/computers.theirs"
  check $([ $? = 0 ] && echo ok || echo no) "vantorc -sp lists the computers samba-tool lists ($(tr '\n' ' ' < "$dir/computers.ours"))"
  as admin "$vantorc" -f -b -sd | sorted > "$dir/domains.ours"
  [ "$(cat "$dir/domains.ours")" = VTEST ]
  check $([ $? = 0 ] && echo ok || echo no) "vantorc -sd lists the own domain and no trusts"
  # Group members, a computer account among them, as a test-mode send reports them.
  as admin "$vantorc" -f -t -v -g Staff -m hi | tr -d '\r' | sed -n 's/^Message to Staff: \(.*\) succeeded\..*/\1/p' |
    LC_ALL=C sort > "$dir/staff.ours"
  samba_list group listmembers Staff | sed 's/\$$//' > "$dir/staff.theirs"
  cmp -s "$dir/staff.ours" "$dir/staff.theirs" && grep -qx PC7 "$dir/staff.ours"
  check $([ $? = 0 ] && echo ok || echo no) "the members of Staff, PC7 without its \$, are sent to"
fi

# --- a continued display query loses and repeats nothing, also from several threads at once
as admin "$dir_tool" --batch 37 --threads 3 users | sorted > "$dir/users.small"
samba_list user list > "$dir/users.theirs"
cmp -s "$dir/users.small" "$dir/users.theirs"
check $([ $? = 0 ] && echo ok || echo no) "batches of 37 users on 3 threads give every user once"

out=$(as plain "$dir_tool" fullname user0005)
[ "$out" = "Given5 Family | test account 5" ]
check $([ $? = 0 ] && echo ok || echo no) "full name and comment of a user, as a plain user ($out)"

# --- the session of a connected client
( sleep 30; echo quit ) | in_cl smbclient //dc1/netlogon -U 'VTEST\user0007%Passw0rd!0007' > "$dir/session.log" 2>&1 &
session_pid=$!
found=0
for _ in $(seq 20); do
  as admin "$dir_tool" sessions DC1 > "$dir/sessions.out" 2>&1
  if grep -qi '^user0007@' "$dir/sessions.out"; then found=1; break; fi
  sleep 0.5
done
check $([ "$found" = 1 ] && echo ok || echo no) "the session of user0007 is listed ($(tr '\n' ' ' < "$dir/sessions.out"))"
if [ -n "$vantorc" ]; then
  as admin "$vantorc" -qs DC1 -sa -b | sorted > "$dir/active.out"
  grep -qix user0007 "$dir/active.out"
  check $([ $? = 0 ] && echo ok || echo no) "vantorc -qs DC1 -sa lists user0007 as active"
fi
out=$(as plain "$dir_tool" sessions DC1)
[ "$out" = "error 5: Access was refused." ]
check $([ $? = 0 ] && echo ok || echo no) "a plain user may not list sessions ($out)"
kill "$session_pid" 2>/dev/null
session_pid=""

# --- failures: clear, and within the time-out
s=$(date +%s)
out=$(as wrong "$dir_tool" users)
[ "$out" = "error 1326: The user name or the password is wrong." ] && [ $(($(date +%s) - s)) -le 8 ]
check $([ $? = 0 ] && echo ok || echo no) "a wrong password ($out)"
chmod 644 "$plain"
out=$(as plain "$dir_tool" users)
echo "$out" | grep -q "other users may read it" && ! echo "$out" | grep -q Passw0rd
check $([ $? = 0 ] && echo ok || echo no) "a credentials file others may read is refused ($out)"
if [ -n "$vantorc" ]; then
  out=$(as plain "$vantorc" -f -su)
  status=$?
  out=$(echo "$out" | tr -d '\r')
  echo "$out" | grep -q "chmod 600" && [ "$status" != 0 ]
  check $([ $? = 0 ] && echo ok || echo no) "vantorc refuses it too (status $status)"
fi
chmod 600 "$plain"
s=$(date +%s)
out=$(as admin "$dir_tool" --server "$deadip" users)
case "$out" in "error 1232:"*|"error 1460:"*) true ;; *) false ;; esac && [ $(($(date +%s) - s)) -le 15 ]
check $([ $? = 0 ] && echo ok || echo no) "an unreachable controller ($out, $(($(date +%s) - s)) s)"
s=$(date +%s%N)
out=$(as admin "$dir_tool" --cancel-after 300 --server "$deadip" users)
ms=$((($(date +%s%N) - s) / 1000000))
[ "$out" = "error 1223: The user cancelled the operation." ] && [ "$ms" -lt 2500 ]
check $([ $? = 0 ] && echo ok || echo no) "a call waiting on the network is cancelled at once ($ms ms)"

# --- the user's Kerberos ticket, no credentials file
export KRB5CCNAME=FILE:$dir/ccache
echo 'Passw0rd!0004' | in_cl kinit user0004@VTEST.LAN > "$dir/kinit.log" 2>&1
check $([ $? = 0 ] && echo ok || echo no) "kinit user0004"
as ticket "$dir_tool" groups | grep -qx Staff
check $([ $? = 0 ] && echo ok || echo no) "groups listed with the Kerberos ticket alone"
unset KRB5CCNAME

echo "total $(awk -v a="$t0" -v b="$(date +%s.%N)" 'BEGIN { printf "%.1f", b - a }') s"
echo "$failures checks failed"
[ "$failures" = 0 ]
