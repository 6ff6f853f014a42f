#!/usr/bin/env bash
# End-to-end checks of the DDE client against Wine's "PROGMAN" server:
#   tests/e2e/progman.sh win32 build/win32   under Wine and Xvfb (WINEPREFIX
#                                            from scripts/wine-env)
# Wine's shell answers PROGMAN only while it has a display, so the DDE
# conversation tests of brim_tests.exe and the Program Manager client's
# tests that need a server run under Xvfb with BRIMWELL_PROGMAN=1, which
# tells them that a server must answer. The groups they make are Start-menu
# folders of the prefix; the tests delete them, and this script removes
# any a failed test left and checks that none remain.
# Prints one line per check and "e2e progman PLATFORM: N passed, N failed".
set -uo pipefail

platform="${1:?platform}"
build="$(realpath "${2:?build directory}")"
root="$(cd "$(dirname "$0")/../.." && pwd)"

# shellcheck source=checks.sh
. "$root/tests/e2e/checks.sh"
win32_only progman.sh "talks to Wine's Program Manager"
with_display "$0" "$@"

fresh_work "progman-$platform"

echo "e2e progman $platform: DDE conversations with Wine's PROGMAN under Xvfb"

tests="$build/bin/brim_tests.exe"
filter='DdeConversations.*:ProgramManagerClientOnServer.*'
BRIMWELL_PROGMAN=1 timeout 300 wine "$tests" --gtest_filter="$filter" >dde.txt 2>&1 </dev/null
tr -d '\r' <dde.txt >dde.lf
check "PROGMAN answers: groups are made, listed and deleted, items added and replaced, refusals reported" \
  grep -q '^\[  PASSED  \] 5 tests' dde.lf
check "  with nothing skipped" test -z "$(grep SKIPPED dde.lf)"
grep -E '^\[  FAILED  \]|Failure|Expected|Which is|actual' dde.lf | head -30 | sed 's/^/        /'

# The groups the tests made are named "Brimwell brimtest-...".
programs=$(find "$WINEPREFIX/drive_c/users" -type d -path '*Start Menu/Programs' 2>/dev/null | head -1)
check "the prefix has a Start menu" test -n "$programs"
left=$(find "$programs" -maxdepth 1 -name 'Brimwell brimtest-*' 2>/dev/null)
check "the tests left no group folder behind" test -z "$left"
[ -n "$programs" ] && find "$programs" -maxdepth 1 -name 'Brimwell brimtest-*' -exec rm -rf {} +

echo "e2e progman $platform: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
