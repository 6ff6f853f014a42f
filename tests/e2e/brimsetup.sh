#!/usr/bin/env bash
# End-to-end checks of the setup program on one platform:
#   tests/e2e/brimsetup.sh native build/native/bin/brimsetup     on a fresh substitute machine
#   tests/e2e/brimsetup.sh win32  build/win32/bin/brimsetup.exe  under Wine and Xvfb
#                                 (WINEPREFIX from scripts/wine-env)
# The program carries the demo definition. A bad command line must be
# reported with the system's message and a non-zero status; a good start
# must read the definition, show the main window and, on its first
# activation, start the installation run: without the loading program's
# -s it says how the setup is started, and from a directory without the
# archive it names the missing "files.1" and leaves no installation record.
# Message boxes go to stderr (BRIMWELL_UI=auto); every run
# is bounded by a timeout, so a window waiting for a user fails the check.
# Prints one line per check and "e2e brimsetup: N passed, N failed".
set -uo pipefail

platform="${1:?platform}"
program="$(realpath "${2:?brimsetup program}")"
root="$(cd "$(dirname "$0")/../.." && pwd)"

# shellcheck source=checks.sh
. "$root/tests/e2e/checks.sh"
[ "$platform" = win32 ] && with_display "$0" "$@"

fresh_work "brimsetup-$platform"

run=("$program")
case "$platform" in
  win32) run=(wine "$program") ;;
  *) export BRIMWELL_MACHINE="$work/machine" ;;
esac
export BRIMWELL_UI=auto
name="$(basename "$program" .exe)"


# setup ARGS...: runs the program, keeping its status and its stderr.
setup() {
  timeout 60 "${run[@]}" "$@" >stdout.txt 2>stderr.txt </dev/null
  status=$?
  tr -d '\r' <stderr.txt >stderr.lf
  return 0
}
# ended_with STATUS LINE: the program ended by itself with that status and
# wrote that line.
ended_with() {
  [ "$status" -ne 124 ] || { echo "        timed out"; return 1; }
  [ "$status" -eq "$1" ] || { echo "        status $status, not $1"; sed 's/^/        | /' stderr.lf; return 1; }
  grep -qFx -- "$2" stderr.lf || { echo "        stderr lacks: $2"; sed 's/^/        | /' stderr.lf; return 1; }
}

# The exit statuses as a process's 8 bits carry them: 1639, a bad command
# line, and 1603, failed.
bad_command_line=$((1639 & 255))
install_failed=$((1603 & 255))
invalid() {
  echo "$name: Invalid parameter <$1>. Valid command line parameters are: -b (Build), -d (Debug), -f (Transfer to floppies), -e (Called by self-extractor), -r (After reboot)"
}
no_run="$name: The path of the loading program was not passed correctly. If you are running your install project in the IDE, then you need to add two command line parameters. In Run | Parameters | \"Run Parameters\", type in: -d \"-sBUILDPATH\" where BUILDPATH is the path into which you built the distributables. Example: -d \"-sC:\\My Build\"."
# The work directory as the setup names it: the host's / is drive Z:.
source_dir="Z:$(echo "$work" | tr / '\\')"

echo "e2e brimsetup $platform: $(basename "$program") with the demo definition"

if [ "$platform" != win32 ]; then
  check "the definition is bound behind the program" test "$(tail -c 8 "$program")" = BRIMRES1
fi

setup -x
check "a bad switch is reported with the system's message" ended_with "$bad_command_line" "$(invalid -x)"
check "  and nothing on stdout" test ! -s stdout.txt

setup -c -
check "a one-letter argument is refused" ended_with "$bad_command_line" "$(invalid -)"

setup '-sC:\My Build' setup.exe
check "an argument that is no switch is refused" ended_with "$bad_command_line" "$(invalid setup.exe)"

setup -d
check "-d without -s asks for the build directory" ended_with "$install_failed" \
  "$name: You forgot to pass in the build directory. In Run | Parameters, follow this format: -d \"-sC:\\My Build\""

setup -B
check "-B without a BUILD.INF beside the program says it needs one" ended_with "$install_failed" \
  "$name: Need to have a BUILD.INF file in this directory with the first line specifying the build directory"

setup
check "a good start loads the definition and starts the run on activation" ended_with "$install_failed" "$no_run"

setup '*TODISK' -C
check "'*' passes an unknown letter through" ended_with "$install_failed" "$no_run"

setup -r
check "-r without an installation record has no unfinished work to finish" ended_with "$install_failed" \
  "$name: The TInstall could not either write or read unfinished business from the registry"

setup "-s$source_dir"
check "a source without the archive names the missing files.1" ended_with "$install_failed" \
  "$name: Cannot open the compressed file $source_dir\\files.1"
if [ "$platform" != win32 ]; then
  check "  and leaves no installation record" test -z "$(grep -i 'Brimwell' "$BRIMWELL_MACHINE/HKLM.reg")"
fi

BRIMWELL_UI=graphical setup
check "an unknown BRIMWELL_UI is named" ended_with "$install_failed" \
  "$name: BRIMWELL_UI=graphical does not name a user interface: use auto, console or script:FILE"

if [ "$platform" = win32 ]; then
  # The window backend's own test needs the display that only this run has.
  tests="$(dirname "$program")/brim_tests.exe"
  if [ -e "$tests" ]; then
    timeout 120 wine "$tests" --gtest_filter='Win32Windows.*' >windows.txt 2>&1 </dev/null
    tr -d '\r' <windows.txt >windows.lf
    check "real windows are activated, placed and maximised; their controls hold their state" \
      test -n "$(grep '^\[  PASSED  \] [1-9][0-9]* tests' windows.lf)" -a -z "$(grep FAILED windows.lf)"
    check "  with nothing skipped" test -z "$(grep SKIPPED windows.lf)"
  else
    echo "  (no brim_tests.exe beside it: the window backend's test is not run)"
  fi
else
  # The same program without its definition: the ELF image alone.
  offset=$(tail -c 24 "$program" | od -An -t u8 -N 8 | tr -d ' ')
  head -c "$offset" "$program" >bare-brimsetup
  chmod +x bare-brimsetup
  timeout 60 ./bare-brimsetup >stdout.txt 2>stderr.txt </dev/null
  status=$?
  tr -d '\r' <stderr.txt >stderr.lf
  # The substitute machine sees the host's / as drive Z:.
  check "without its definition the program names the missing resource" ended_with "$install_failed" \
    "bare-brimsetup: The resource TINSTALATOR of the form TInstalator is not in the program Z:$(echo "$work/bare-brimsetup" | tr / '\\')"
fi

echo "e2e brimsetup: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
