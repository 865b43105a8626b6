# Sourced by the script tests. check_output LABEL FILE PATTERN...: every PATTERN must be in FILE,
# a pattern "!TEXT" must not; each one broken is told on standard error as "LABEL breaks ...".
# Fails when any is broken.
check_output() {
  local label=$1 file=$2 pattern broken=0
  shift 2
  for pattern in "$@"; do
    if [ "${pattern:0:1}" = "!" ]; then
      ! grep -qF -- "${pattern:1}" "$file" && continue
    else
      grep -qF -- "$pattern" "$file" && continue
    fi
    echo "$label breaks \"$pattern\"" >&2
    broken=1
  done
  return "$broken"
}
