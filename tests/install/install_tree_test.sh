#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs a build into a staging folder (cmake --install --prefix) and checks
# the tree as a distribution would: the files in their FHS places, the manual
# pages render without warnings and every reference they make to an installed
# file or to another of our pages holds, the desktop entry and the AppStream
# metainfo validate, and the installed windowed program finds its help file in
# the data folder (and, as a control, complains when it is not there).
#   install_tree_test.sh BUILD_DIR NETWORK_JSON
# Exit status 77 (skipped) when a checking tool is missing.
set -euo pipefail

build=$1
network=$2

for tool in man desktop-file-validate appstreamcli; do
  if ! command -v "$tool" >/dev/null; then
    echo "skipped: $tool is not installed (scripts/install-deps.sh test)"
    exit 77
  fi
done

work=$(mktemp -d)
vantor_pid=
cleanup() {
  if [ -n "$vantor_pid" ]; then kill -KILL "$vantor_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
stage=$work/stage
cmake --install "$build" --prefix "$stage" >"$work/install.log"

failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

gui=0
[ -e "$stage/bin/vantor" ] && gui=1

# --- The files and their places.
expect_exec=(bin/vantorc bin/vantor-reg)
expect_file=(share/man/man1/vantorc.1.gz share/man/man1/vantor-reg.1.gz share/man/man5/lan.conf.5.gz
             share/doc/vantor/copyright share/doc/vantor/changelog.gz share/doc/vantor/vantorc_readme.txt)
if [ "$gui" -eq 1 ]; then
  expect_exec+=(bin/vantor)
  expect_file+=(share/man/man1/vantor.1.gz share/vantor/vantor.HLP share/applications/org.vantor.Vantor.desktop
                share/metainfo/org.vantor.Vantor.metainfo.xml share/icons/hicolor/scalable/apps/vantor.svg)
fi
for f in "${expect_exec[@]}"; do [ -x "$stage/$f" ] || fail "$f is not an installed program"; done
for f in "${expect_file[@]}"; do [ -f "$stage/$f" ] || fail "$f is not installed"; done
# Only programs in bin; documentation in the lower-case folder only.
while IFS= read -r -d '' f; do
  [ -x "$f" ] || fail "${f#"$stage"/} is in bin but is not a program"
done < <(find "$stage/bin" -type f -print0)
for d in "$stage"/share/doc/*; do
  [ "$(basename "$d")" = vantor ] || fail "documentation folder ${d#"$stage"/} besides share/doc/vantor"
done
cmp -s <(sed -n '1,/^License: GPL-3+$/p' "$stage/share/doc/vantor/copyright" | head -1) \
  <(echo "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/") ||
  fail "the copyright file is not in the machine-readable format"

# --- Manual pages: no warnings at 80 columns; each page they name that is
# ours is installed, and each installed path they name is in the tree.
pages=("$stage"/share/man/man*/*.gz)
for page in "${pages[@]}"; do
  name=${page#"$stage"/}
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >"$work/page.utf8") || fail "$name: man failed"
  sed 's/\xe2\x80\x90/-/g' "$work/page.utf8" >"$work/page.txt"  # the hyphens groff makes of "-"
  [ -z "$warnings" ] || fail "$name renders with warnings: $warnings"
  [ -s "$work/page.txt" ] || fail "$name renders empty"
  # References as they render ("vantor(1)") and as plain paths.
  for ref in $(grep -oE '\b(vantor[a-z-]*|lan\.conf)\([0-9]\)' "$work/page.txt" | sort -u); do
    section=${ref##*(}
    section=${section%)}
    [ -f "$stage/share/man/man$section/${ref%(*}.$section.gz" ] || fail "$name refers to $ref, which is not installed"
  done
  for path in $(grep -oE '/usr/(share|bin|libexec)/[A-Za-z0-9_./-]*[A-Za-z0-9_]' "$work/page.txt" | sort -u); do
    [ -e "$stage/${path#/usr/}" ] || fail "$name refers to $path, which is not installed"
  done
done

# --- Desktop entry, icon and metainfo.
if [ "$gui" -eq 1 ]; then
  desktop=$stage/share/applications/org.vantor.Vantor.desktop
  desktop-file-validate "$desktop" || fail "the desktop file does not validate"
  appstreamcli validate --no-net "$stage/share/metainfo/org.vantor.Vantor.metainfo.xml" >"$work/appstream.log" 2>&1 ||
    fail "the metainfo does not validate: $(cat "$work/appstream.log")"
  exec_name=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
  [ -x "$stage/bin/$exec_name" ] || fail "the desktop file starts $exec_name, which is not in bin"
  icon=$(sed -n 's/^Icon=//p' "$desktop")
  compgen -G "$stage/share/icons/hicolor/*/apps/$icon.*" >/dev/null || fail "the icon $icon is not in the hicolor theme"
fi

# --- The installed program finds its help file. A parameter it refuses makes
# it say so on standard error after the help file check, which would have
# spoken first; SIGTERM then closes the box.
first_error() {  # PREFIX: the first line vantor writes to standard error
  local prefix=$1 err=$work/stderr.txt
  local run=$work/run
  rm -rf "$run" && mkdir -m 0700 "$run"
  cp "$network" "$run/net.json"
  : >"$err"
  env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$run" XDG_CONFIG_HOME="$run" \
    VANTOR_LAN="sim:$run/net.json" VANTOR_STORE="$run/store.db" \
    "$prefix/bin/vantor" /NO-SUCH-PARAMETER 2>"$err" &
  vantor_pid=$!
  for _ in $(seq 200); do
    [ -s "$err" ] && break
    sleep 0.1
  done
  kill -TERM "$vantor_pid" 2>/dev/null || true
  for _ in $(seq 50); do
    kill -0 "$vantor_pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -KILL "$vantor_pid" 2>/dev/null || true
  wait "$vantor_pid" 2>/dev/null || true
  vantor_pid=
  head -1 "$err"
}

if [ "$gui" -eq 1 ]; then
  line=$(first_error "$stage")
  case "$line" in
    *'"/NO-SUCH-PARAMETER" is not a valid parameter'*) ;;
    *) fail "the installed vantor did not find its help file in share/vantor: '$line'" ;;
  esac
  # The control: the same tree without the help file.
  cp -a "$stage" "$work/nohelp"
  rm "$work/nohelp/share/vantor/vantor.HLP"
  line=$(first_error "$work/nohelp")
  case "$line" in
    *'Help file'*'not found'*) ;;
    *) fail "vantor without its help file did not say so: '$line'" ;;
  esac
fi

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed; the tree:" >&2
  (cd "$stage" && find . | sort) >&2
  exit 1
fi
echo "install tree: all checks passed ($(cd "$stage" && find . -type f | wc -l) files)"
