#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian package on this machine as a user would
# (apt-get install ./vantor_*.deb), then runs the installed programs from
# /usr/bin: each one's --version is the package's version, and vantor starts
# under Xvfb, shows its main window with its help file found and Qt's SVG
# plugin loaded (without it every icon is blank), and ends on SIGTERM with
# status 0. The package is removed again unless it was installed before.
#
# It changes the machine, so it runs only as root and with
# VANTOR_INSTALL_DEB_TEST=1 (scripts/test.sh sets it: CI runs on a machine of
# its own); otherwise it is skipped with exit status 77.
#   deb_install_test.sh DEB NETWORK_JSON
set -euo pipefail

if [ "${VANTOR_INSTALL_DEB_TEST:-}" != 1 ] || [ "$(id -u)" -ne 0 ]; then
  echo "skipped: installing the package needs root and VANTOR_INSTALL_DEB_TEST=1"
  exit 77
fi
deb=$(realpath "$1")
network=$(realpath "$2")
for tool in xvfb-run xdotool; do
  command -v "$tool" >/dev/null || { echo "FAIL: $tool is missing (scripts/install-deps.sh test)" >&2; exit 1; }
done

apt_get() {
  DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 -y -qq "$@"
}
installed_before=0
if dpkg-query -W -f='${Status}' vantor 2>/dev/null | grep -q "install ok installed"; then installed_before=1; fi

work=$(mktemp -d)
cleanup() {
  rm -rf "$work"
  if [ "$installed_before" -eq 0 ]; then apt_get purge vantor >/dev/null 2>&1 || true; fi
}
trap cleanup EXIT

apt_get install --no-install-recommends "$deb" >"$work/apt.log" 2>&1 || { cat "$work/apt.log" >&2; exit 1; }
version=$(dpkg-query -W -f='${Version}' vantor)
echo "installed vantor $version"

failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

for program in vantorc vantor-reg vantor; do
  [ "$(command -v "$program")" = "/usr/bin/$program" ] || fail "$program is not found as /usr/bin/$program"
  out=$(env -u DISPLAY "/usr/bin/$program" --version | tr -d '\r') || fail "$program --version failed"
  [ "$out" = "$program ${version%%-*}" ] || fail "$program --version printed '$out', the package is $version"
done

# vantor under Xvfb, on a private store and a simulated network.
run=$work/run
mkdir -m 0700 "$run"
cp "$network" "$run/net.json"
cat >"$work/session.sh" <<'SESSION'
set -u
run=$1
QT_DEBUG_PLUGINS=1 XDG_RUNTIME_DIR="$run" XDG_CONFIG_HOME="$run" HOME="$run" VANTOR_LAN="sim:$run/net.json" \
  VANTOR_STORE="$run/store.db" /usr/bin/vantor 2>"$run/stderr.txt" &
pid=$!
shown=0
for _ in $(seq 200); do
  if xdotool search --onlyvisible --name '^Vantor$' >/dev/null 2>&1; then shown=1; break; fi
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
echo "$shown" >"$run/shown"
kill -TERM "$pid" 2>/dev/null
for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
kill -KILL "$pid" 2>/dev/null && echo killed >"$run/killed"
wait "$pid"
echo "$?" >"$run/status"
SESSION
# A display number of its own, away from other runs of xvfb-run -a that may
# race for the first free one; once more should it still be taken.
for _ in 1 2; do
  xvfb-run -n $((200 + RANDOM % 700)) -a -s "-screen 0 1024x768x24" bash "$work/session.sh" "$run" || true
  grep -q 'could not connect to display' "$run/stderr.txt" 2>/dev/null || break
done

[ "$(cat "$run/shown" 2>/dev/null)" = 1 ] || fail "the main window of /usr/bin/vantor did not show"
[ ! -e "$run/killed" ] || fail "vantor did not end on SIGTERM"
[ "$(cat "$run/status" 2>/dev/null)" = 0 ] || fail "vantor ended with status $(cat "$run/status" 2>/dev/null)"
grep -q 'imageformats/libqsvg\.so" loaded library' "$run/stderr.txt" ||
  fail "Qt's SVG image plugin was not loaded: the icons would be blank"
if grep '^vantor:' "$run/stderr.txt" >&2; then fail "vantor reported errors (above)"; fi

if [ "$failures" -ne 0 ]; then
  echo "--- vantor's standard error:" >&2
  # Without the plugin loader's trace (QT_DEBUG_PLUGINS).
  grep -v '^qt\.core\|^[[:space:]{}"]\|^$' "$run/stderr.txt" >&2 || true
  exit 1
fi
echo "package install: all checks passed"
