#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds, and runs every test: the optimised build
# with warnings as errors, then AddressSanitizer with UndefinedBehaviorSanitizer,
# then ThreadSanitizer over the tests labelled "threads", then each fuzz target
# for 30 s after replaying its seeds and regression inputs (scripts/fuzz.sh),
# then the Debian package (build/package/vantor_*.deb) checked with lintian and
# installed on this machine (tests/install/deb_install_test.sh: CI runs as root
# on a machine of its own), then the Windows programs cross-built with mingw-w64
# (build/mingw/src/console/vantorc.exe, build/mingw/src/store/vantor-reg.exe)
# and their tests under Wine.
#   scripts/test.sh            everything
#   scripts/test.sh --quick    the optimised build only
set -euo pipefail
cd "$(dirname "$0")/.."

quick=0
[ "${1:-}" = "--quick" ] && quick=1

scripts/install-deps.sh test
if [ "$quick" -eq 0 ]; then scripts/install-deps.sh windows; fi
# Samba is installed now: the tests that need smbd must run, not skip.
export VANTOR_REQUIRE_SMBD=1
# This run may install the package it builds with apt-get (and remove it
# again); the test skips without this, and when not root.
export VANTOR_INSTALL_DEB_TEST=1
jobs=$(nproc)

run() {
  local preset=$1
  echo "=== $preset: configure and build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  echo "=== $preset: tests"
  ctest --preset "$preset" -j "$jobs"
}

package() {
  echo "=== package: configure, build, make the .deb, lintian, install"
  cmake --preset package >/dev/null
  cmake --build --preset package -j "$jobs"
  rm -f build/package/vantor_*.deb
  cpack --preset package
  local deb
  deb=$(ls build/package/vantor_*.deb)
  tests/install/lintian_deb.sh "$deb"
  tests/install/deb_install_test.sh "$deb" examples/office.json || [ $? -eq 77 ]
}

run ci
if [ "$quick" -eq 0 ]; then
  package
  run asan
  run tsan
  scripts/fuzz.sh --seconds 30
  run mingw
fi
echo "=== all tests passed"
