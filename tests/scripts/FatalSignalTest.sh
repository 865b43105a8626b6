#!/usr/bin/env bash
# Runs one test of zarvo-fatal-signals (a test that dies) and checks how the program ended: its
# status as a shell sees it (128 + the signal for a death by signal) and what it wrote, which
# must hold every PATTERN (check-output.sh). The program gets 20 s, far below the test's own
# limit, so that a hang is told as one.
#   FatalSignalTest.sh PROGRAM TEST STATUS PATTERN...
set -uo pipefail
. "$(dirname "$0")/check-output.sh"
program=$1 test=$2 expected=$3
shift 3
ulimit -c 0
output=$(mktemp)
trap 'rm -f "$output"' EXIT
timeout -k 5 20 "$program" --gtest_filter="$test" >"$output" 2>&1
status=$?
failed=0
if [ "$status" = 124 ]; then
  echo "$test: still running after 20 s, expected exit $expected" >&2
  failed=1
elif [ "$status" != "$expected" ]; then
  echo "$test: exit $status, expected $expected" >&2
  failed=1
fi
check_output "$test: the output" "$output" "$@" || failed=1
[ "$failed" = 0 ] || sed "s/^/  $test output: /" "$output" >&2
exit "$failed"
