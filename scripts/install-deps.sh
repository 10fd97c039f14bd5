#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian packages the project needs, when they are missing.
#   scripts/install-deps.sh [build|test|windows|demo|all]
#   build:   compilers, CMake, libraries (the default)
#   test:    build + what the tests use (Samba for the wire tests and a domain
#            controller, Kerberos tools, Xvfb, Clang and its libFuzzer runtime
#            for the fuzz targets, a D-Bus session bus for the receiving
#            test, the tools that check the installed tree and make and check
#            the Debian package)
#   windows: build + the mingw-w64 cross compiler and Wine, for the Windows
#            programs and their tests (about 1 GB on disk)
#   demo:    build + what the screenshot script uses
set -euo pipefail

what="${1:-build}"
build_pkgs=(g++ cmake ninja-build pkg-config libsqlite3-dev sqlite3 nlohmann-json3-dev rapidjson-dev
            libgtest-dev libgmock-dev libbenchmark-dev
            qt6-base-dev qt6-base-dev-tools libqt6test6 libqt6svg6 qt6-svg-dev samba-dev)
test_pkgs=(xvfb xauth x11-utils xdotool trayer samba smbclient clang libclang-rt-14-dev samba-ad-dc samba-ad-provision
           krb5-user iproute2 dbus-daemon
           man-db groff-base desktop-file-utils appstream dpkg-dev fakeroot lintian)
demo_pkgs=(xvfb xauth trayer imagemagick fonts-liberation2)
# Wine from Debian runs the 64-bit .exe files without a display; iproute2 and
# util-linux (unshare) keep it off the network.
windows_pkgs=(g++-mingw-w64-x86-64-posix wine wine64 iproute2 util-linux)

pkgs=("${build_pkgs[@]}")
case "$what" in
  build) ;;
  test) pkgs+=("${test_pkgs[@]}") ;;
  windows) pkgs+=("${windows_pkgs[@]}") ;;
  demo) pkgs+=("${demo_pkgs[@]}") ;;
  all) pkgs+=("${test_pkgs[@]}" "${windows_pkgs[@]}" "${demo_pkgs[@]}") ;;
  *) echo "usage: $0 [build|test|windows|demo|all]" >&2; exit 2 ;;
esac

missing=()
for p in "${pkgs[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: all packages present"
  exit 0
fi

echo "install-deps: installing ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get -o DPkg::Lock::Timeout=600 update -qq
"${sudo_cmd[@]}" apt-get -o DPkg::Lock::Timeout=600 install -y -qq --no-install-recommends "${missing[@]}"
