#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The windowed program's start, as the user has it: a whole process from its
# start to its main window on the screen, with a store holding 1,000 saved
# messages and 200 lists against an empty store, the two alternating, under
# Xvfb. Prints the median of each and their ratio.
#   bench/startup_bench.sh [BUILD_DIR] [ROUNDS]     (default build/ci, 10 rounds)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/ci}
rounds=${2:-10}
vantor=$build/src/gui/vantor
reg=$build/src/store/vantor-reg
for tool in "$vantor" "$reg"; do [ -x "$tool" ] || { echo "build $tool first" >&2; exit 2; }; done
command -v xdotool >/dev/null && command -v xvfb-run >/dev/null || { echo "needs xdotool and xvfb-run" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp examples/office.json "$work/net.json"

# The full store, made once with the store editor.
{
  printf 'REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Vantor\\ListNames]\r\n'
  for l in $(seq 1 200); do printf '"List%03d"="10"\r\n' "$l"; done
  for l in $(seq 1 200); do
    printf '\r\n[HKEY_CURRENT_USER\\Software\\Vantor\\Lists\\List%03d]\r\n' "$l"
    for m in $(seq 1 10); do printf '"user%03d"="2,Member %d"\r\n' "$m" "$m"; done
  done
  printf '\r\n[HKEY_CURRENT_USER\\Software\\Vantor\\Messages]\r\n"NextNumber"="1001"\r\n'
  printf '\r\n[HKEY_CURRENT_USER\\Software\\Vantor\\Messages\\Order]\r\n'
  for s in $(seq 1 1000); do printf '"%d"="%d"\r\n' $((s - 1)) "$s"; done
  for s in $(seq 1 1000); do
    printf '\r\n[HKEY_CURRENT_USER\\Software\\Vantor\\Messages\\%d]\r\n' "$s"
    printf '"Title"="Message #%d - Meeting"\r\n"Count"="2"\r\n"Signature"="Sent by alice"\r\n"Alias"=""\r\n' "$s"
    printf '\r\n[HKEY_CURRENT_USER\\Software\\Vantor\\Messages\\%d\\Texts]\r\n"0"="Meeting"\r\n"1"="at three"\r\n"2"="Room 2"\r\n' "$s"
    printf '\r\n[HKEY_CURRENT_USER\\Software\\Vantor\\Messages\\%d\\Names]\r\n"0"="bob"\r\n"1"="carol"\r\n' "$s"
    printf '\r\n[HKEY_CURRENT_USER\\Software\\Vantor\\Messages\\%d\\Types]\r\n"0"="2"\r\n"1"="2"\r\n' "$s"
    printf '\r\n[HKEY_CURRENT_USER\\Software\\Vantor\\Messages\\%d\\Comments]\r\n"0"=""\r\n"1"=""\r\n' "$s"
  done
  # Not the first run: no help window at start.
  printf '\r\n[HKEY_CURRENT_USER\\Software\\Vantor\\Forms\\Main]\r\n"Listnumber"="1"\r\n'
} > "$work/full.reg"
VANTOR_STORE="$work/full.db" "$reg" import "$work/full.reg" >/dev/null
printf 'REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Vantor\\Forms\\Main]\r\n"Listnumber"="1"\r\n' > "$work/empty.reg"
VANTOR_STORE="$work/empty.db" "$reg" import "$work/empty.reg" >/dev/null

export VANTOR_LAN="sim:$work/net.json" BUILD_VANTOR="$vantor" WORK="$work" ROUNDS="$rounds"
xvfb-run -a -s "-screen 0 1280x800x24" bash -c '
  set -euo pipefail
  # One start: a fresh copy of the store, the time until the main window is
  # mapped, then the end of the run.
  start_once() {
    cp "$WORK/$1.db" "$WORK/run.db"
    local t0 t1 pid
    t0=$(date +%s%N)
    VANTOR_STORE="$WORK/run.db" "$BUILD_VANTOR" >/dev/null 2>&1 &
    pid=$!
    xdotool search --sync --onlyvisible --name "^Vantor\$" >/dev/null
    t1=$(date +%s%N)
    kill -TERM "$pid"
    wait "$pid" || true
    echo $(( (t1 - t0) / 1000 ))
  }
  start_once empty >/dev/null  # warm the caches
  for r in $(seq 1 "$ROUNDS"); do
    if [ $((r % 2)) -eq 0 ]; then
      echo "full $(start_once full)"; echo "empty $(start_once empty)"
    else
      echo "empty $(start_once empty)"; echo "full $(start_once full)"
    fi
  done' > "$work/times.txt"

median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR + 1) / 2)]}'; }
empty=$(awk '$1 == "empty" {print $2}' "$work/times.txt" | median)
full=$(awk '$1 == "full" {print $2}' "$work/times.txt" | median)
echo "start to first window, median of $rounds: empty store $((empty / 1000)) ms," \
     "1000 messages and 200 lists $((full / 1000)) ms"
awk -v f="$full" -v e="$empty" 'BEGIN {printf "ratio full/empty: %.2f\n", f / e}'
