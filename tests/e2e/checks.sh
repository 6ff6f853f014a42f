# Sourced by the end-to-end scripts: one line per check, and the counts for
# their closing line "e2e PLATFORM: N passed, N failed".
passed=0
failed=0
check() {  # check NAME COMMAND...
  local name="$1"
  shift
  if "$@"; then
    echo "  ok    $name"
    passed=$((passed + 1))
  else
    echo "  FAIL  $name"
    failed=$((failed + 1))
  fi
}
