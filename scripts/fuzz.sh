#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the fuzz targets of tests/fuzz (the fuzz preset: Clang, libFuzzer,
# AddressSanitizer and UndefinedBehaviorSanitizer), replays each target's
# seeds and regression inputs, then fuzzes each target for a while.
#   scripts/fuzz.sh                          every target, 30 s each (CI)
#   scripts/fuzz.sh --seconds 600            a longer run
#   scripts/fuzz.sh --seconds 600 reg_script store_file
# Targets run side by side, one per core (VANTOR_FUZZ_JOBS=N for N at a time). What a run learns stays in
# build/fuzz/corpus/TARGET for the next run; an input that fails is written
# to build/fuzz/findings/ (keep it in tests/fuzz/TARGET/regressions once the
# fault is mended). Logs: build/fuzz/logs/TARGET.log.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=30
targets=()
while [ $# -gt 0 ]; do
  case "$1" in
    --seconds) seconds="$2"; shift 2 ;;
    -h|--help) sed -n '3,12p' "$0"; exit 0 ;;
    *) targets+=("$1"); shift ;;
  esac
done
if [ ${#targets[@]} -eq 0 ]; then
  targets=(network_file reg_script store_file store_values console_command_line lan_settings samba_replies
           message_session)
fi
jobs=${VANTOR_FUZZ_JOBS:-$(nproc)}
out=build/fuzz
bin=$out/tests/fuzz

echo "=== fuzz: configure and build"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$jobs"

mkdir -p "$out/logs" "$out/findings"
# The targets' scratch files (stores, settings) go to memory where it can.
scratch_base=/tmp
[ -w /dev/shm ] && scratch_base=/dev/shm
export TMPDIR
TMPDIR=$(mktemp -d "$scratch_base/vantor-fuzz.XXXXXX")
trap 'rm -rf "$TMPDIR"' EXIT
export ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

# Every target also runs in a network namespace of its own where the system
# allows one: only its loopback exists there. (The targets refuse every
# address but their own loopback peer in any case.)
isolate=()
if command -v unshare >/dev/null && command -v ip >/dev/null &&
   unshare -rn sh -c 'ip link set lo up' 2>/dev/null; then
  isolate=(unshare -rn sh -c 'ip link set lo up && exec "$@"' isolated)
fi

# replay TARGET: every seed and regression input once.
replay() {
  local t=$1 inputs=()
  for f in tests/fuzz/"$t"/seeds/* tests/fuzz/"$t"/regressions/*; do
    [ -f "$f" ] && inputs+=("$f")
  done
  [ ${#inputs[@]} -eq 0 ] && return 0
  "${isolate[@]}" "$bin/fuzz_$t" -runs=1 -timeout=30 "${inputs[@]}" >"$out/logs/$t.replay.log" 2>&1
}

# fuzz TARGET: seconds of fuzzing from the kept corpus and the seeds (the
# regression inputs were replayed already; some are slow on purpose, such as
# a key 512 levels deep, and would slow every mutation of them); new inputs
# go to the kept corpus only. An input that takes 30 s counts as a hang:
# under the sanitizers on a busy machine that deep key takes a few seconds.
fuzz() {
  local t=$1 dirs=() dict=()
  mkdir -p "$out/corpus/$t"
  [ -d "tests/fuzz/$t/seeds" ] && dirs+=("tests/fuzz/$t/seeds")
  [ -f "tests/fuzz/$t.dict" ] && dict=(-dict="tests/fuzz/$t.dict")
  "${isolate[@]}" "$bin/fuzz_$t" -max_total_time="$seconds" -timeout=30 -rss_limit_mb=2560 \
    -print_final_stats=1 -artifact_prefix="$out/findings/$t-" "${dict[@]}" \
    "$out/corpus/$t" "${dirs[@]}" >"$out/logs/$t.log" 2>&1
}

run_one() {
  local t=$1
  if ! replay "$t"; then
    echo "FAIL $t: a seed or regression input fails (see $out/logs/$t.replay.log)"
    return 1
  fi
  if ! fuzz "$t"; then
    echo "FAIL $t: a finding after fuzzing (see $out/logs/$t.log and $out/findings/)"
    return 1
  fi
  local runs cov
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$out/logs/$t.log")
  cov=$(grep -ao 'cov: [0-9]* ft: [0-9]*' "$out/logs/$t.log" | tail -1)
  echo "ok   $t: $runs runs, $cov"
}

echo "=== fuzz: ${#targets[@]} targets, $seconds s each, $jobs at a time"
start=$SECONDS
failed=0
running=0
for t in "${targets[@]}"; do
  [ -x "$bin/fuzz_$t" ] || { echo "no such fuzz target: $t"; exit 2; }
  run_one "$t" &
  running=$((running + 1))
  if [ "$running" -ge "$jobs" ]; then
    wait -n || failed=1
    running=$((running - 1))
  fi
done
while [ "$running" -gt 0 ]; do
  wait -n || failed=1
  running=$((running - 1))
done
echo "=== fuzz: $((SECONDS - start)) s"
if [ "$failed" -ne 0 ]; then
  echo "=== fuzz: FAILED"
  exit 1
fi
echo "=== fuzz: no findings"
