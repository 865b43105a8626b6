#!/usr/bin/env bash
# The verdict of the shuffled test run (scripts/zarvo.sh shuffle):
#   shuffled-verdict.sh SEED LOGS PROGRAM...
# LOGS holds, for each program NAME_tests started, NAME.rc (its exit status) and NAME.log. It is
# judged by the programs started, not by the results found: one that left no result (killed
# with its shell, say) has failed as well. Each failure is told with the lines of its log that
# explain it; the exit status is 1 when any program failed.
set -euo pipefail
seed=$1 logs=$2
shift 2
failed=0
for program in "$@"; do
  name=$(basename "$program" _tests)
  rc="$logs/$name.rc" log="$logs/$name.log"
  result=$(cat "$rc" 2>/dev/null || echo "no result")
  [ "$result" = 0 ] && continue
  failed=1
  echo "zarvo: ${name}_tests failed with seed $seed (exit $result): $log" >&2
  [ -f "$log" ] || continue
  # Each failure with the lines that explain it, then the failed tests; else the log's end.
  { grep -E -A8 'Failure$' "$log" | head -80 && grep -E '^\[  FAILED  \] [^0-9]' "$log"; } >&2 ||
    tail -40 "$log" >&2
done
echo "zarvo: $# test programs shuffled" >&2
exit "$failed"
