#!/usr/bin/env bash
# The shuffled run's verdict over a stub tree: two test programs started, their results as the
# run leaves them. A program that left no result fails the run and is named with its log; with
# every result in and passing, the run passes. Builds and installs nothing.
#   ShuffledVerdictTest.sh VERDICT_SCRIPT
set -euo pipefail
. "$(dirname "$0")/check-output.sh"
verdict=$1
stub=$(mktemp -d)
trap 'rm -rf "$stub"' EXIT
# The verdict knows a program by its path's name only.
programs=("$stub/tests/passing_tests" "$stub/tests/lost_tests")
failures=0

# row NAME EXPECTED_STATUS RESULT_OF_LOST PATTERN...: the verdict over fresh logs where the
# passing program exited 0 and the lost one left RESULT_OF_LOST ("" for none); its status must be
# EXPECTED_STATUS and its report must hold every PATTERN (check-output.sh).
row() {
  local name=$1 expected=$2 lost=$3
  shift 3
  local logs="$stub/logs-$name" status=0 before=$failures
  mkdir -p "$logs"
  printf '[==========] 3 tests from 1 test suite ran.\n[  PASSED  ] 3 tests.\n' >"$logs/passing.log"
  echo 0 >"$logs/passing.rc"
  printf '[ RUN      ] Lost.MidwayThroughItsTests\n' >"$logs/lost.log"
  [ -z "$lost" ] || echo "$lost" >"$logs/lost.rc"
  bash "$verdict" 7 "$logs" "${programs[@]}" 2>"$logs/report" || status=$?
  if [ "$status" != "$expected" ]; then
    echo "$name: exit $status, expected $expected" >&2
    failures=$((failures + 1))
  fi
  check_output "$name: the report" "$logs/report" "$@" || failures=$((failures + 1))
  [ "$failures" = "$before" ] || sed "s/^/  $name report: /" "$logs/report" >&2
}

row aProgramThatLeftNoResult 1 "" \
  "zarvo: lost_tests failed with seed 7 (exit no result): $stub/logs-aProgramThatLeftNoResult/lost.log" \
  "[ RUN      ] Lost.MidwayThroughItsTests" "!passing_tests failed" \
  "zarvo: 2 test programs shuffled"
row everyResultInAndPassed 0 0 "!failed" "zarvo: 2 test programs shuffled"
exit $((failures > 0))
